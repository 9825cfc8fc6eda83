// The job's look at the archive before anything is written: where each entry lands in the target
// folder, what that costs, and whether any file clashes.
#pragma once

#include "job/JobProgress.h"
#include "sevenzip/ArchiveReader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace job {

struct Inventory {
    std::vector<std::wstring> places; // by entry: where it lands below the target
    std::vector<std::pair<std::wstring, std::wstring>> renamed; // entry path, its new place
    // A file lands on a name that is taken, in the target or by an earlier entry: the files are
    // staged first and each clash is asked about.
    bool anyExists = false;
    int64_t totalSize = 0; // of every file
};

// Takes the inventory of the open archive for target (the full path of the target folder), and
// counts its files into progress. Raises an error naming the first entry whose path would leave
// the target; nullopt when the job is cancelled meanwhile (a paused job waits between entries).
std::optional<Inventory> TakeInventory(sevenzip::ArchiveReader& reader, const std::wstring& target, JobProgress& progress);

} // namespace job
