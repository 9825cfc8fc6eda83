// Small file-system helpers shared by the run sequence, the worker and the overwrite dialog.
// None of them raises an error: what cannot be removed stays where it is.
#pragma once

#include <cstdint>
#include <string>

namespace fs {

// The archive's marker entry; it is used for the password check and never left in the target.
inline constexpr wchar_t kMarkerName[] = L"1e1c8ebb-9299-4834-ab8f-9e5a0c04ba8b.quorvane";

bool FolderExists(const std::wstring& path);
// Whether a file (not a folder) exists at path.
bool FileExists(const std::wstring& path);

// The running program's file, and its folder with a trailing "\".
std::wstring ProgramPath();
std::wstring ProgramFolder();

// Creates the folder and every missing parent, outermost first. Outcomes are ignored.
void CreateFolderChain(const std::wstring& path);

// Removes a folder with everything in it, depth first. Read-only files, files open elsewhere
// and the folders that hold them stay. A link to a folder is removed, never followed.
void DeleteFolderTree(const std::wstring& folder);

// Deletes the marker entry from the top level of folder (a path ending in "\"), whatever the
// case of its ASCII letters.
void RemoveMarkerFile(const std::wstring& folder);

// The size of the file in bytes; 0 when there is no such entry.
uint64_t GetFileSizeByName(const std::wstring& path);

} // namespace fs
