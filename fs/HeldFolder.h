// A folder opened as itself and held: how the program removes a folder of its own without ever
// following a link, and without a path that someone swaps meanwhile leading it elsewhere.
#pragma once

#include "win32/Handles.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fs {

// Which object a folder is: its volume and its file number there. A folder removed and made
// again under the same name, or something else put in its place, has another.
struct FolderId {
    DWORD volume = 0;
    uint64_t file = 0;
    bool operator==(const FolderId&) const = default;
};

// How a removal learns what an entry it opened is. Tests replace it to answer as Windows does for
// a link where the system here makes none (Wine 8 answers success and makes no link).
struct RemovalCalls {
    // The attributes of the entry open as entry, which path names; 0 when the system cannot say.
    using AttributesQuery = DWORD (*)(HANDLE entry, const std::wstring& path);
    AttributesQuery attributesOf;
};

RemovalCalls SystemRemovalCalls();

// A folder opened as itself: a link at its path is seen as a link and not followed. While it is
// held nobody can rename, move or delete it (it is open without delete sharing), and nobody can
// turn it into a link, so a path below it names what is in it.
class HeldFolder {
public:
    enum class State {
        Held,       // open, a folder
        Missing,    // nothing of that name
        Link,       // a link (a junction, a symbolic link): not ours to follow
        NotAFolder, // a file
        Busy,       // another program holds it so that it cannot be opened for removal
    };

    explicit HeldFolder(const std::wstring& path, const RemovalCalls& calls = SystemRemovalCalls());
    HeldFolder(HeldFolder&&) noexcept = default;
    HeldFolder& operator=(HeldFolder&&) noexcept = default;

    State state() const { return state_; }
    explicit operator bool() const { return state_ == State::Held; }
    // Open with READ_CONTROL: its owner and access list can be read through it.
    HANDLE handle() const { return handle_.get(); }
    // Ends in "\".
    const std::wstring& path() const { return path_; }
    // None when the system cannot say.
    std::optional<FolderId> Id() const;

    struct Entry {
        std::wstring name;
        DWORD attributes; // as listed: a later look may differ
    };
    // What the folder holds, without "." and "..".
    std::vector<Entry> Entries() const;

    // Removes what the folder holds, depth first, each entry by a handle of its own: a link goes
    // as a link and what it points to stays; a file that another program holds, a read-only file
    // and the folders that hold them stay, and so does the entry named keep (of this folder, not
    // below). Answers whether nothing else is left.
    bool RemoveContents(const std::wstring& keep = L"");

    // Removes the folder itself if it is empty, and lets go of it. Answers whether it is gone.
    bool Remove();

private:
    HeldFolder(win32::FileHandle handle, std::wstring path, const RemovalCalls& calls);

    win32::FileHandle handle_;
    std::wstring path_;
    RemovalCalls calls_;
    State state_ = State::Missing;
};

// The folder at path, not followed if it is a link; none when it cannot be opened.
std::optional<FolderId> FolderIdOf(const std::wstring& path);

} // namespace fs
