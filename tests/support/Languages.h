// The program's texts in a test: one of the language files it carries, in use for a scope.
#pragma once

#include "fs/ResourceFile.h"
#include "lang/Language.h"
#include "support/TestFiles.h"

#include <string>

namespace testing_support {

// Writes the language file of resource (say L"Lang_English") into scratch and uses it until the
// object goes, whichever way the test leaves (an assertion that returns early included); then no
// file is in use, as at the start of every test.
class [[nodiscard]] UseLanguage {
public:
    UseLanguage(const ScratchFolder& scratch, const wchar_t* resource)
    {
        const std::wstring file = scratch / (std::wstring(resource) + L".txt");
        fs::SaveResourceToFile(resource, L"FILE", file);
        lang::UseLanguageFile(file);
    }
    ~UseLanguage() { lang::UseLanguageFile(L""); }
    UseLanguage(const UseLanguage&) = delete;
    UseLanguage& operator=(const UseLanguage&) = delete;
};

} // namespace testing_support
