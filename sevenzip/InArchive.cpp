#include "sevenzip/InArchive.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "sevenzip/QueryTable.h"
#include "win32/Error.h"
#include "win32/Security.h"
#include "win32/SystemLibrary.h"

#include <oleauto.h>

namespace {

constexpr uint32_t kAllItems = 0xFFFFFFFF;
// The longest name NTFS, FAT32 and exFAT take, in UTF-16 units.
constexpr size_t kLongestName = 255;

// What went wrong with an entry: in English, and as the language entry that says it to a person.
struct EntryFailure {
    const wchar_t* english;
    const wchar_t* reason;
};

EntryFailure TextOfResult(int32_t result)
{
    switch (result) {
    case sevenzip::kResultUnsupportedMethod:
        return {L"Unsupported method", L"02000C44"};
    case sevenzip::kResultCrcError:
        return {L"CRC error", L"02000C42"};
    case sevenzip::kResultWrongPassword:
        return {L"Wrong password", L"02000C43"};
    case kResultNameTooLong:
        return {L"Name too long", L"02000C49"};
    default:
        return {L"Data error", L"02000C42"};
    }
}

// A size or count as the handler gives it; 0 for any other kind of value.
uint64_t NumberOf(const PROPVARIANT& value)
{
    switch (value.vt) {
    case VT_UI8: return value.uhVal.QuadPart;
    case VT_UI4: return value.ulVal;
    case VT_I8: return static_cast<uint64_t>(value.hVal.QuadPart);
    default: return 0;
    }
}

[[noreturn]] void ThrowDamagedPackage()
{
    throw win32::Error(L"The package is damaged or incomplete.", L"02000C41", {});
}


} // namespace

void RefuseUnsafeEntryPath(const std::wstring& path, const std::wstring& folder)
{
    if (!fs::IsSafeEntryPath(path))
        throw win32::Error(L"The archive entry \"" + path + L"\" would be written outside the folder " + folder,
                           L"02000C45", {path, folder});
}

win32::ComPtr<I7zArchiveReader> CreateInArchive(const GUID& classId, const std::wstring& libraryPath)
{
    win32::ComPtr<I7zArchiveReader> reader(static_cast<I7zArchiveReader*>(new T7zInArchive(libraryPath)));
    reader->SetClassId(classId);
    return reader;
}

T7zInArchive::T7zInArchive(const std::wstring& libraryPath) : T7zArchive(libraryPath) {}

T7zInArchive::~T7zInArchive()
{
    archive_.reset(); // the handler goes (and lets go of the archive file) before the module
    win32::WipeText(password_);
}

HRESULT __stdcall T7zInArchive::QueryInterface(REFIID iid, void** object)
{
    I7zArchiveReader* reader = this;
    sevenzip::IArchiveExtractCallback* extract = this;
    return sevenzip::QueryFromTable(
        iid, object,
        {{IID_IUnknown, reader},
         {IID_I7zArchiveReader, reader},
         {sevenzip::IID_IArchiveOpenSetSubArchiveName, static_cast<sevenzip::IArchiveOpenSetSubArchiveName*>(this)},
         {sevenzip::IID_IArchiveOpenVolumeCallback, static_cast<sevenzip::IArchiveOpenVolumeCallback*>(this)},
         {sevenzip::IID_ICryptoGetTextPassword, static_cast<sevenzip::ICryptoGetTextPassword*>(this)},
         {sevenzip::IID_IArchiveExtractCallback, extract},
         {sevenzip::IID_IProgress, extract},
         {sevenzip::IID_IArchiveOpenCallback, static_cast<sevenzip::IArchiveOpenCallback*>(this)}});
}

// --- Opening and reading entries ---

win32::ComPtr<sevenzip::IInArchive> T7zInArchive::InnerArchive()
{
    if (!archive_) {
        sevenzip::IInArchive* created = nullptr;
        CreateLibraryObject(guidClass, sevenzip::IID_IInArchive, reinterpret_cast<void**>(&created));
        archive_ = win32::ComPtr<sevenzip::IInArchive>::Adopt(created);
    }
    return archive_;
}

