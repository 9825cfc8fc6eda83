#include "job/EntryPlaces.h"

#include "fs/Paths.h"

#include <map>

namespace job {

namespace {

enum class Kind { File, Folder };

// A folder's Auto Rename name: "name(n)", whatever dots the name holds.
std::wstring NumberedFolder(const std::wstring& path, unsigned n)
{
    return path + L"(" + std::to_wstring(n) + L")";
}

class Planner {
public:
    EntryPlace Place(const EntryName& entry)
    {
        EntryPlace place{L"", false, false};
        size_t start = 0;
        for (;;) {
            const size_t end = entry.mapped.find(L'\\', start);
            const bool last = end == std::wstring::npos;
            const std::wstring name = entry.mapped.substr(start, last ? std::wstring::npos : end - start);
            std::wstring path = place.path.empty() ? name : place.path + L'\\' + name;
            const bool folder = !last || entry.folder;
            if (folder)
                path = FolderPlace(path, place.renamed);
            else
                path = FilePlace(path, place);
            place.path = path;
            if (last)
                return place;
            start = end + 1;
        }
    }

private:
    // A folder keeps its place unless a file has the name; then it (and all below it) moves.
    std::wstring FolderPlace(const std::wstring& path, bool& renamed)
    {
        const std::wstring key = fs::CaseKey(path);
        if (auto moved = movedFolders_.find(key); moved != movedFolders_.end()) {
            renamed = true;
            return moved->second;
        }
        auto known = kinds_.find(key);
        if (known == kinds_.end()) {
            kinds_[key] = Kind::Folder;
            return path;
        }
        if (known->second == Kind::Folder)
            return path;
        const std::wstring free = FreeName(path, true);
        movedFolders_[key] = free;
        kinds_[fs::CaseKey(free)] = Kind::Folder;
        renamed = true;
        return free;
    }

    std::wstring FilePlace(const std::wstring& path, EntryPlace& place)
    {
        const std::wstring key = fs::CaseKey(path);
        auto known = kinds_.find(key);
        if (known == kinds_.end()) {
            kinds_[key] = Kind::File;
            return path;
        }
        if (known->second == Kind::File) {
            place.clashesWithEarlier = true;
            return path;
        }
        const std::wstring free = FreeName(path, false);
        kinds_[fs::CaseKey(free)] = Kind::File;
        place.renamed = true;
        return free;
    }

    std::wstring FreeName(const std::wstring& path, bool folder) const
    {
        for (unsigned n = 1;; ++n) {
            std::wstring candidate = folder ? NumberedFolder(path, n) : fs::NumberedName(path, n);
            if (kinds_.count(fs::CaseKey(candidate)) == 0)
                return candidate;
        }
    }

    std::map<std::wstring, Kind> kinds_;              // by key: what has each name so far
    std::map<std::wstring, std::wstring> movedFolders_; // by key: where a folder went instead
};

} // namespace

std::vector<EntryPlace> PlanEntryPlaces(const std::vector<EntryName>& entries)
{
    Planner planner;
    std::vector<EntryPlace> places;
    places.reserve(entries.size());
    for (const EntryName& entry : entries)
        places.push_back(planner.Place(entry));
    return places;
}

} // namespace job
