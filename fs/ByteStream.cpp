#include "fs/ByteStream.h"

#include "fs/Paths.h"
#include "lang/TextKeys.h"
#include "win32/Error.h"

#include <cstring>
#include <vector>

namespace fs {

namespace key = lang::key;

ByteStream::ByteStream(win32::FileHandle file, std::wstring path)
    : file_(std::move(file)), path_(std::move(path))
{
}

namespace {

win32::FileHandle CreateUnshared(const std::wstring& path, DWORD access, DWORD flags, DWORD how = CREATE_ALWAYS)
{
    win32::FileHandle file(::CreateFileW(fs::LongPathForm(path).c_str(), access, 0, nullptr, how, flags, nullptr));
    if (!file)
        throw win32::FileError(L"Cannot create file", path, ::GetLastError(), key::kCannotCreateFile);
    return file;
}

} // namespace

std::unique_ptr<ByteStream> ByteStream::Create(const std::wstring& path, bool exclusive)
{
    return std::unique_ptr<ByteStream>(new ByteStream(
        CreateUnshared(path, GENERIC_READ | GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL, exclusive ? CREATE_NEW : CREATE_ALWAYS),
        path));
}

std::unique_ptr<ByteStream> ByteStream::CreateTemporary(const std::wstring& path)
{
    return std::unique_ptr<ByteStream>(new ByteStream(
        CreateUnshared(path, GENERIC_READ | GENERIC_WRITE | DELETE, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE),
        path));
}

std::unique_ptr<ByteStream> ByteStream::CreateProvisional(const std::wstring& path, bool exclusive)
{
    win32::FileHandle file = CreateUnshared(path, GENERIC_READ | GENERIC_WRITE | DELETE, FILE_ATTRIBUTE_NORMAL,
                                            exclusive ? CREATE_NEW : CREATE_ALWAYS);
    FILE_DISPOSITION_INFO deleted{TRUE};
    if (!::SetFileInformationByHandle(file.get(), FileDispositionInfo, &deleted, sizeof deleted)) {
        const DWORD code = ::GetLastError();
        file.reset();
        ::DeleteFileW(fs::LongPathForm(path).c_str());
        throw win32::FileError(L"Cannot create file", path, code, key::kCannotCreateFile);
    }
    return std::unique_ptr<ByteStream>(new ByteStream(std::move(file), path));
}

std::unique_ptr<ByteStream> ByteStream::OpenRead(const std::wstring& path)
{
    win32::FileHandle file(::CreateFileW(fs::LongPathForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw win32::FileError(L"Cannot open file", path, ::GetLastError());
    return std::unique_ptr<ByteStream>(new ByteStream(std::move(file), path));
}

uint32_t ByteStream::Read(void* buffer, uint32_t size)
{
    DWORD done = 0;
    if (!::ReadFile(file_.get(), buffer, size, &done, nullptr))
        return 0;
    return done;
}

uint32_t ByteStream::Write(const void* data, uint32_t size)
{
    DWORD done = 0;
    if (!::WriteFile(file_.get(), data, size, &done, nullptr))
        return 0;
    return done;
}

void ByteStream::WriteAll(const void* data, uint32_t size)
{
    DWORD done = 0;
    if (!::WriteFile(file_.get(), data, size, &done, nullptr))
        throw win32::FileError(L"Cannot write file", path_, ::GetLastError(), key::kCannotWriteFile);
    if (done < size) { // the system wrote what fitted
        throw win32::FileError(L"Cannot write file", path_, ERROR_DISK_FULL, key::kCannotWriteFile);
    }
}

bool ByteStream::Seek(int64_t offset, Origin origin)
{
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    return ::SetFilePointerEx(file_.get(), distance, nullptr, origin) != 0;
}

uint64_t ByteStream::Position() const
{
    LARGE_INTEGER zero{}, position{};
    ::SetFilePointerEx(file_.get(), zero, &position, FILE_CURRENT);
    return static_cast<uint64_t>(position.QuadPart);
}

uint64_t ByteStream::Size() const
{
    LARGE_INTEGER size{};
    ::GetFileSizeEx(file_.get(), &size);
    return static_cast<uint64_t>(size.QuadPart);
}

void ByteStream::SetSize(uint64_t newSize)
{
    const uint64_t position = Position();
    LARGE_INTEGER end;
    end.QuadPart = static_cast<int64_t>(newSize);
    if (!::SetFilePointerEx(file_.get(), end, nullptr, FILE_BEGIN) || !::SetEndOfFile(file_.get())) {
        const DWORD code = ::GetLastError();
        Seek(static_cast<int64_t>(position), FromStart);
        throw win32::Error(win32::SystemErrorText(code));
    }
    Seek(static_cast<int64_t>(position), FromStart);
}

void ByteStream::Keep()
{
    FILE_DISPOSITION_INFO kept{FALSE};
    if (!::SetFileInformationByHandle(file_.get(), FileDispositionInfo, &kept, sizeof kept))
        throw win32::FileError(L"Cannot write file", path_, ::GetLastError(), key::kCannotWriteFile);
}

void ByteStream::Discard() noexcept
{
    FILE_DISPOSITION_INFO deleted{TRUE};
    ::SetFileInformationByHandle(file_.get(), FileDispositionInfo, &deleted, sizeof deleted);
}

void ByteStream::Flush()
{
    if (!::FlushFileBuffers(file_.get()))
        throw win32::FileError(L"Cannot write file", path_, ::GetLastError(), key::kCannotWriteFile);
}

void ByteStream::Rename(const std::wstring& newPath, bool replace)
{
    const DWORD code = RenameOpenFile(file_.get(), newPath, replace);
    if (code != ERROR_SUCCESS)
        throw win32::FileError(L"Cannot write file", newPath, code, key::kCannotWriteFile);
    path_ = newPath;
}

DWORD RenameOpenFile(HANDLE file, const std::wstring& newPath, bool replace)
{
    const std::wstring name = fs::LongPathForm(newPath);
    const size_t nameBytes = name.size() * sizeof(wchar_t);
    // The structure ends in the name's first character; the rest of the name follows it.
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = replace ? TRUE : FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(info->FileName, name.c_str(), nameBytes);
    if (!::SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())))
        return ::GetLastError();
    return ERROR_SUCCESS;
}

} // namespace fs
