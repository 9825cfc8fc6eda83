// Deploys the language file into the folder given as the argument, as the program does at start,
// and prints the system language id it went by.
#include "fs/Paths.h"
#include "lang/Language.h"
#include "win32/Error.h"

#include <cstdio>

using namespace lang;

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: deploy_language FOLDER\\\n");
        return 2;
    }
    try {
        DeployLanguageFile(fs::WithTrailingBackslash(argv[1]));
    } catch (const win32::Error& e) {
        std::fprintf(stderr, "%ls\n", e.message().c_str());
        return 1;
    }
    std::printf("%04x %ls\n", ::GetSystemDefaultLangID(), LanguageResourceFor(::GetSystemDefaultLangID()));
    return 0;
}
