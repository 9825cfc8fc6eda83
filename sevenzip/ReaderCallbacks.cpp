#include "sevenzip/ReaderCallbacks.h"

#include "fs/ByteStream.h"
#include "fs/Paths.h"
#include "sevenzip/ArchiveReader.h"
#include "sevenzip/FileStream.h"
#include "sevenzip/QueryTable.h"
#include "win32/Error.h"
#include "win32/Security.h"
#include "win32/SystemLibrary.h"

#include <oleauto.h>

#include <utility>

namespace sevenzip {

namespace {

// The longest name NTFS, FAT32 and exFAT take, in UTF-16 units.
constexpr size_t kLongestName = 255;

} // namespace

// --- What the caller answers ---

CallerAnswers::~CallerAnswers()
{
    win32::WipeText(password_);
}

void CallerAnswers::SetPasswordSource(void* context, PasswordCallback callback)
{
    passwordContext_ = context;
    passwordCallback_ = callback;
}

void CallerAnswers::SetPassword(const std::wstring& password)
{
    password_ = password;
    havePassword_ = !password.empty();
}

void CallerAnswers::SetProgressSink(void* context, ProgressCallback callback)
{
    progressContext_ = context;
    progressCallback_ = callback;
}

HRESULT CallerAnswers::AnswerPassword(BSTR* password)
{
    if (!password)
        return E_POINTER;
    *password = nullptr;
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

HRESULT CallerAnswers::Progress(int32_t isTotal, int64_t value)
{
    return progressCallback_ ? progressCallback_(progressContext_, isTotal, value) : S_OK;
}

HRESULT CallerAnswers::OpenGoesOn()
{
    if (progressCallback_ && progressCallback_(progressContext_, kProgressOpening, 0) != 0)
        return E_ABORT;
    return S_OK;
}

// --- Opening ---

HRESULT __stdcall OpenCallback::QueryInterface(REFIID iid, void** object)
{
    IArchiveOpenCallback* open = this;
    return QueryFromTable(iid, object,
                          {{IID_IUnknown, open},
                           {IID_IArchiveOpenCallback, open},
                           {IID_ICryptoGetTextPassword, static_cast<ICryptoGetTextPassword*>(this)},
                           {IID_IArchiveOpenVolumeCallback, static_cast<IArchiveOpenVolumeCallback*>(this)},
                           {IID_IArchiveOpenSetSubArchiveName, static_cast<IArchiveOpenSetSubArchiveName*>(this)}});
}

HRESULT __stdcall OpenCallback::SetTotal(const UINT64*, const UINT64*)
{
    return pending_.Guard([&] { return caller_.OpenGoesOn(); });
}

HRESULT __stdcall OpenCallback::SetCompleted(const UINT64*, const UINT64*)
{
    return pending_.Guard([&] { return caller_.OpenGoesOn(); });
}

HRESULT __stdcall OpenCallback::CryptoGetTextPassword(BSTR* password)
{
    return pending_.Guard([&] { return caller_.AnswerPassword(password); });
}

HRESULT __stdcall OpenCallback::GetProperty(PROPID, PROPVARIANT*)
{
    return S_OK;
}

HRESULT __stdcall OpenCallback::GetStream(const wchar_t*, IInStream**)
{
    return S_OK;
}

HRESULT __stdcall OpenCallback::SetSubArchiveName(const wchar_t*)
{
    return S_OK;
}

// --- Extracting ---

ExtractCallback::ExtractCallback(ArchiveReader& reader, CallerAnswers& caller, ExtractTarget target)
    : reader_(reader), caller_(caller), target_(std::move(target))
{
}

ExtractCallback::~ExtractCallback()
{
    for (auto& [index, file] : std::exchange(createdFiles_, {}))
        Discard(std::move(file));
}

HRESULT __stdcall ExtractCallback::QueryInterface(REFIID iid, void** object)
{
    IArchiveExtractCallback* extract = this;
    return QueryFromTable(iid, object,
                          {{IID_IUnknown, extract},
                           {IID_IArchiveExtractCallback, extract},
                           {IID_IProgress, extract},
                           {IID_ICryptoGetTextPassword, static_cast<ICryptoGetTextPassword*>(this)}});
}

HRESULT __stdcall ExtractCallback::SetTotal(UINT64 total)
{
    return pending_->Guard([&] { return caller_.Progress(1, static_cast<int64_t>(total)); });
}

HRESULT __stdcall ExtractCallback::SetCompleted(const UINT64* completed)
{
    return pending_->Guard([&] { return completed ? caller_.Progress(0, static_cast<int64_t>(*completed)) : S_OK; });
}

HRESULT __stdcall ExtractCallback::CryptoGetTextPassword(BSTR* password)
{
    return pending_->Guard([&] { return caller_.AnswerPassword(password); });
}

HRESULT __stdcall ExtractCallback::GetStream(UINT32 index, ISequentialOutStream** stream, INT32 askMode)
{
    if (!stream)
        return E_POINTER;
    *stream = nullptr;
    currentIndex_ = index;
    if (askMode != kAskModeExtract)
        return S_OK;
    return pending_->Guard([&]() -> HRESULT {
        if (target_.stream) {
            *stream = static_cast<IOutStream*>(new FileStream(*target_.stream, pending_));
            (*stream)->AddRef();
            return S_OK;
        }
        if (!target_.folder.empty() && !reader_.ItemIsFolder(index))
            return CreateTargetFile(index, stream);
        return S_OK;
    });
}

HRESULT ExtractCallback::CreateTargetFile(uint32_t index, ISequentialOutStream** stream)
{
    const std::wstring path = reader_.ItemPath(index);
    RefuseUnsafeEntryPath(path, target_.folder);
    const auto& places = target_.places;
    const std::wstring place = index < places.size() && !places[index].empty() ? places[index] : fs::MapEntryPath(path);
    if (fs::LongestName(place) > kLongestName) {
        tooLong_.insert(index); // skipped: the library reads past it
        return S_OK;
    }
    const std::wstring target = fs::FullPathOf(target_.folder + place);
    folders_.MakeParentOf(target);
    // Ours to hold: the library lets go of the stream before it reports the entry's result.
    auto& file = createdFiles_[index] = CreateFileFor(index, target);
    *stream = static_cast<IOutStream*>(new FileStream(*file, pending_));
    (*stream)->AddRef();
    return S_OK;
}

std::unique_ptr<fs::ByteStream> ExtractCallback::CreateFileFor(uint32_t index, const std::wstring& target)
{
    const auto create = [this](const std::wstring& path, bool exclusive) {
        return target_.provisional ? fs::ByteStream::CreateProvisional(path, exclusive)
                                   : fs::ByteStream::Create(path, exclusive);
    };
    if (!target_.whenTaken)
        return create(target, false);
    try {
        return create(target, true);
    } catch (const win32::Error& e) {
        if (!fs::NameTakenBy(target, e.code()))
            throw;
    }
    const std::wstring elsewhere = target_.whenTaken(index);
    folders_.MakeParentOf(elsewhere);
    return create(elsewhere, false);
}

HRESULT __stdcall ExtractCallback::PrepareOperation(INT32)
{
    return S_OK;
}

HRESULT __stdcall ExtractCallback::SetOperationResult(INT32 result)
{
    return pending_->Guard([&]() -> HRESULT {
        const auto created = createdFiles_.find(currentIndex_);
        if (created != createdFiles_.end()) {
            std::unique_ptr<fs::ByteStream> file = std::move(created->second);
            createdFiles_.erase(created);
            if (result == kResultOk && target_.passing.count(currentIndex_) == 0) {
                if (target_.provisional)
                    file->Keep(); // whole: it keeps its name when it closes, now
                if (target_.whenWhole)
                    target_.whenWhole(currentIndex_, *file);
            } else {
                Discard(std::move(file));
            }
        }
        results_[currentIndex_] = tooLong_.count(currentIndex_) ? kResultNameTooLong : result;
        return S_OK;
    });
}

// A file whose entry did not end in success (damaged, a failed write, or stopped part-way) never
// keeps its name: nobody could tell it from a good one. Each file is written provisionally, so
// closing it removes it; only a success keeps it (SetOperationResult).
void ExtractCallback::Finish()
{
    for (auto& [index, file] : std::exchange(createdFiles_, {}))
        Discard(std::move(file));
    pending_->RaiseIfAny();
}

void ExtractCallback::Discard(std::unique_ptr<fs::ByteStream> file)
{
    const std::wstring path = file->path();
    file.reset(); // a provisional file goes as it closes
    if (!target_.provisional)
        ::DeleteFileW(fs::LongPathForm(path).c_str());
}

} // namespace sevenzip
