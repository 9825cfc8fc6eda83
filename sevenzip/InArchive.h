// The archive reader: opens an archive with the library's handler, lists and extracts its
// entries, and is itself the callback object the library talks to meanwhile.
#pragma once

#include "fs/FileOps.h"
#include "sevenzip/Plugin.h"
#include "sevenzip/Stream.h"
#include "sevenzip/sevenzip.h"

#include <map>
#include <set>

class T7zInArchive : public T7zArchive,
                     public I7zArchiveReader,
                     public sevenzip::IArchiveOpenCallback,
                     public sevenzip::IArchiveExtractCallback,
                     public sevenzip::ICryptoGetTextPassword,
                     public sevenzip::IArchiveOpenVolumeCallback,
                     public sevenzip::IArchiveOpenSetSubArchiveName {
public:
    explicit T7zInArchive(const std::wstring& libraryPath);
    ~T7zInArchive() override;

    HRESULT __stdcall QueryInterface(REFIID iid, void** object) override;
    SEVENZIP_COUNTED_OBJECT

    // I7zArchiveReader
    void OpenArchiveFile(const std::wstring& path, uint64_t searchWindow = 0) override;
    void OpenArchiveStream(sevenzip::IInStream* stream, uint64_t searchWindow = 0) override;
    void CloseArchive() override;
    uint32_t ItemCount() override;
    std::wstring ItemPath(uint32_t index) override;
    std::wstring ItemName(uint32_t index) override;
    uint64_t ItemSize(uint32_t index) override;
    bool ItemIsFolder(uint32_t index) override;
    win32::ComPtr<sevenzip::IInArchive> InnerArchive() override;
    void ExtractItemToStream(uint32_t index, ByteStream& stream, bool test) override;
    void ExtractItems(const uint32_t* indices, uint32_t count, bool test, void* context,
                      ItemStreamCallback callback) override;
    void ExtractAll(bool test, void* context, ItemStreamCallback callback) override;
    void ExtractAllTo(const std::wstring& folder, const std::vector<std::wstring>& places = {},
                      const std::set<uint32_t>& passing = {}, bool provisional = true) override;
    void SetPasswordSource(void* context, PasswordCallback callback) override;
    void SetPassword(const std::wstring& password) override;
    void SetProgressSink(void* context, ProgressCallback callback) override;
    void SetClassId(const GUID& classId) override;
    GUID ClassId() override;
    int32_t ItemResult(uint32_t index) override;

    // IArchiveOpenCallback: opening reports no progress but asks whether to go on.
    HRESULT __stdcall SetTotal(const UINT64* files, const UINT64* bytes) override;
    HRESULT __stdcall SetCompleted(const UINT64* files, const UINT64* bytes) override;

    // IProgress and IArchiveExtractCallback
    HRESULT __stdcall SetTotal(UINT64 total) override;
    HRESULT __stdcall SetCompleted(const UINT64* completed) override;
    HRESULT __stdcall GetStream(UINT32 index, sevenzip::ISequentialOutStream** stream, INT32 askMode) override;
    HRESULT __stdcall PrepareOperation(INT32 askMode) override;
    HRESULT __stdcall SetOperationResult(INT32 result) override;

    // ICryptoGetTextPassword
    HRESULT __stdcall CryptoGetTextPassword(BSTR* password) override;

    // IArchiveOpenVolumeCallback and IArchiveOpenSetSubArchiveName: no further volumes.
    HRESULT __stdcall GetProperty(PROPID property, PROPVARIANT* value) override;
    HRESULT __stdcall GetStream(const wchar_t* name, sevenzip::IInStream** stream) override;
    HRESULT __stdcall SetSubArchiveName(const wchar_t* name) override;

private:
    // Runs one extract call with what the caller installed, clears it again, and raises what
    // went wrong: first an error kept from a callback, then the library's result.
    void RunExtract(const uint32_t* indices, uint32_t count, bool test);
    HRESULT CreateTargetFile(uint32_t index, sevenzip::ISequentialOutStream** stream);
    HRESULT AnswerPassword(BSTR* password);
    void RemoveUnfinishedFiles();
    // Closes the file of an entry that did not come out whole, which removes it.
    void Discard(std::unique_ptr<ByteStream> file);
    void RefuseDamagedArchive(sevenzip::IInStream* stream);
    // An archive property as a number; 0 when the handler has none.
    uint64_t ArchiveNumber(PROPID property);
    // Asks the progress sink whether a running open may go on.
    HRESULT OpenGoesOn();
    // Runs a callback's work so that no error unwinds into the library: an error is kept for the
    // caller (raised again once the library returns) and the library hears E_FAIL.
    template <class Call>
    HRESULT Guarded(Call call) noexcept;
    void ReadProperty(uint32_t index, PROPID property, win32::PropVariant& value);

    win32::ComPtr<sevenzip::IInArchive> archive_;
    PasswordCallback passwordCallback_ = nullptr;
    void* passwordContext_ = nullptr;
    ProgressCallback progressCallback_ = nullptr;
    void* progressContext_ = nullptr;
    ByteStream* itemStream_ = nullptr;
    bool havePassword_ = false;
    std::wstring password_;
    ItemStreamCallback itemStreamCallback_ = nullptr;
    void* itemStreamContext_ = nullptr;
    std::wstring extractFolder_;
    std::vector<std::wstring> places_;                // ExtractAllTo's places, by index
    std::set<uint32_t> tooLong_;                      // entries not written: a name too long
    std::set<uint32_t> passing_;                      // entries whose files go once checked
    bool provisional_ = true;                         // files the system removes if the process dies

    uint32_t currentIndex_ = 0;
    std::map<uint32_t, int32_t> results_; // of the last extract call
    // Files ExtractAllTo is writing, until their entry's result keeps or removes them.
    std::map<uint32_t, std::unique_ptr<ByteStream>> createdFiles_;
    fs::FolderChainMaker folders_;                   // the folders ExtractAllTo has made
    SharedPendingError pending_ = std::make_shared<PendingError>();
};