void T7zInArchive::OpenArchiveFile(const std::wstring& path, uint64_t searchWindow)
{
    auto file = ByteStream::OpenRead(fs::FullPathOf(path));
    win32::ComPtr<sevenzip::IInStream> stream(new T7zStream(std::move(file)));
    OpenArchiveStream(stream.get(), searchWindow);
}

void T7zInArchive::OpenArchiveStream(sevenzip::IInStream* stream, uint64_t searchWindow)
{
    win32::ComPtr<sevenzip::IArchiveOpenCallback> callback(this);
    auto handler = InnerArchive();
    const UINT64 window = searchWindow; // the archive must start within it
    pending_->Clear();
    const HRESULT result = handler->Open(stream, &window, callback.get());
    pending_->RaiseIfAny();
    if (result == S_FALSE)
        ThrowDamagedPackage(); // no archive the handler can read
    CheckResult(result);
    RefuseDamagedArchive(stream);
}

// An archive whose headers are broken, or that ends before its own end, may list few entries or
// none at all; it must not pass for a good one.
void T7zInArchive::RefuseDamagedArchive(sevenzip::IInStream* stream)
{
    const uint64_t errors = ArchiveNumber(sevenzip::kpidErrorFlags);
    const uint64_t warnings = ArchiveNumber(sevenzip::kpidWarningFlags);
    const uint64_t end = ArchiveNumber(sevenzip::kpidOffset) + ArchiveNumber(sevenzip::kpidPhySize);
    UINT64 size = 0;
    const bool sized = stream->Seek(0, ByteStream::FromEnd, &size) == S_OK;
    stream->Seek(0, ByteStream::FromStart, nullptr);
    const uint32_t broken = sevenzip::kErrorIsNotArc | sevenzip::kErrorHeaders | sevenzip::kErrorUnexpectedEnd;
    if ((errors & broken) || (warnings & sevenzip::kErrorHeaders) || (sized && end > size))
        ThrowDamagedPackage();
}

uint64_t T7zInArchive::ArchiveNumber(PROPID property)
{
    win32::PropVariant value;
    archive_->GetArchiveProperty(property, value.put());
    return NumberOf(value.get());
}

void T7zInArchive::CloseArchive()
{
    havePassword_ = false;
    if (archive_)
        archive_->Close();
    archive_.reset();
}

uint32_t T7zInArchive::ItemCount()
{
    UINT32 count = 0;
    CheckResult(archive_->GetNumberOfItems(&count));
    return count;
}

void T7zInArchive::ReadProperty(uint32_t index, PROPID property, win32::PropVariant& value)
{
    // The handler does not check the index itself: past the last entry it would read whatever
    // lies beyond its tables. Such an index reads as empty.
    UINT32 count = 0;
    if (archive_->GetNumberOfItems(&count) == S_OK && index < count)
        archive_->GetProperty(index, property, value.put());
}

namespace {

std::wstring TextOf(const PROPVARIANT& value)
{
    return (value.vt == VT_BSTR && value.bstrVal) ? value.bstrVal : L"";
}

} // namespace

std::wstring T7zInArchive::ItemPath(uint32_t index)
{
    win32::PropVariant value;
    ReadProperty(index, sevenzip::kpidPath, value);
    return TextOf(value.get());
}

std::wstring T7zInArchive::ItemName(uint32_t index)
{
    win32::PropVariant value;
    ReadProperty(index, sevenzip::kpidName, value);
    return TextOf(value.get());
}

uint64_t T7zInArchive::ItemSize(uint32_t index)
{
    win32::PropVariant value;
    ReadProperty(index, sevenzip::kpidSize, value);
    return NumberOf(value.get());
}

bool T7zInArchive::ItemIsFolder(uint32_t index)
{
    win32::PropVariant value;
    ReadProperty(index, sevenzip::kpidIsDir, value);
    const PROPVARIANT& v = value.get();
    switch (v.vt) {
    case VT_BOOL: return v.boolVal != VARIANT_FALSE;
    case VT_UI4: return v.ulVal != 0;
    case VT_I4: return v.lVal != 0;
    default: return false;
    }
}

// --- Extraction ---

