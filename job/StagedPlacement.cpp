// The job's last step when files clash: the files staged in a scratch folder are placed into the
// target one by one, each clash asked about.
#include "job/UnpackJob.h"

#include "fs/Paths.h"
#include "job/PackageFormat.h"
#include "job/Placement.h"
#include "win32/WindowCall.h"

namespace {

constexpr DWORD kQuestionRetryMs = 100;
constexpr size_t kLongestStagedExtension = 16;
// Staged files go into numbered folders of this many: a folder of many thousand files makes
// each new name slow to check (Wine reads the whole folder to compare names without case).
constexpr uint32_t kStagedPerFolder = 256;

} // namespace

std::wstring UnpackJob::StagedName(uint32_t index) const
{
    const std::wstring& place = places_[index];
    const size_t nameStart = place.find_last_of(L'\\') + 1;
    const size_t dot = place.rfind(L'.');
    const bool extension = dot != std::wstring::npos && dot > nameStart && place.size() - dot <= kLongestStagedExtension;
    return std::to_wstring(index / kStagedPerFolder) + L"\\" + std::to_wstring(index) +
           (extension ? place.substr(dot) : L"");
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
        PlaceResult placed = fs::FileExists(to) ? PlaceResult::NameTaken : PlaceFile(from, to, false, cancelled);
        if (placed == PlaceResult::NameTaken) {
            OverwriteAnswer choice = overwriteAnswer_;
            if (choice != OverwriteAnswer::NoAll && choice != OverwriteAnswer::YesAll && choice != OverwriteAnswer::Rename) {
                overwriteAnswer_ = AskOverwrite(to, from);
                choice = overwriteAnswer_;
            }
            switch (choice) {
            case OverwriteAnswer::Yes:
            case OverwriteAnswer::YesAll:
                placed = PlaceFile(from, to, true, cancelled);
                break;
            case OverwriteAnswer::Rename:
                do { // a free name taken between the look and the move: the next one
                    placedAt = MakeRenamePath(to);
                    placed = PlaceFile(from, placedAt, false, cancelled);
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

OverwriteAnswer UnpackJob::AskOverwrite(const std::wstring& existing, const std::wstring& staged)
{
    for (;;) {
        std::optional<OverwriteAnswer> answer;
        win32::CallOnWindowThread(host_.Window(), [&] { answer = host_.AskOverwrite(existing, staged); });
        if (answer)
            return *answer;
        ::Sleep(kQuestionRetryMs); // another question is open: ask again once it may be answered
    }
}
