// The binding to the 7-Zip archive library: an archive reader that holds the library module,
// opens an archive with the module's handler, lists its entries and extracts them. Every failure
// is raised as win32::Error; no operation returns a result code.
#pragma once

#include "fs/FileFacts.h"
#include "sevenzip/Callbacks.h"
#include "sevenzip/Interfaces.h"
#include "sevenzip/LibraryModule.h"
#include "sevenzip/ReaderCallbacks.h"
#include "win32/Handles.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs {
class ByteStream;
}

namespace sevenzip {

// What ItemResult gives for an entry the last extract call did not report on.
inline constexpr int32_t kResultNotReported = -1;
// An entry that ExtractAllTo did not write: a name in its path is longer than any file system takes.
inline constexpr int32_t kResultNameTooLong = -2;

class ArchiveReader {
public:
    // Loads the library at libraryPath (LibraryModule's errors). The handler for format is made
    // at the first open, so an unsupported format is reported there.
    explicit ArchiveReader(const std::wstring& libraryPath, const GUID& format = CLSID_Format7z);
    // The handler goes (and lets go of the archive) before the module; the password is wiped.
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    // The archive starts within the first searchWindow bytes of the file or stream (0: at its start).
    void OpenArchiveFile(const std::wstring& path, uint64_t searchWindow = 0);
    void OpenArchiveStream(IInStream* stream, uint64_t searchWindow = 0);
    void CloseArchive();

    uint32_t ItemCount();
    // An index past the last entry reads as empty.
    std::wstring ItemPath(uint32_t index);
    uint64_t ItemSize(uint32_t index);
    bool ItemIsFolder(uint32_t index);
    // The entry's stored times and attributes (those it has).
    fs::FileFacts ItemFacts(uint32_t index);

    // Writes the entry at the stream's current position; the stream stays the caller's.
    void ExtractItemToStream(uint32_t index, fs::ByteStream& stream, bool test);
    // Writes every file entry below folder, replacing existing files (see whenTaken): at places[index] (a path
    // relative to folder) where the caller gives one, else at the entry's own path mapped as
    // Windows holds names. An entry with a name longer than a file system takes is not written
    // (its result is kResultNameTooLong). Raises after the library has finished when an entry
    // failed (naming the first), and refuses paths that would leave folder. Each file stands under
    // its name only once its entry has come out whole (with provisional, even when the process
    // dies: see ByteStream::CreateProvisional); the files of the entries in passing are written and
    // checked like the others, then go. With whenTaken, no file is created over anything that
    // stands at its name: such an entry goes where whenTaken says (see TakenNameHandler);
    // whenWhole takes each file that came out whole before it closes (WholeFileHandler).
    void ExtractAllTo(const std::wstring& folder, const std::vector<std::wstring>& places = {},
                      const std::set<uint32_t>& passing = {}, bool provisional = true,
                      const TakenNameHandler& whenTaken = {}, const WholeFileHandler& whenWhole = {});
    // The library's result for the entry in the last extract call (OperationResult), or
    // kResultNotReported.
    int32_t ItemResult(uint32_t index) const;

    void SetPasswordSource(void* context, PasswordCallback callback) { caller_.SetPasswordSource(context, callback); }
    void SetPassword(const std::wstring& password) { caller_.SetPassword(password); }
    void SetProgressSink(void* context, ProgressCallback callback) { caller_.SetProgressSink(context, callback); }
    // What the library hears from the reader's caller while it works.
    CallerAnswers& Caller() { return caller_; }

private:
    // Runs one extract call with its own callback object and raises what went wrong: first an
    // error kept from a callback, then the library's result.
    void RunExtract(const uint32_t* indices, uint32_t count, bool test, ExtractTarget target);
    void RefuseDamagedArchive(IInStream* stream);
    // An archive property as a number; 0 when the handler has none.
    uint64_t ArchiveNumber(PROPID property);
    void ReadProperty(uint32_t index, PROPID property, win32::PropVariant& value);

    LibraryModule module_;
    GUID format_;
    win32::ComPtr<IInArchive> archive_;
    CallerAnswers caller_;
    std::map<uint32_t, int32_t> results_; // of the last extract call
};

// Raises an error naming the entry when path (from an archive) would leave folder once joined to it.
void RefuseUnsafeEntryPath(const std::wstring& path, const std::wstring& folder);

} // namespace sevenzip
