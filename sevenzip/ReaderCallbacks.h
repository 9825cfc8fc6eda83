// The objects the archive library calls back while the reader works: one for an open, one for
// each extract call, and what the reader's caller answers through them (progress, password).
#pragma once

#include "fs/FileOps.h"
#include "sevenzip/Callbacks.h"
#include "sevenzip/Interfaces.h"
#include "sevenzip/PendingError.h"
#include "sevenzip/RefCounted.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fs {
class ByteStream;
}

namespace sevenzip {

class ArchiveReader;

// The reader's caller as the library hears it: the progress sink, and the password, given or
// asked for once from the password source.
class CallerAnswers {
public:
    ~CallerAnswers();
    void SetPasswordSource(void* context, PasswordCallback callback);
    // An empty password counts as none: the source is asked.
    void SetPassword(const std::wstring& password);
    void SetProgressSink(void* context, ProgressCallback callback);
    // The archive closed: a new one asks for its own password.
    void ForgetPassword() { havePassword_ = false; }

    // As the library asks: a copy of the password; S_FALSE with nobody to ask; the source's
    // answer when it declines.
    HRESULT AnswerPassword(BSTR* password);
    // A total (isTotal 1) or the bytes done (0): S_OK to go on, the sink's answer otherwise.
    HRESULT Progress(int32_t isTotal, int64_t value);
    // Whether a running open may go on: E_ABORT once the sink says stop.
    HRESULT OpenGoesOn();

private:
    PasswordCallback passwordCallback_ = nullptr;
    void* passwordContext_ = nullptr;
    ProgressCallback progressCallback_ = nullptr;
    void* progressContext_ = nullptr;
    bool havePassword_ = false;
    std::wstring password_;
};

// Where the file of an entry goes whose name in the folder was taken when it came to be written
// (a file that another program made there since the caller looked): a full path of the caller's.
// Given, no file is created over anything that stands at its name; not given, an existing file
// is replaced.
using TakenNameHandler = std::function<std::wstring(uint32_t index)>;

// Called with the file of each entry that has come out whole, still open and before it closes:
// the last steps of a file (its times, its attributes) go here. What it raises fails the extract
// call once the library has returned.
using WholeFileHandler = std::function<void(uint32_t index, fs::ByteStream& file)>;

// Where one extract call writes: one entry into the caller's stream, or the file entries below a
// folder (see ArchiveReader::ExtractAllTo).
struct ExtractTarget {
    fs::ByteStream* stream = nullptr;
    std::wstring folder; // ending in "\"
    std::vector<std::wstring> places;
    std::set<uint32_t> passing;
    bool provisional = true;
    TakenNameHandler whenTaken;
    WholeFileHandler whenWhole;
};

// For opening: reports nothing, but stops when the caller says so; no further volumes.
class OpenCallback : public IArchiveOpenCallback,
                     public ICryptoGetTextPassword,
                     public IArchiveOpenVolumeCallback,
                     public IArchiveOpenSetSubArchiveName,
                     protected RefCounted {
public:
    OpenCallback(CallerAnswers& caller, PendingError& pending) : caller_(caller), pending_(pending) {}

    HRESULT __stdcall QueryInterface(REFIID iid, void** object) override;
    SEVENZIP_COUNTED_OBJECT

    HRESULT __stdcall SetTotal(const UINT64* files, const UINT64* bytes) override;
    HRESULT __stdcall SetCompleted(const UINT64* files, const UINT64* bytes) override;
    HRESULT __stdcall CryptoGetTextPassword(BSTR* password) override;
    HRESULT __stdcall GetProperty(PROPID property, PROPVARIANT* value) override;
    HRESULT __stdcall GetStream(const wchar_t* name, IInStream** stream) override;
    HRESULT __stdcall SetSubArchiveName(const wchar_t* name) override;

private:
    CallerAnswers& caller_;
    PendingError& pending_;
};

// For one extract call: hands the library a stream for each entry, keeps each entry's result,
// and keeps or removes each file it created by that result.
class ExtractCallback : public IArchiveExtractCallback, public ICryptoGetTextPassword, protected RefCounted {
public:
    ExtractCallback(ArchiveReader& reader, CallerAnswers& caller, ExtractTarget target);
    ~ExtractCallback() override;

    HRESULT __stdcall QueryInterface(REFIID iid, void** object) override;
    SEVENZIP_COUNTED_OBJECT

    HRESULT __stdcall SetTotal(UINT64 total) override;
    HRESULT __stdcall SetCompleted(const UINT64* completed) override;
    HRESULT __stdcall GetStream(UINT32 index, ISequentialOutStream** stream, INT32 askMode) override;
    HRESULT __stdcall PrepareOperation(INT32 askMode) override;
    HRESULT __stdcall SetOperationResult(INT32 result) override;
    HRESULT __stdcall CryptoGetTextPassword(BSTR* password) override;

    // Once the library has returned: removes the files of entries that did not end (a file
    // stands under its name only once whole) and raises an error kept from a callback.
    void Finish();
    const std::map<uint32_t, int32_t>& Results() const { return results_; }

private:
    HRESULT CreateTargetFile(uint32_t index, ISequentialOutStream** stream);
    // The file of the entry at target, or where whenTaken says when target's name is taken.
    std::unique_ptr<fs::ByteStream> CreateFileFor(uint32_t index, const std::wstring& target);
    // Closes the file of an entry that did not come out whole, which removes it.
    void Discard(std::unique_ptr<fs::ByteStream> file);

    ArchiveReader& reader_;
    CallerAnswers& caller_;
    const ExtractTarget target_;
    SharedPendingError pending_ = std::make_shared<PendingError>(); // shared with the streams
    uint32_t currentIndex_ = 0;
    std::map<uint32_t, int32_t> results_;
    std::set<uint32_t> tooLong_; // entries not written: a name too long
    // Files being written, until their entry's result keeps or removes them.
    std::map<uint32_t, std::unique_ptr<fs::ByteStream>> createdFiles_;
    fs::FolderChainMaker folders_;
};

} // namespace sevenzip
