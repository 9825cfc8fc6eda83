#include "job/Inventory.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "job/EntryPlaces.h"

namespace job {

std::optional<Inventory> TakeInventory(sevenzip::ArchiveReader& reader, const std::wstring& target, JobProgress& progress)
{
    Inventory inventory;
    std::vector<EntryName> names;
    progress.fileCount = 0;
    const uint32_t count = reader.ItemCount();
    for (uint32_t i = 0; i < count; ++i) {
        const std::wstring path = reader.ItemPath(i);
        sevenzip::RefuseUnsafeEntryPath(path, target);
        names.push_back({fs::MapEntryPath(path), reader.ItemIsFolder(i)});
        if (names.back().folder)
            continue;
        progress.WaitWhilePaused();
        if (progress.Cancelled())
            return std::nullopt;
        ++progress.fileCount;
        inventory.totalSize += static_cast<int64_t>(reader.ItemSize(i));
    }
    // Entries that land on one name in the target clash as existing files do; only a target
    // folder that is there can hold an existing file, and one clash is enough to know.
    bool mayClash = fs::FolderExists(target);
    for (const EntryPlace& place : PlanEntryPlaces(names)) {
        const uint32_t i = static_cast<uint32_t>(inventory.places.size());
        inventory.places.push_back(place.path);
        if (names[i].folder)
            continue;
        if (place.renamed)
            inventory.renamed.emplace_back(reader.ItemPath(i), place.path);
        if (place.clashesWithEarlier || (mayClash && fs::FileExists(target + place.path))) {
            inventory.anyExists = true;
            mayClash = false;
        }
    }
    return inventory;
}

} // namespace job
