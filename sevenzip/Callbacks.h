// The callbacks through which the archive reader asks its owner for a password and reports
// progress. Both run on the thread that calls the reader.
#pragma once

#include <cstdint>
#include <string>

namespace sevenzip {

// Called with a total (isTotal 1) or the amount completed so far (isTotal 0), in bytes; while an
// archive is being opened, with kProgressOpening and no value, only to ask whether to go on.
// 0 lets the operation go on; anything else is handed to the library and stops it.
using ProgressCallback = int32_t (*)(void* context, int32_t isTotal, int64_t value);
inline constexpr int32_t kProgressOpening = 0x100;

// Asked for a password that the reader does not know. 0 when one was put into password.
using PasswordCallback = int32_t (*)(void* context, std::wstring& password);

} // namespace sevenzip
