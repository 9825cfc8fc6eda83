// The program's texts in a test: one of the language files it carries, made the one in use.
#pragma once

#include "fs/ResourceFile.h"
#include "lang/Language.h"
#include "support/TestFiles.h"

#include <string>

namespace testing_support {

// Writes the language file of resource (say L"Lang_English") into scratch and uses it.
inline void UseLanguage(const ScratchFolder& scratch, const wchar_t* resource)
{
    const std::wstring file = scratch / (std::wstring(resource) + L".txt");
    SaveResourceToFile(resource, L"FILE", file);
    UseLanguageFile(file);
}

} // namespace testing_support
