// The job's last step when files clash: the files staged in a scratch folder are placed into the
// target one by one, each clash asked about, the person's standing answer kept from one to the next.
#pragma once

#include "job/FilePlacement.h"
#include "job/JobHost.h"
#include "job/JobProgress.h"
#include "job/OverwriteAnswer.h"
#include "sevenzip/ArchiveReader.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace job {

// Where each entry is staged in a scratch folder, by entry (fs::StagedName of its place).
std::vector<std::wstring> StagedPlaces(const std::vector<std::wstring>& places);

class StagedPlacement {
public:
    // Gives a file in its final place its last steps: the entry's index, where it stands.
    using FinishFile = std::function<void(uint32_t index, const std::wstring& placedAt)>;
    // Hears of each file about to be placed, by its target path.
    using PlacingFile = std::function<void(const std::wstring& target)>;

    // reader is the open archive that was extracted (its results say which entries came out),
    // places by entry below target (the target folder's full path, with its "\"). Each is the
    // job's and outlives the placement.
    StagedPlacement(sevenzip::ArchiveReader& reader, const std::vector<std::wstring>& places, const std::wstring& target,
                    JobHost& host, JobProgress& progress, const PlacementCalls& calls, FinishFile finish,
                    PlacingFile placing);

    // Places the files staged in scratch (only those entries, when given), until all are placed
    // or the job is cancelled; the answer Cancel cancels the job. Raises what placing a file
    // raised, naming it.
    void PlaceFrom(const std::wstring& scratch, const std::set<uint32_t>* only = nullptr);
    // Whether the entry was placed, or kept out by the person's answer.
    bool Settled(uint32_t index) const { return settled_.count(index) != 0; }

private:
    // Places one staged file at to, asking when its name is taken; whether it now stands there
    // (placedAt says where, when Auto Rename chose a new name).
    bool PlaceOne(const std::wstring& from, const std::wstring& to, std::wstring& placedAt);

    sevenzip::ArchiveReader& reader_;
    const std::vector<std::wstring>& places_;
    const std::wstring& target_;
    JobHost& host_;
    JobProgress& progress_;
    const PlacementCalls& calls_;
    FinishFile finish_;
    PlacingFile placing_;
    OverwriteAnswer standing_ = OverwriteAnswer::Yes; // the answer that holds until asked again
    std::set<uint32_t> settled_;
};

} // namespace job
