// The answer to a clash with an existing file.
#pragma once

#include <cstdint>

namespace job {

enum class OverwriteAnswer : int32_t {
    Yes = 0,    // replace this one
    No = 1,     // keep the existing file
    YesAll = 2, // replace this one and every later one
    NoAll = 3,  // keep this one and every later one
    Rename = 4, // place under a new free name, now and later
    Cancel = 5, // keep the existing file and stop the job
};

} // namespace job
