// The binding to the 7-Zip archive library: an archive reader made from the library module at a
// path. Every failure is raised as win32::Error; no operation returns a result code.
#pragma once

#include "sevenzip/Callbacks.h"
#include "sevenzip/Interfaces.h"
#include "win32/Handles.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

class ByteStream;

// Supplies the output stream for an entry during ExtractItems and ExtractAll.
using ItemStreamCallback = HRESULT (*)(void* context, uint32_t index, sevenzip::ISequentialOutStream** stream);

// The reader's own interface id.
inline constexpr GUID IID_I7zArchiveReader = {0x022CF785, 0x3ECE, 0x46EF, {0x97, 0x55, 0x29, 0x1F, 0xA8, 0x4C, 0xC6, 0xC9}};

// What ItemResult gives for an entry the last extract call did not report on.
inline constexpr int32_t kResultNotReported = -1;
// An entry that ExtractAllTo did not write: a name in its path is longer than any file system takes.
inline constexpr int32_t kResultNameTooLong = -2;

struct I7zArchiveReader : IUnknown {
    // The archive starts within the first searchWindow bytes of the file or stream (0: at its start).
    virtual void OpenArchiveFile(const std::wstring& path, uint64_t searchWindow = 0) = 0;
    virtual void OpenArchiveStream(sevenzip::IInStream* stream, uint64_t searchWindow = 0) = 0;
    virtual void CloseArchive() = 0;
    virtual uint32_t ItemCount() = 0;
    virtual std::wstring ItemPath(uint32_t index) = 0;
    virtual std::wstring ItemName(uint32_t index) = 0;
    virtual uint64_t ItemSize(uint32_t index) = 0;
    virtual bool ItemIsFolder(uint32_t index) = 0;
    virtual win32::ComPtr<sevenzip::IInArchive> InnerArchive() = 0;
    // Writes the entry at the stream's current position; the stream stays the caller's.
    virtual void ExtractItemToStream(uint32_t index, ByteStream& stream, bool test) = 0;
    virtual void ExtractItems(const uint32_t* indices, uint32_t count, bool test, void* context,
                              ItemStreamCallback callback) = 0;
    virtual void ExtractAll(bool test, void* context, ItemStreamCallback callback) = 0;
    // Writes every file entry below folder, replacing existing files: at places[index] (a path
    // relative to folder) where the caller gives one, else at the entry's own path mapped as
    // Windows holds names. An entry with a name longer than a file system takes is not written
    // (its result is kResultNameTooLong). Raises after the library has finished when an entry
    // failed (naming the first), and refuses paths that would leave folder. Each file stands under
    // its name only once its entry has come out whole (with provisional, even when the process
    // dies: see ByteStream::CreateProvisional); the files of the entries in passing are written and
    // checked like the others, then go.
    virtual void ExtractAllTo(const std::wstring& folder, const std::vector<std::wstring>& places = {},
                              const std::set<uint32_t>& passing = {}, bool provisional = true) = 0;
    virtual void SetPasswordSource(void* context, PasswordCallback callback) = 0;
    virtual void SetPassword(const std::wstring& password) = 0;
    virtual void SetProgressSink(void* context, ProgressCallback callback) = 0;
    virtual void SetClassId(const GUID& classId) = 0;
    virtual GUID ClassId() = 0;
    // The library's result for the entry in the last extract call (sevenzip::OperationResult),
    // or kResultNotReported.
    virtual int32_t ItemResult(uint32_t index) = 0;
};

// Loads the library at libraryPath and makes a reader for the format classId. The handler itself
// is made at the first open, so an unsupported class id is reported there.
win32::ComPtr<I7zArchiveReader> CreateInArchive(const GUID& classId, const std::wstring& libraryPath);

// Raises an error naming the entry when path (from an archive) would leave folder once joined to it.
void RefuseUnsafeEntryPath(const std::wstring& path, const std::wstring& folder);

// Raises an error with the system's text for code unless code is 0.
void CheckResult(HRESULT code);

// The system's text for a result code, without trailing blanks and full stops; empty when the
// system has none.
std::wstring ResultText(HRESULT code);
