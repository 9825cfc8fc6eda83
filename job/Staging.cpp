#include "job/Staging.h"

#include "fs/Paths.h"
#include "win32/Error.h"

#include <algorithm>
#include <vector>

namespace job {

int64_t WorkFolderBytes(uint64_t programSize)
{
    constexpr int64_t kMargin = 8 * 1024 * 1024;
    return std::max<int64_t>(static_cast<int64_t>(programSize) - PAYLOAD_OFFSET, 0) + kMargin;
}

std::wstring TargetFolderFor(const std::wstring& outputPath, const std::wstring& packageName)
{
    return fs::WithTrailingBackslash(fs::WithTrailingBackslash(outputPath) + packageName);
}

void CopyPayload(fs::ByteStream& from, fs::ByteStream& to, int64_t count,
                 const std::function<bool(int64_t remaining)>& afterBlock)
{
    int64_t remaining = count;
    std::vector<char> buffer(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(remaining, 0), COPY_CHUNK)));
    while (remaining > 0) {
        const uint32_t n = static_cast<uint32_t>(std::min<int64_t>(remaining, buffer.size()));
        if (from.Read(buffer.data(), n) != n)
            throw win32::Error(L"Stream read error");
        to.WriteAll(buffer.data(), n);
        remaining -= n;
        if (!afterBlock(remaining))
            break;
    }
}

} // namespace job
