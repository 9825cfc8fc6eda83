#include "fs/ResourceFile.h"

#include "fs/ByteStream.h"
#include "win32/Error.h"

#include <windows.h>

void SaveResourceToFile(const std::wstring& name, const std::wstring& type, const std::wstring& path)
{
    HMODULE self = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(self, name.c_str(), type.c_str());
    if (!resource)
        throw win32::Error(L"Resource " + name + L" not found");
    const DWORD size = ::SizeofResource(self, resource);
    const void* bytes = ::LockResource(::LoadResource(self, resource));

    auto file = ByteStream::Create(path);
    if (file->Write(bytes, size) != size)
        throw win32::Error(L"Stream write error");
}
