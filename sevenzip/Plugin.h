// The loaded library module and the format it will make a handler for.
#pragma once

#include "sevenzip/Interfaces.h"
#include "sevenzip/RefCounted.h"
#include "win32/Handles.h"

#include <string>

// The library module, loaded from a path, with its CreateObject entry point. Unloaded when the
// last reference goes.
class T7zPlugin : public IUnknown, protected sevenzip::RefCounted {
public:
    // Raises "Error loading library PATH" or "PATH is not a 7z library".
    explicit T7zPlugin(const std::wstring& libraryPath);

    HRESULT __stdcall QueryInterface(REFIID iid, void** object) override;
    SEVENZIP_COUNTED_OBJECT

    // Asks the library for an object; raises the system's text for a negative result.
    void CreateLibraryObject(const GUID& classId, const GUID& interfaceId, void** object);

protected:
    win32::ModuleHandle hLibrary;
    sevenzip::CreateObjectFunc createObject_ = nullptr;
};

// A library that also describes formats, and the class id of the handler to make.
class T7zArchive : public T7zPlugin {
public:
    // Raises the errors of T7zPlugin, or "PATH is not a Format library".
    explicit T7zArchive(const std::wstring& libraryPath);

protected:
    sevenzip::GetHandlerPropertyFunc getHandlerProperty_ = nullptr;
    GUID guidClass{};
};
