// Where each entry of a package lands in the target folder, when names that other systems keep
// apart are one name on Windows (they compare without regard to case, after the mapping of
// fs::MapEntryPath).
#pragma once

#include <string>
#include <vector>

namespace job {

struct EntryName {
    std::wstring mapped; // fs::MapEntryPath of the entry's path
    bool folder;
};

struct EntryPlace {
    std::wstring path;      // relative to the target folder
    bool clashesWithEarlier; // a file that lands on an earlier file's name: a clash to ask about
    bool renamed;            // a file or folder that wanted a folder's or a file's name
};

// The places of entries, in archive order. Two files of one name keep it, the later one marked
// as a clash. A file and a folder that want one name: the later one takes the first free name
// "name(1)", "name(2)"... (a file as Auto Rename names it, fs::NumberedName), and so do the
// entries below a folder so renamed.
std::vector<EntryPlace> PlanEntryPlaces(const std::vector<EntryName>& entries);

} // namespace job
