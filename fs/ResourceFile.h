// Writing a resource of the program file out to a file of its own.
#pragma once

#include "win32/Handles.h"

#include <string>

namespace fs {

// Writes every byte of the resource (type, name; names match whatever their case) of the
// program's own module to path, replacing any file there. Raises "Resource NAME not found",
// "Cannot create file "PATH". REASON" or "Cannot write file "PATH". REASON"; a file that could
// not be written whole is removed.
void SaveResourceToFile(const std::wstring& name, const std::wstring& type, const std::wstring& path);

// The same, and then holds the file: the returned handle lets others read it but not change,
// replace or delete it, and the bytes are checked to be the resource's after the handle was
// taken. Raises as SaveResourceToFile, or "File "PATH" was changed by another program".
win32::FileHandle SaveResourceToHeldFile(const std::wstring& name, const std::wstring& type,
                                         const std::wstring& path);

} // namespace fs
