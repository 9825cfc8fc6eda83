// Writing a resource of the program file out to a file of its own.
#pragma once

#include <string>

// Writes every byte of the resource (type, name; names match whatever their case) of the
// program's own module to path, replacing any file there. Raises "Resource NAME not found",
// "Cannot create file "PATH". REASON" or "Stream write error".
void SaveResourceToFile(const std::wstring& name, const std::wstring& type, const std::wstring& path);
