#include "job/PasswordProbe.h"

#include "fs/ByteStream.h"

namespace job {

bool PasswordRefused(sevenzip::ArchiveReader& reader, const std::set<uint32_t>& markers, const std::wstring& scratch,
                     const std::function<bool()>& cancelled)
{
    for (const uint32_t marker : markers) {
        if (cancelled())
            return false;
        const uint64_t expected = reader.ItemSize(marker);
        const std::wstring probe = scratch + std::to_wstring(marker);
        uint64_t actual = 0;
        {
            auto file = fs::ByteStream::Create(probe);
            reader.ExtractItemToStream(marker, *file, false);
            actual = file->Size();
        }
        ::DeleteFileW(probe.c_str());
        const int32_t result = reader.ItemResult(marker);
        const bool damaged = result == sevenzip::kResultDataError || result == sevenzip::kResultCrcError ||
                             result == sevenzip::kResultWrongPassword;
        if ((actual == 0 && expected != 0) || damaged)
            return true;
        if (expected != 0 && actual == expected)
            return false;
    }
    return false;
}

} // namespace job
