// The password check: the package's marker entries are decoded with the password given.
#pragma once

#include "sevenzip/ArchiveReader.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>

namespace job {

// Whether the archive refuses the password: extracts the marker entries into scratch one after
// the other (each file goes again) until one comes out whole (the password is right) or damaged,
// or empty where it has content (it is wrong). Stops, saying it is right, once cancelled answers
// true: the job ends anyway. No marker at all says nothing against the password.
bool PasswordRefused(sevenzip::ArchiveReader& reader, const std::set<uint32_t>& markers, const std::wstring& scratch,
                     const std::function<bool()>& cancelled);

} // namespace job
