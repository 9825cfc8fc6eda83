// The archive library and the archives that the binding's tests use. The archives are made at
// test time by make-archives (a CTest fixture) into the build tree.
#pragma once

#include "support/TestFiles.h"

namespace testing_support {

inline std::wstring TestArchive(const std::string& name)
{
    return BuildFile("test-archives/" + name);
}

// The unpacked tree that every archive holds, for comparing.
inline std::wstring TestTree()
{
    return BuildFile("test-archives/tree/");
}

// A copy of the archive library in a scratch folder, so that tests may delete it afterwards.
inline std::wstring CopyLibrary(const ScratchFolder& scratch)
{
    const std::wstring copy = scratch / L"7z.dll";
    ::CopyFileW(BuildFile("7z.dll").c_str(), copy.c_str(), FALSE);
    return copy;
}

} // namespace testing_support
