#include "fs/HeldFolder.h"

#include "fs/Paths.h"

#include <vector>

namespace fs {

namespace {

// What every entry is opened with: enough to read what it is and who owns it, to list it if it is
// a folder and to delete it, sharing reading and writing but not deleting, so that it stays where
// it is while we hold it. A link is opened as itself, never followed.
constexpr DWORD kEntryAccess = DELETE | READ_CONTROL | FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY | SYNCHRONIZE;

win32::FileHandle OpenEntry(const std::wstring& path)
{
    return win32::FileHandle(::CreateFileW(LongPathForm(path).c_str(), kEntryAccess,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

DWORD SystemAttributesOf(HANDLE entry, const std::wstring&)
{
    // Not GetFileInformationByHandle: it asks the volume too, which under Wine costs more than
    // the rest of a removal.
    FILE_BASIC_INFO basic{};
    return ::GetFileInformationByHandleEx(entry, FileBasicInfo, &basic, sizeof basic) ? basic.FileAttributes : 0;
}

// Marks the open entry for deletion: it goes when its last handle closes.
bool DeleteOnClose(HANDLE entry)
{
    FILE_DISPOSITION_INFO disposition{TRUE};
    return ::SetFileInformationByHandle(entry, FileDispositionInfo, &disposition, sizeof disposition);
}

std::optional<FolderId> IdOf(HANDLE entry)
{
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(entry, &information))
        return std::nullopt;
    return FolderId{information.dwVolumeSerialNumber,
                    (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

} // namespace

RemovalCalls SystemRemovalCalls()
{
    return {SystemAttributesOf};
}

HeldFolder::HeldFolder(const std::wstring& path, const RemovalCalls& calls)
    : HeldFolder(OpenEntry(path), path, calls)
{
}

HeldFolder::HeldFolder(win32::FileHandle handle, std::wstring path, const RemovalCalls& calls)
    : path_(WithTrailingBackslash(path)), calls_(calls)
{
    if (!handle) {
        const DWORD error = ::GetLastError();
        state_ = (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? State::Missing : State::Busy;
        return;
    }
    const DWORD attributes = calls_.attributesOf(handle.get(), path);
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        state_ = State::Link;
    else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        state_ = State::NotAFolder;
    else
        state_ = State::Held;
    if (state_ == State::Held)
        handle_ = std::move(handle);
}

std::vector<HeldFolder::Entry> HeldFolder::Entries() const
{
    // Listed through the handle: a listing by path would have to open the folder again, which
    // the delete access held here refuses on some systems.
    std::vector<Entry> entries;
    if (!handle_)
        return entries;
    std::vector<LONGLONG> buffer(8192); // 64 KiB, aligned for the records
    for (FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;; kind = FileIdBothDirectoryInfo) {
        if (!::GetFileInformationByHandleEx(handle_.get(), kind, buffer.data(),
                                            static_cast<DWORD>(buffer.size() * sizeof(LONGLONG))))
            return entries; // ERROR_NO_MORE_FILES at the end
        const auto* record = reinterpret_cast<const unsigned char*>(buffer.data());
        for (;;) {
            const auto* information = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(record);
            std::wstring name(information->FileName, information->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..")
                entries.push_back({std::move(name), information->FileAttributes});
            if (information->NextEntryOffset == 0)
                break;
            record += information->NextEntryOffset;
        }
    }
}

std::optional<FolderId> HeldFolder::Id() const
{
    return handle_ ? IdOf(handle_.get()) : std::nullopt;
}

bool HeldFolder::RemoveContents(const std::wstring& keep)
{
    if (!handle_)
        return false;
    bool empty = true;
    for (const Entry& listed : Entries()) {
        if (!keep.empty() && CaseKey(listed.name) == CaseKey(keep))
            continue;
        const std::wstring path = path_ + listed.name;
        win32::FileHandle entry = OpenEntry(path);
        if (!entry) {
            empty = false; // held by another program: it stays
            continue;
        }
        const DWORD attributes = calls_.attributesOf(entry.get(), path);
        if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            HeldFolder inner(std::move(entry), path, calls_);
            inner.RemoveContents();
            empty = inner.Remove() && empty;
        } else {
            // A file, or a link of either kind: the entry itself goes, never what a link points to.
            empty = DeleteOnClose(entry.get()) && empty;
        }
    }
    return empty;
}

bool HeldFolder::Remove()
{
    if (!handle_)
        return state_ == State::Missing;
    const std::optional<FolderId> id = Id();
    DeleteOnClose(handle_.get()); // refused while anything is left in it
    handle_.reset();
    state_ = State::Missing;
    // Asked again by name: the system may take the mark and still keep a folder that is not empty.
    const std::optional<FolderId> there = FolderIdOf(path_);
    return !there || (id && *there != *id);
}

std::optional<FolderId> FolderIdOf(const std::wstring& path)
{
    const win32::FileHandle entry(::CreateFileW(LongPathForm(path).c_str(), FILE_READ_ATTRIBUTES,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_EXISTING,
                                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return entry ? IdOf(entry.get()) : std::nullopt;
}

} // namespace fs
