#include "job/StagedPlacement.h"

#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "fs/ScratchNames.h"
#include "job/PackageFormat.h"

namespace job {

std::vector<std::wstring> StagedPlaces(const std::vector<std::wstring>& places)
{
    std::vector<std::wstring> staged;
    for (uint32_t i = 0; i < places.size(); ++i)
        staged.push_back(fs::StagedName(i, places[i])); // folders are made only for the files in them
    return staged;
}

StagedPlacement::StagedPlacement(sevenzip::ArchiveReader& reader, const std::vector<std::wstring>& places,
                                 const std::wstring& target, JobHost& host, JobProgress& progress,
                                 const PlacementCalls& calls, FinishFile finish, PlacingFile placing)
    : reader_(reader), places_(places), target_(target), host_(host), progress_(progress), calls_(calls),
      finish_(std::move(finish)), placing_(std::move(placing))
{
}

void StagedPlacement::PlaceFrom(const std::wstring& scratch, const std::set<uint32_t>* only)
{
    fs::FolderChainMaker folders;
    progress_.placedCount = 0;
    progress_.phase = JobPhase::Placing;
    for (uint32_t i = 0; i < places_.size(); ++i) {
        progress_.WaitWhilePaused();
        if (progress_.Cancelled())
            break;
        if (reader_.ItemIsFolder(i) || reader_.ItemPath(i) == kMarkerName)
            continue;
        if (reader_.ItemResult(i) != sevenzip::kResultOk)
            continue; // damaged or unfinished: it never came out
        if (only && only->count(i) == 0) {
            ++progress_.placedCount; // in its place already
            continue;
        }
        const std::wstring to = target_ + places_[i];
        ::OutputDebugStringW(to.c_str()); // the file being placed, for whoever watches the debugger output
        placing_(to);
        folders.MakeParentOf(to);
        std::wstring placedAt = to;
        if (PlaceOne(scratch + fs::StagedName(i, places_[i]), to, placedAt))
            finish_(i, placedAt);
        if (!progress_.Cancelled())
            settled_.insert(i); // placed, or kept out by the person's answer
        ++progress_.placedCount;
    }
    progress_.phase = JobPhase::Settling;
}

// A staged file is moved into place (or copied, then removed); one that is skipped goes with the
// scratch folder. A name that another program takes meanwhile is a clash too.
bool StagedPlacement::PlaceOne(const std::wstring& from, const std::wstring& to, std::wstring& placedAt)
{
    const auto cancelled = [this] { return progress_.Cancelled(); };
    PlaceResult placed = fs::FileExists(to) ? PlaceResult::NameTaken : PlaceFile(from, to, false, cancelled, calls_);
    if (placed != PlaceResult::NameTaken)
        return placed == PlaceResult::Placed;
    if (standing_ != OverwriteAnswer::NoAll && standing_ != OverwriteAnswer::YesAll && standing_ != OverwriteAnswer::Rename)
        standing_ = host_.AskOverwrite(to, from);
    switch (standing_) {
    case OverwriteAnswer::Yes:
    case OverwriteAnswer::YesAll:
        placed = PlaceFile(from, to, true, cancelled, calls_);
        break;
    case OverwriteAnswer::Rename:
        do { // a free name taken between the look and the move: the next one
            placedAt = MakeRenamePath(to);
            placed = PlaceFile(from, placedAt, false, cancelled, calls_);
        } while (placed == PlaceResult::NameTaken);
        break;
    case OverwriteAnswer::Cancel:
        progress_.Cancel();
        break;
    case OverwriteAnswer::No:
    case OverwriteAnswer::NoAll:
        break;
    }
    return placed == PlaceResult::Placed;
}

} // namespace job
