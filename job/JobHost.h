// What the job needs of whoever runs it: the total to show, a clash to answer, and its end.
#pragma once

#include "job/JobOutcome.h"
#include "job/OverwriteAnswer.h"

#include <cstdint>
#include <string>

namespace job {

// Each call comes on the job's own thread; the host takes it to its window as it must.
class JobHost {
public:
    virtual ~JobHost() = default;
    // Shows the size of what the job stages.
    virtual void ShowTotalSize(int64_t totalSize) = 0;
    // The person's answer to a clash with an existing file; returns once there is one (a
    // question that cannot be shown yet waits until it can).
    virtual OverwriteAnswer AskOverwrite(const std::wstring& existing, const std::wstring& staged) = 0;
    // The job has ended so (its Result() is complete): the last call of the job.
    virtual void JobEnded(JobOutcome outcome) = 0;
};

} // namespace job
