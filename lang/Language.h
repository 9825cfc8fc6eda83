// The language of the texts: one of nine language files, chosen by the system's language and
// written into the working folder; every visible text is looked up in it by key.
#pragma once

#include "win32/Error.h"

#include <windows.h>

#include <exception>
#include <string>
#include <vector>

namespace lang {

// The resource name of the language file for a system language id.
const wchar_t* LanguageResourceFor(LANGID language);

// Writes the language file for the system's default language into workFolder (ending in "\\") as
// "en.txt", whatever the language, and uses it. Raises the errors of SaveResourceToFile.
void DeployLanguageFile(const std::wstring& workFolder);

// The text of key in section of the language file at path (a relative path is also looked for
// in the program's folder); "???" when the file, the section or the key is missing or empty.
std::wstring ReadLangText(const std::wstring& path, const std::wstring& section, const std::wstring& key);

// Makes path the language file that LangText reads; an empty path reads nothing ("???").
void UseLanguageFile(const std::wstring& path);

// The text of key in section "Main" of the language file in use.
std::wstring LangText(const std::wstring& key);

// The text of key with "{0}", "{1}"... replaced by args; fallback when the file does not have it.
std::wstring LangText(const std::wstring& key, const std::vector<std::wstring>& args, const std::wstring& fallback);

// A text with every "{0}" removed and the blanks at both ends trimmed: for the texts whose
// placeholder the program leaves empty.
std::wstring WithoutPlaceholders(const std::wstring& text);

// What anything raised says to a person, the one way from an exception to what they read: one of
// the program's errors gives its reason from the language file with "{0}", "{1}"... replaced by
// its arguments (its message when it has no reason or the file does not have it); anything else
// a plain English text.
std::wstring ErrorText(std::exception_ptr error);

} // namespace lang
