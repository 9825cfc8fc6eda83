// A seekable byte stream over a file. Reads and writes report how much they did (0 at the end of
// the file or on an error); opening and setting the size raise errors.
#pragma once

#include "win32/Handles.h"

#include <cstdint>
#include <memory>
#include <string>

namespace fs {

// Gives the open file (opened with DELETE access) a new name, a full path on the same volume,
// over an existing file when replace says so, in one step. Answers the system's error code, or
// ERROR_SUCCESS (ERROR_NOT_SAME_DEVICE when the path lies on another volume).
DWORD RenameOpenFile(HANDLE file, const std::wstring& newPath, bool replace);

class ByteStream {
public:
    enum Origin : uint32_t { FromStart = 0, FromCurrent = 1, FromEnd = 2 };

    // A new empty file for reading and writing, shared with nobody; an existing file of that name
    // is replaced, or with exclusive refused (FileError with ERROR_FILE_EXISTS). Raises "Cannot
    // create file "path". reason".
    static std::unique_ptr<ByteStream> Create(const std::wstring& path, bool exclusive = false);

    // The same for a file of the program's own that must not outlive its handle: the system
    // deletes it when the stream is closed, however the process ends (killed, crashed).
    static std::unique_ptr<ByteStream> CreateTemporary(const std::wstring& path);

    // A new file under its final name that counts only once it is whole: until Keep() the system
    // deletes it when the stream closes, however the process ends (killed, crashed). A power cut
    // is not such an end: the file may stay, partly written, under its name. An existing file of that name is replaced; with exclusive, an
    // existing name is refused (FileError with ERROR_FILE_EXISTS) and nothing is touched.
    static std::unique_ptr<ByteStream> CreateProvisional(const std::wstring& path, bool exclusive = false);

    // An existing file for reading; others may read it too, but not change it.
    // Raises "Cannot open file "path". reason".
    static std::unique_ptr<ByteStream> OpenRead(const std::wstring& path);

    uint32_t Read(void* buffer, uint32_t size);
    uint32_t Write(const void* data, uint32_t size);
    // Writes all of data or raises "Cannot write file "path". reason" (a full disk among them).
    void WriteAll(const void* data, uint32_t size);
    // Moves the position; returns false (position unchanged) when the system refuses.
    bool Seek(int64_t offset, Origin origin);
    uint64_t Position() const;
    uint64_t Size() const;
    // Ends the file at newSize; raises the system's error when it cannot.
    void SetSize(uint64_t newSize);

    // The provisional file stays when the stream closes; raises the system's error when it cannot.
    void Keep();
    // Undoes Keep(): the file goes when the stream closes, if the system allows it.
    void Discard() noexcept;
    // Writes what the system holds of the file to the disk; raises the system's error when it cannot.
    void Flush();
    // Gives the open file a new name (a full path on the same volume), over an existing file
    // when replace says so, in one step. Raises the system's error when it cannot.
    void Rename(const std::wstring& newPath, bool replace);

    const std::wstring& path() const { return path_; }
    // For the system calls that finish a file (its times, its attributes).
    HANDLE handle() const { return file_.get(); }

private:
    ByteStream(win32::FileHandle file, std::wstring path);

    win32::FileHandle file_;
    std::wstring path_;
};

} // namespace fs
