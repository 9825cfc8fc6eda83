// What the end of a job says besides its error, in the person's language: which files came out
// of a job that failed, and which entries were placed under new names.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace job {

// The first five names, each on a line of its own (each line begins with a line break), then
// "and N more".
std::wstring ListedNames(const std::vector<std::wstring>& names);

// After a failure: how many files came out whole and which entries did not; empty when none came
// out whole (the error says it all then). Begins with a blank line, to follow the error.
std::wstring WhatCameOutText(size_t wholeFiles, const std::vector<std::wstring>& notExtracted);

// Each entry placed under a new name, "entry path → its place"; empty when there is none.
std::wstring RenamedEntriesText(const std::vector<std::pair<std::wstring, std::wstring>>& renamed);

} // namespace job
