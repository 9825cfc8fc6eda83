// Putting one staged file in its place in the target folder, and what that may meet: a name
// taken, another program holding a file.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace fs {
class ByteStream;
}

namespace job {

// A free name beside path: "report.txt" gives "report(1).txt", or "report(2).txt" when a file or
// folder has that one, and so on; "notes" gives "notes(1)"; "data.tar.gz" gives "data.tar(1).gz".
std::wstring MakeRenamePath(const std::wstring& path);

// How long placement waits for another program to let go of a file (a virus scanner reading a
// file just written, a sync client), and in what steps: the system answers "sharing violation"
// or "access denied" meanwhile. Long enough for a scan of a small file, short enough that nobody
// wonders.
inline constexpr DWORD kHeldFileWaitMs = 2000;
inline constexpr DWORD kHeldFileStepMs = 50;

// Tries attempt (which answers a system error code, ERROR_SUCCESS when done) again while it
// answers that another program holds the file, for up to kHeldFileWaitMs; answers its last code,
// or ERROR_CANCELLED as soon as cancelled says so.
DWORD WaitOutHeldFile(const std::function<DWORD()>& attempt, const std::function<bool()>& cancelled);

enum class PlaceResult {
    Placed,    // the file stands at target
    NameTaken, // not replacing, and target's name was taken meanwhile: nothing happened
    Cancelled, // a cancel ended a wait: nothing happened
};

// The move that placement tries first, and the file it copies into when it cannot move. Tests
// replace them to make the failures Wine does not.
struct PlacementCalls {
    // Renames the open staged file to target; the system's error code, or ERROR_SUCCESS.
    using RenameQuery = DWORD (*)(HANDLE staged, const std::wstring& target, bool replace);
    // A new provisional file at path, never one that exists (ByteStream::CreateProvisional).
    using CreateQuery = std::unique_ptr<fs::ByteStream> (*)(const std::wstring& path);
    RenameQuery renameStaged;
    CreateQuery createPart;
};

// The calls as the system answers them.
PlacementCalls SystemPlacementCalls();
DWORD SystemRenameStaged(HANDLE staged, const std::wstring& target, bool replace);

// Puts the staged file (the program's own, in a scratch folder) at target, replacing an existing
// target in one step when replace says so; without replace a name that is taken is never
// touched. Where the system can, the staged file is moved there (it is gone from the scratch
// folder then) and takes the access list target's folder gives. Where the target lies on another
// volume, or another program still holds the staged file after the wait, a copy is made beside
// the target under a name of its own (a new file, never one that was there) and takes the
// target's name only once it is whole (the staged file is removed then): a failed copy leaves the
// target as it was, and a copy cut short (the process killed) leaves nothing. A file that another
// program holds is waited for (WaitOutHeldFile). Raises an error naming target.
PlaceResult PlaceFile(const std::wstring& staged, const std::wstring& target, bool replace,
                      const std::function<bool()>& cancelled = {},
                      const PlacementCalls& calls = SystemPlacementCalls());

} // namespace job