void T7zInArchive::RunExtract(const uint32_t* indices, uint32_t count, bool test)
{
    const win32::ScopeExit cleared{[this] {
        itemStream_ = nullptr;
        itemStreamCallback_ = nullptr;
        itemStreamContext_ = nullptr;
        extractFolder_.clear();
    }};
    results_.clear();
    tooLong_.clear();
    pending_->Clear();

    win32::ComPtr<sevenzip::IArchiveExtractCallback> callback(this);
    const HRESULT result = archive_->Extract(indices, count, test ? 1 : 0, callback.get());
    RemoveUnfinishedFiles();
    pending_->RaiseIfAny();
    CheckResult(result);
}

// A file whose entry did not end in success (damaged, a failed write, or stopped part-way) never
// keeps its name: nobody could tell it from a good one. Each file is written provisionally, so
// closing it removes it; only a success keeps it (SetOperationResult).
void T7zInArchive::RemoveUnfinishedFiles()
{
    for (auto& [index, file] : std::exchange(createdFiles_, {}))
        Discard(std::move(file));
}

void T7zInArchive::Discard(std::unique_ptr<ByteStream> file)
{
    const std::wstring path = file->path();
    file.reset(); // a provisional file goes as it closes
    if (!provisional_)
        ::DeleteFileW(fs::LongPathForm(path).c_str());
}

void T7zInArchive::ExtractItemToStream(uint32_t index, ByteStream& stream, bool test)
{
    itemStream_ = &stream;
    RunExtract(&index, 1, test);
}

void T7zInArchive::ExtractItems(const uint32_t* indices, uint32_t count, bool test, void* context,
                                ItemStreamCallback callback)
{
    itemStreamCallback_ = callback;
    itemStreamContext_ = context;
    RunExtract(indices, count, test);
}

void T7zInArchive::ExtractAll(bool test, void* context, ItemStreamCallback callback)
{
    itemStreamCallback_ = callback;
    itemStreamContext_ = context;
    RunExtract(nullptr, kAllItems, test);
}

void T7zInArchive::ExtractAllTo(const std::wstring& folder, const std::vector<std::wstring>& places,
                                const std::set<uint32_t>& passing, bool provisional)
{
    extractFolder_ = fs::WithTrailingBackslash(folder);
    places_ = places;
    passing_ = passing;
    provisional_ = provisional;
    folders_ = {};
    RunExtract(nullptr, kAllItems, false);
    places_.clear();
    passing_.clear();
    provisional_ = true;
    for (const auto& [index, result] : results_) {
        if (result != sevenzip::kResultOk) {
            const std::wstring path = ItemPath(index);
            const EntryFailure text = TextOfResult(result);
            throw win32::Error(text.english + (L": " + path), text.reason, {path});
        }
    }
}

int32_t T7zInArchive::ItemResult(uint32_t index)
{
    auto found = results_.find(index);
    return found == results_.end() ? kResultNotReported : found->second;
}

HRESULT __stdcall T7zInArchive::GetStream(UINT32 index, sevenzip::ISequentialOutStream** stream, INT32 askMode)
{
    if (!stream)
        return E_POINTER;
    *stream = nullptr;
    currentIndex_ = index;
    if (askMode != sevenzip::kAskModeExtract)
        return S_OK;
    return Guarded([&]() -> HRESULT {
        if (itemStream_) {
            *stream = static_cast<sevenzip::IOutStream*>(new T7zStream(*itemStream_, pending_));
            (*stream)->AddRef();
            return S_OK;
        }
        if (itemStreamCallback_)
            return itemStreamCallback_(itemStreamContext_, index, stream);
        if (!extractFolder_.empty() && !ItemIsFolder(index))
            return CreateTargetFile(index, stream);
        return S_OK;
    });
}

HRESULT T7zInArchive::CreateTargetFile(uint32_t index, sevenzip::ISequentialOutStream** stream)
{
    return Guarded([&]() -> HRESULT {
        const std::wstring path = ItemPath(index);
        RefuseUnsafeEntryPath(path, extractFolder_);
        const std::wstring place =
            index < places_.size() && !places_[index].empty() ? places_[index] : fs::MapEntryPath(path);
        if (fs::LongestName(place) > kLongestName) {
            tooLong_.insert(index); // skipped: the library reads past it
            return S_OK;
        }
        const std::wstring target = fs::FullPathOf(extractFolder_ + place);
        folders_.MakeParentOf(target);
        // Ours to hold: the library lets go of the stream before it reports the entry's result.
        auto& file = createdFiles_[index] =
            provisional_ ? ByteStream::CreateProvisional(target) : ByteStream::Create(target);
        *stream = static_cast<sevenzip::IOutStream*>(new T7zStream(*file, pending_));
        (*stream)->AddRef();
        return S_OK;
    });
}

