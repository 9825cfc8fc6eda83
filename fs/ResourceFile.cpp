#include "fs/ResourceFile.h"

#include "fs/ByteStream.h"
#include "fs/Paths.h"
#include "win32/Error.h"

#include <windows.h>

#include <cstring>
#include <string_view>
#include <vector>

namespace fs {

namespace {

std::string_view ResourceBytes(const std::wstring& name, const std::wstring& type)
{
    HMODULE self = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(self, name.c_str(), type.c_str());
    if (!resource)
        throw win32::Error(L"Resource " + name + L" not found");
    const DWORD size = ::SizeofResource(self, resource);
    const char* bytes = static_cast<const char*>(::LockResource(::LoadResource(self, resource)));
    return std::string_view(bytes, size);
}

// Writes bytes to a new file at path; a file that cannot be written whole is removed again.
void WriteAll(const std::string_view bytes, const std::wstring& path)
{
    auto file = ByteStream::Create(path);
    try {
        file->WriteAll(bytes.data(), static_cast<uint32_t>(bytes.size()));
    } catch (...) {
        file.reset();
        ::DeleteFileW(fs::LongPathForm(path).c_str());
        throw;
    }
}

} // namespace

void SaveResourceToFile(const std::wstring& name, const std::wstring& type, const std::wstring& path)
{
    WriteAll(ResourceBytes(name, type), path);
}

win32::FileHandle SaveResourceToHeldFile(const std::wstring& name, const std::wstring& type,
                                         const std::wstring& path)
{
    const std::string_view bytes = ResourceBytes(name, type);
    WriteAll(bytes, path);

    win32::FileHandle held(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held)
        throw win32::FileError(L"Cannot open file", path, ::GetLastError());
    // Between writing and holding, the file was briefly free: make sure it is still ours.
    std::vector<char> content(bytes.size() + 1);
    DWORD got = 0;
    if (!::ReadFile(held.get(), content.data(), static_cast<DWORD>(content.size()), &got, nullptr) ||
        got != bytes.size() || std::memcmp(content.data(), bytes.data(), bytes.size()) != 0)
        throw win32::Error(L"File \"" + path + L"\" was changed by another program");
    return held;
}

} // namespace fs
