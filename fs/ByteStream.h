// A seekable byte stream over a file. Reads and writes report how much they did (0 at the end of
// the file or on an error); opening and setting the size raise errors.
#pragma once

#include "win32/Handles.h"

#include <cstdint>
#include <memory>
#include <string>

class ByteStream {
public:
    enum Origin : uint32_t { FromStart = 0, FromCurrent = 1, FromEnd = 2 };

    // A new empty file for reading and writing, shared with nobody; an existing file of that name
    // is replaced. Raises "Cannot create file "path". reason".
    static std::unique_ptr<ByteStream> Create(const std::wstring& path);

    // The same for a file of the program's own that must not outlive its handle: the system
    // deletes it when the stream is closed, however the process ends (killed, crashed).
    static std::unique_ptr<ByteStream> CreateTemporary(const std::wstring& path);

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

    const std::wstring& path() const { return path_; }

private:
    ByteStream(win32::FileHandle file, std::wstring path);

    win32::FileHandle file_;
    std::wstring path_;
};
