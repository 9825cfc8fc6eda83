// Real files and folders for tests: a fresh folder under the temporary folder, removed with
// everything in it (read-only files included) when the test ends.
#pragma once

#include <windows.h>

#include "win32/Error.h"
#include "win32/Handles.h"

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

inline bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline void WriteFile(const std::wstring& path, const std::string& content = "x", DWORD attributes = 0)
{
    {
        const win32::FileHandle file(
            ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            throw std::runtime_error("cannot create a test file");
        DWORD written = 0;
        ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    }
    if (attributes)
        ::SetFileAttributesW(path.c_str(), attributes);
}

class ScratchFolder {
public:
    ScratchFolder()
    {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        wchar_t name[MAX_PATH];
        if (!::GetTempFileNameW(temp, L"tst", 0, name))
            throw std::runtime_error("no scratch folder can be made in the temporary folder");
        ::DeleteFileW(name);
        ::CreateDirectoryW(name, nullptr);
        path_ = std::wstring(name) + L"\\";
    }
    ~ScratchFolder() { Remove(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder's path, ending in "\".
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& relative) const { return path_ + relative; }

    static void Remove(const std::wstring& path)
    {
        std::error_code ignored;
        for (auto it = std::filesystem::recursive_directory_iterator(path, ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
            ::SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
        std::filesystem::remove_all(path, ignored);
    }

private:
    std::wstring path_;
};

} // namespace testing_support

namespace testing_support {

// A Unix path as the test program under Wine sees it: drive Z: is the root.
inline std::wstring WinePath(const std::string& unixPath)
{
    std::wstring path = L"Z:";
    for (char c : unixPath)
        path += (c == '/') ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

// A file of the source tree.
inline std::wstring SourceFile(const std::string& relative)
{
    return WinePath(std::string(UNZIP_SOURCE_DIR) + "/" + relative);
}

// A file of the build tree.
inline std::wstring BuildFile(const std::string& relative)
{
    return WinePath(std::string(UNZIP_BUILD_DIR) + "/" + relative);
}

inline std::string ReadAll(const std::wstring& path)
{
    const win32::FileHandle file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return "<missing>";
    std::string content;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got)
        content.append(buffer, got);
    return content;
}

// The message of the error that action raises, or "<no error>".
inline std::wstring MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const win32::Error& e) {
        return e.message();
    }
    return L"<no error>";
}

// Every file below folder (relative paths, "\"-separated) with its bytes.
inline std::map<std::wstring, std::string> FilesBelow(const std::wstring& folder)
{
    std::map<std::wstring, std::string> files;
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_regular_file())
            files[it->path().lexically_relative(folder).wstring()] = ReadAll(it->path().wstring());
    }
    return files;
}

inline std::vector<std::wstring> FoldersBelow(const std::wstring& folder)
{
    std::vector<std::wstring> folders;
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory())
            folders.push_back(it->path().lexically_relative(folder).wstring());
    }
    return folders;
}

// The files that the fixture packages good.exe and its kind hold (tests/job/make-packages), by
// path, as FilesBelow gives them.
inline const std::map<std::wstring, std::string>& InputFiles()
{
    static const auto files = FilesBelow(BuildFile("test-packages/input/"));
    return files;
}

} // namespace testing_support
