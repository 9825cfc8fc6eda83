#include "sevenzip/ArchiveReader.h"

#include "fs/ByteStream.h"
#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "lang/TextKeys.h"
#include "sevenzip/FileStream.h"
#include "win32/Error.h"

namespace key = lang::key;

namespace sevenzip {

namespace {

constexpr uint32_t kAllItems = 0xFFFFFFFF;

// What went wrong with an entry: in English, and as the language entry that says it to a person.
struct EntryFailure {
    const wchar_t* english;
    const wchar_t* reason;
};

EntryFailure TextOfResult(int32_t result)
{
    switch (result) {
    case kResultUnsupportedMethod:
        return {L"Unsupported method", key::kUnsupportedMethod};
    case kResultCrcError:
        return {L"CRC error", key::kEntryDamaged};
    case kResultWrongPassword:
        return {L"Wrong password", key::kPasswordDoesNotFit};
    case kResultNameTooLong:
        return {L"Name too long", key::kNameTooLong};
    default:
        return {L"Data error", key::kEntryDamaged};
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

std::wstring TextOf(const PROPVARIANT& value)
{
    return (value.vt == VT_BSTR && value.bstrVal) ? value.bstrVal : L"";
}

[[noreturn]] void ThrowDamagedPackage()
{
    throw win32::Error(L"The package is damaged or incomplete.", key::kPackageDamaged, {});
}

} // namespace

void RefuseUnsafeEntryPath(const std::wstring& path, const std::wstring& folder)
{
    if (!fs::IsSafeEntryPath(path))
        throw win32::Error(L"The archive entry \"" + path + L"\" would be written outside the folder " + folder,
                           key::kEntryOutsideFolder, {path, folder});
}

ArchiveReader::ArchiveReader(const std::wstring& libraryPath, const GUID& format)
    : module_(libraryPath), format_(format)
{
}

ArchiveReader::~ArchiveReader()
{
    archive_.reset(); // the handler goes (and lets go of the archive file) before the module
}

// --- Opening and reading entries ---

void ArchiveReader::OpenArchiveFile(const std::wstring& path, uint64_t searchWindow)
{
    auto file = fs::ByteStream::OpenRead(fs::FullPathOf(path));
    win32::ComPtr<IInStream> stream(new FileStream(std::move(file)));
    OpenArchiveStream(stream.get(), searchWindow);
}

void ArchiveReader::OpenArchiveStream(IInStream* stream, uint64_t searchWindow)
{
    if (!archive_) {
        IInArchive* created = nullptr;
        module_.CreateObject(format_, IID_IInArchive, reinterpret_cast<void**>(&created));
        archive_ = win32::ComPtr<IInArchive>::Adopt(created);
    }
    PendingError pending;
    win32::ComPtr<IArchiveOpenCallback> callback(new OpenCallback(caller_, pending));
    const UINT64 window = searchWindow; // the archive must start within it
    const HRESULT result = archive_->Open(stream, &window, callback.get());
    pending.RaiseIfAny();
    if (result == S_FALSE)
        ThrowDamagedPackage(); // no archive the handler can read
    CheckResult(result);
    RefuseDamagedArchive(stream);
}

// An archive whose headers are broken, or that ends before its own end, may list few entries or
// none at all; it must not pass for a good one.
void ArchiveReader::RefuseDamagedArchive(IInStream* stream)
{
    const uint64_t errors = ArchiveNumber(kpidErrorFlags);
    const uint64_t warnings = ArchiveNumber(kpidWarningFlags);
    const uint64_t end = ArchiveNumber(kpidOffset) + ArchiveNumber(kpidPhySize);
    UINT64 size = 0;
    const bool sized = stream->Seek(0, fs::ByteStream::FromEnd, &size) == S_OK;
    stream->Seek(0, fs::ByteStream::FromStart, nullptr);
    const uint32_t broken = kErrorIsNotArc | kErrorHeaders | kErrorUnexpectedEnd;
    if ((errors & broken) || (warnings & kErrorHeaders) || (sized && end > size))
        ThrowDamagedPackage();
}

uint64_t ArchiveReader::ArchiveNumber(PROPID property)
{
    win32::PropVariant value;
    archive_->GetArchiveProperty(property, value.put());
    return NumberOf(value.get());
}

void ArchiveReader::CloseArchive()
{
    caller_.ForgetPassword();
    if (archive_)
        archive_->Close();
    archive_.reset();
}

uint32_t ArchiveReader::ItemCount()
{
    UINT32 count = 0;
    CheckResult(archive_->GetNumberOfItems(&count));
    return count;
}

void ArchiveReader::ReadProperty(uint32_t index, PROPID property, win32::PropVariant& value)
{
    // The handler does not check the index itself: past the last entry it would read whatever
    // lies beyond its tables.
    UINT32 count = 0;
    if (archive_->GetNumberOfItems(&count) == S_OK && index < count)
        archive_->GetProperty(index, property, value.put());
}

std::wstring ArchiveReader::ItemPath(uint32_t index)
{
    win32::PropVariant value;
    ReadProperty(index, kpidPath, value);
    return TextOf(value.get());
}

uint64_t ArchiveReader::ItemSize(uint32_t index)
{
    win32::PropVariant value;
    ReadProperty(index, kpidSize, value);
    return NumberOf(value.get());
}

bool ArchiveReader::ItemIsFolder(uint32_t index)
{
    win32::PropVariant value;
    ReadProperty(index, kpidIsDir, value);
    const PROPVARIANT& v = value.get();
    switch (v.vt) {
    case VT_BOOL: return v.boolVal != VARIANT_FALSE;
    case VT_UI4: return v.ulVal != 0;
    case VT_I4: return v.lVal != 0;
    default: return false;
    }
}

fs::FileFacts ArchiveReader::ItemFacts(uint32_t index)
{
    fs::FileFacts facts;
    const auto time = [&](PROPID property) -> std::optional<FILETIME> {
        win32::PropVariant value;
        ReadProperty(index, property, value);
        if (value.get().vt != VT_FILETIME)
            return std::nullopt;
        return value.get().filetime;
    };
    facts.modified = time(kpidMTime);
    facts.created = time(kpidCTime);
    win32::PropVariant attributes;
    ReadProperty(index, kpidAttrib, attributes);
    if (attributes.get().vt == VT_UI4)
        facts.attributes = fs::AttributesFromStored(attributes.get().ulVal);
    return facts;
}

// --- Extraction ---

void ArchiveReader::RunExtract(const uint32_t* indices, uint32_t count, bool test, ExtractTarget target)
{
    results_.clear();
    auto* extract = new ExtractCallback(*this, caller_, std::move(target));
    win32::ComPtr<IArchiveExtractCallback> callback(extract);
    const HRESULT result = archive_->Extract(indices, count, test ? 1 : 0, callback.get());
    results_ = extract->Results();
    extract->Finish();
    CheckResult(result);
}

void ArchiveReader::ExtractItemToStream(uint32_t index, fs::ByteStream& stream, bool test)
{
    ExtractTarget target;
    target.stream = &stream;
    RunExtract(&index, 1, test, std::move(target));
}

void ArchiveReader::ExtractAllTo(const std::wstring& folder, const std::vector<std::wstring>& places,
                                 const std::set<uint32_t>& passing, bool provisional, const TakenNameHandler& whenTaken,
                                 const WholeFileHandler& whenWhole)
{
    RunExtract(nullptr, kAllItems, false,
               {nullptr, fs::WithTrailingBackslash(folder), places, passing, provisional, whenTaken, whenWhole});
    for (const auto& [index, result] : results_) {
        if (result != kResultOk) {
            const std::wstring path = ItemPath(index);
            const EntryFailure text = TextOfResult(result);
            throw win32::Error(text.english + (L": " + path), text.reason, {path});
        }
    }
}

int32_t ArchiveReader::ItemResult(uint32_t index) const
{
    auto found = results_.find(index);
    return found == results_.end() ? kResultNotReported : found->second;
}

} // namespace sevenzip
