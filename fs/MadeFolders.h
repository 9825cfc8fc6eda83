// The folders this run made for itself (working and scratch folders) and their removal: the
// program removes no other folder tree.
#pragma once

#include "win32/Handles.h"

#include <windows.h>

#include <string>

namespace fs {

// Records a folder this run has just made, as the object it is (its volume and file number), with
// the open lock file that tells other runs it is in use (see WorkFolder.h). Safe to use from any
// thread, like the rest of this file.
void RecordMadeFolder(const std::wstring& folder, win32::FileHandle lock = {});
bool IsMadeFolder(const std::wstring& folder);

// Whether a folder must never be removed as a whole: a drive root (also a network share's) or the
// system's temporary folder itself.
bool IsProtectedFolder(const std::wstring& folder);

// Removes a folder that this run made (RecordMadeFolder) with everything in it, depth first, its
// lock first, by handle (HeldFolder): a link inside goes as a link, and what stands at the path
// now is removed only if it is the very folder that was made (a folder moved away or replaced
// meanwhile is not followed, and what replaced it is left alone). Read-only files, files open
// elsewhere and the folders that hold them stay; the record goes only once the folder is gone,
// and until then a thread of the program tries again every quarter second. Refuses (does nothing)
// for a folder not made by this run and for a protected one; answers whether the folder is gone.
bool DeleteFolderTree(const std::wstring& folder);

// Tries once more, for up to budgetMs, to remove the made folders whose removal failed; what
// still stays then is left for a later run's sweep. For the end of the program.
void FinishFolderRemovals(DWORD budgetMs);

} // namespace fs