HRESULT __stdcall T7zInArchive::PrepareOperation(INT32)
{
    return S_OK;
}

HRESULT __stdcall T7zInArchive::SetOperationResult(INT32 result)
{
    return Guarded([&]() -> HRESULT {
        const auto created = createdFiles_.find(currentIndex_);
        if (created != createdFiles_.end()) {
            std::unique_ptr<ByteStream> file = std::move(created->second);
            createdFiles_.erase(created);
            if (result == sevenzip::kResultOk && passing_.count(currentIndex_) == 0) {
                if (provisional_)
                    file->Keep(); // whole: it keeps its name when it closes, now
            } else {
                Discard(std::move(file));
            }
        }
        results_[currentIndex_] = tooLong_.count(currentIndex_) ? kResultNameTooLong : result;
        return S_OK;
    });
}

HRESULT __stdcall T7zInArchive::SetTotal(UINT64 total)
{
    return Guarded([&]() -> HRESULT { return progressCallback_ ? progressCallback_(progressContext_, 1, static_cast<int64_t>(total)) : S_OK; });
}

HRESULT __stdcall T7zInArchive::SetCompleted(const UINT64* completed)
{
    return Guarded([&]() -> HRESULT {
        if (progressCallback_ && completed)
            return progressCallback_(progressContext_, 0, static_cast<int64_t>(*completed));
        return S_OK;
    });
}

// Opening reports no progress, but a long open stops when the owner says so.
HRESULT __stdcall T7zInArchive::SetTotal(const UINT64*, const UINT64*)
{
    return OpenGoesOn();
}

HRESULT __stdcall T7zInArchive::SetCompleted(const UINT64*, const UINT64*)
{
    return OpenGoesOn();
}

HRESULT T7zInArchive::OpenGoesOn()
{
    return Guarded([&]() -> HRESULT {
        if (progressCallback_ && progressCallback_(progressContext_, kProgressOpening, 0) != 0)
            return E_ABORT;
        return S_OK;
    });
}

template <class Call>
HRESULT T7zInArchive::Guarded(Call call) noexcept
{
    return pending_->Guard(call);
}

// --- Password ---

HRESULT __stdcall T7zInArchive::CryptoGetTextPassword(BSTR* password)
{
    if (!password)
        return E_POINTER;
    return Guarded([&]() -> HRESULT { return AnswerPassword(password); });
}

HRESULT T7zInArchive::AnswerPassword(BSTR* password)
{
    if (!havePassword_) {
        if (!passwordCallback_)
            return S_FALSE;
        std::wstring answer;
        const int32_t result = passwordCallback_(passwordContext_, answer);
        if (result != 0)
            return result;
        password_ = answer;
        win32::WipeText(answer);
        havePassword_ = true;
    }
    *password = SYSTEM_FUNCTION(L"oleaut32.dll", SysAllocString)(password_.c_str());
    return *password ? S_OK : E_OUTOFMEMORY;
}

void T7zInArchive::SetPassword(const std::wstring& password)
{
    password_ = password;
    havePassword_ = !password.empty();
}

void T7zInArchive::SetPasswordSource(void* context, PasswordCallback callback)
{
    passwordContext_ = context;
    passwordCallback_ = callback;
}

void T7zInArchive::SetProgressSink(void* context, ProgressCallback callback)
{
    progressContext_ = context;
    progressCallback_ = callback;
}

void T7zInArchive::SetClassId(const GUID& classId)
{
    guidClass = classId;
}

GUID T7zInArchive::ClassId()
{
    return guidClass;
}

// --- No further volumes ---

HRESULT __stdcall T7zInArchive::GetProperty(PROPID, PROPVARIANT*)
{
    return S_OK;
}

HRESULT __stdcall T7zInArchive::GetStream(const wchar_t*, sevenzip::IInStream**)
{
    return S_OK;
}

HRESULT __stdcall T7zInArchive::SetSubArchiveName(const wchar_t*)
{
    return S_OK;
}
