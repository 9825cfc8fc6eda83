// The job's last step when files clash: the files staged in a scratch folder are placed into the
// target one by one, each clash asked about.
#include "job/UnpackJob.h"

#include "fs/Paths.h"
#include "fs/ScratchNames.h"
#include "job/PackageFormat.h"
#include "job/Placement.h"

std::wstring UnpackJob::StagedName(uint32_t index) const
{
    return fs::StagedName(index, places_[index]);
}

std::vector<std::wstring> UnpackJob::StagedPlaces() const
{
    std::vector<std::wstring> staged;
    for (uint32_t i = 0; i < places_.size(); ++i)
        staged.push_back(StagedName(i)); // folders are made only for the files in them
    return staged;
}

JobOutcome UnpackJob::PlaceStagedFiles(const std::wstring& scratch, const std::set<uint32_t>* only)
{
    const std::wstring& target = target_;
    const auto cancelled = [this] { return progress_.Cancelled(); };
    progress_.placing = true;
    fs::FolderChainMaker folders;
    progress_.placedCount = 0;
    progress_.holdProgress = false;
    for (uint32_t l = 0; l < entryCount_; ++l) {
        progress_.WaitWhilePaused();
        if (progress_.Cancelled())
            break;
        if (reader_->ItemIsFolder(l))
            continue;
        const std::wstring path = reader_->ItemPath(l);
        if (path == kMarkerName)
            continue;
        if (reader_->ItemResult(l) != sevenzip::kResultOk)
            continue; // damaged or unfinished: it never came out
        if (only && only->count(l) == 0) {
            ++progress_.placedCount; // in its place already
            continue;
        }
        const std::wstring to = target + places_[l];
        ::OutputDebugStringW(to.c_str()); // the file being placed, for a debugger
        Step(JobStep::Placing, to);
        folders.MakeParentOf(to);
        const std::wstring from = scratch + StagedName(l);

        // A staged file is moved into place (or copied, then removed); one that is skipped goes
        // with the scratch folder. A name that another program takes meanwhile is a clash too.
        std::wstring placedAt = to;
        PlaceResult placed =
            fs::FileExists(to) ? PlaceResult::NameTaken : PlaceFile(from, to, false, cancelled, input_.placementCalls);
        if (placed == PlaceResult::NameTaken) {
            OverwriteAnswer choice = overwriteAnswer_;
            if (choice != OverwriteAnswer::NoAll && choice != OverwriteAnswer::YesAll && choice != OverwriteAnswer::Rename) {
                overwriteAnswer_ = host_.AskOverwrite(to, from);
                choice = overwriteAnswer_;
            }
            switch (choice) {
            case OverwriteAnswer::Yes:
            case OverwriteAnswer::YesAll:
                placed = PlaceFile(from, to, true, cancelled, input_.placementCalls);
                break;
            case OverwriteAnswer::Rename:
                do { // a free name taken between the look and the move: the next one
                    placedAt = MakeRenamePath(to);
                    placed = PlaceFile(from, placedAt, false, cancelled, input_.placementCalls);
                } while (placed == PlaceResult::NameTaken);
                break;
            case OverwriteAnswer::Cancel:
                progress_.Cancel();
                break;
            case OverwriteAnswer::No:
            case OverwriteAnswer::NoAll:
                break;
            }
        }
        if (placed == PlaceResult::Placed)
            FinishPlacedFile(l, placedAt);
        if (!progress_.Cancelled())
            settled_.insert(l); // placed, or kept out by the person's answer
        ++progress_.placedCount;
    }
    progress_.placing = false;
    return JobOutcome::Finished;
}
