// How the program names what it makes for itself, said once: the job stages files by these names
// and the sweep of abandoned folders recognises them by the same rule (a name the sweep did not
// know would leave decrypted files behind).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fs {

// The prefix of every name the program gives its own folders and files: the working and scratch
// folders ("qv_XXXX.TMP", as the system's unique names go) and the copies beside a target.
inline constexpr wchar_t kOwnPrefix[] = L"qv_";

// Staged files go into numbered folders of this many: a folder of many thousand files makes each
// new name slow to check (Wine reads the whole folder to compare names without case).
inline constexpr uint32_t kStagedPerFolder = 256;
// The longest extension (with its dot) that a staged file keeps, for the icon the clash question
// shows; a longer one is left off.
inline constexpr size_t kLongestStagedExtension = 16;

// Where the entry numbered index, which lands at place in the target (a relative path), is staged
// in a scratch folder: under its number, so that entries that land on one name stay apart there,
// in its numbered folder: "7\1800.txt".
std::wstring StagedName(uint32_t index, const std::wstring& place);

// Whether a name in a scratch folder is one StagedName gives: a staged file's (its number, then
// at most its extension), or a numbered folder's.
bool IsStagedFileName(const std::wstring& name);
bool IsStagedFolderName(const std::wstring& name);

} // namespace fs
