#include "sevenzip/Plugin.h"

#include "sevenzip/QueryTable.h"
#include "sevenzip/sevenzip.h"
#include "win32/Error.h"

T7zPlugin::T7zPlugin(const std::wstring& libraryPath)
{
    win32::ModuleHandle module(::LoadLibraryW(libraryPath.c_str()));
    if (!module)
        throw win32::Error(L"Error loading library " + libraryPath);
    auto createObject = reinterpret_cast<sevenzip::CreateObjectFunc>(
        reinterpret_cast<void*>(::GetProcAddress(module.get(), "CreateObject")));
    if (!createObject)
        throw win32::Error(libraryPath + L" is not a 7z library"); // unloads the module
    hLibrary = std::move(module);
    createObject_ = createObject;
}

HRESULT __stdcall T7zPlugin::QueryInterface(REFIID iid, void** object)
{
    return sevenzip::QueryFromTable(iid, object, {{IID_IUnknown, this}});
}

void T7zPlugin::CreateLibraryObject(const GUID& classId, const GUID& interfaceId, void** object)
{
    const HRESULT result = createObject_(&classId, &interfaceId, object);
    if (result < 0)
        throw win32::Error(ResultText(result));
}

T7zArchive::T7zArchive(const std::wstring& libraryPath) : T7zPlugin(libraryPath)
{
    getHandlerProperty_ = reinterpret_cast<sevenzip::GetHandlerPropertyFunc>(
        reinterpret_cast<void*>(::GetProcAddress(hLibrary.get(), "GetHandlerProperty")));
    if (!getHandlerProperty_) {
        hLibrary.reset(); // unloaded here, and only here
        throw win32::Error(libraryPath + L" is not a Format library");
    }
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
