// Small file-system helpers shared by the run sequence, the worker and the overwrite dialog.
// None of them raises an error: what cannot be removed stays where it is. The removal of the
// program's own folders is in MadeFolders.h.
#pragma once

#include "win32/Handles.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>

namespace fs {

bool FolderExists(const std::wstring& path);
// Whether a file (not a folder) exists at path.
bool FileExists(const std::wstring& path);
// Whether anything (a file or a folder) has the name path.
bool NameTaken(const std::wstring& path);

// Calls visit with each entry of folder (ending in "\") whose name matches pattern ("*" for
// all), "." and ".." left out, until visit answers false. Nothing when the folder cannot be listed.
void ForEachEntry(const std::wstring& folder, const std::wstring& pattern,
                  const std::function<bool(const WIN32_FIND_DATAW& entry)>& visit);

// Whether a creation of path that failed with code failed because something has that name: the
// name exists, or the system refuses and the name shows (a file that another program is writing
// or deleting). A refusal where no such name is (a folder that lets nobody create files) is not.
bool NameTakenBy(const std::wstring& path, DWORD code);

// The running program's file, and its folder with a trailing "\".
std::wstring ProgramPath();
std::wstring ProgramFolder();

// Creates the folder and every missing parent, outermost first. Outcomes are ignored.
void CreateFolderChain(const std::wstring& path);

// CreateFolderChain for many files in few folders: each folder is made (or found) once, and not
// looked at again for the next file in it.
class FolderChainMaker {
public:
    // Makes the folder that holds file.
    void MakeParentOf(const std::wstring& file);

private:
    std::unordered_set<std::wstring> made_;
};

// The system's temporary folder with its trailing "\\"; empty when the system cannot say.
std::wstring TemporaryFolder();

// Removes folder and the folders below it as long as they hold no file; a folder with a file
// anywhere below it stays, and so does the file. Links to folders are not followed.
void RemoveEmptyFolders(const std::wstring& folder);

// Removes the folders between folder (exclusive) and stop (a folder above it, exclusive),
// innermost first, each only while it is empty; the first that is not empty ends the walk.
void RemoveEmptyParents(const std::wstring& folder, const std::wstring& stop);

// The absolute form of path (GetFullPathNameW), at any length; path itself when the system cannot
// say.
std::wstring FullPathOf(const std::wstring& path);

// The path itself when it exists, else its nearest existing parent folder (with a trailing "\").
std::wstring ExistingAncestor(const std::wstring& path);

// Whether two existing paths lie on one volume, as the system numbers its volumes (two drive
// letters may name one, and a volume may be mounted in a folder); false when it cannot say.
bool OnOneVolume(const std::wstring& first, const std::wstring& second);

// Bytes the user may write on the drive that holds folder (an existing folder); -1 when the
// system cannot say.
int64_t FreeBytesForUser(const std::wstring& folder);

// The size of the file in bytes; 0 when there is no such entry.
uint64_t GetFileSizeByName(const std::wstring& path);

} // namespace fs
