#include "sevenzip/LibraryModule.h"

#include "win32/Error.h"

namespace sevenzip {

namespace {

void* EntryPoint(HMODULE module, const char* name)
{
    return reinterpret_cast<void*>(::GetProcAddress(module, name));
}

} // namespace

LibraryModule::LibraryModule(const std::wstring& libraryPath)
{
    win32::ModuleHandle module(::LoadLibraryW(libraryPath.c_str()));
    if (!module)
        throw win32::Error(L"Error loading library " + libraryPath);
    // Refused modules are unloaded once, by their owner here.
    createObject_ = reinterpret_cast<CreateObjectFunc>(EntryPoint(module.get(), "CreateObject"));
    if (!createObject_)
        throw win32::Error(libraryPath + L" is not a 7z library");
    if (!EntryPoint(module.get(), "GetHandlerProperty"))
        throw win32::Error(libraryPath + L" is not a Format library");
    module_ = std::move(module);
}

void LibraryModule::CreateObject(const GUID& classId, const GUID& interfaceId, void** object) const
{
    const HRESULT result = createObject_(&classId, &interfaceId, object);
    if (result < 0)
        throw win32::Error(ResultText(result));
}

std::wstring ResultText(HRESULT code)
{
    std::wstring text = win32::SystemErrorText(static_cast<DWORD>(code));
    while (!text.empty() && (text.back() < 33 || text.back() == L'.'))
        text.pop_back();
    return text;
}

void CheckResult(HRESULT code)
{
    if (code != S_OK)
        throw win32::Error(ResultText(code));
}

} // namespace sevenzip
