#include "job/ZoneMark.h"

#include <gtest/gtest.h>

using namespace job;

// The mark every file gets, byte for byte, from what the package's own stream says.
TEST(MarkFor, PassesOnTheZonesThatWindowsWarnsAbout)
{
    const std::wstring package = L"C:\\Users\\x\\Downloads\\Report.exe";
    const std::string referrer = "ReferrerUrl=C:\\Users\\x\\Downloads\\Report.exe\r\n";
    const struct {
        const char* what;
        std::string stream;
        std::string mark;
    } cases[] = {
        {"no stream", "", ""},
        {"the Internet, with its address", "[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=https://example.org/\r\nHostUrl=https://example.org/Report.exe\r\n",
         "[ZoneTransfer]\r\nZoneId=3\r\n" + referrer + "HostUrl=https://example.org/Report.exe\r\n"},
        {"restricted", "[ZoneTransfer]\r\nZoneId=4\r\n", "[ZoneTransfer]\r\nZoneId=4\r\n" + referrer},
        {"trusted: no warning, no mark", "[ZoneTransfer]\r\nZoneId=2\r\n", ""},
        {"this computer", "[ZoneTransfer]\r\nZoneId=0\r\n", ""},
        {"plain line ends, other spellings, blanks", "[zonetransfer]\n zoneid = 3 \nhosturl=http://h/\n",
         "[ZoneTransfer]\r\nZoneId=3\r\n" + referrer + "HostUrl=http://h/\r\n"},
        {"no section", "ZoneId=3\r\n", ""},
        {"another section", "[Other]\r\nZoneId=3\r\n", ""},
        {"no ZoneId", "[ZoneTransfer]\r\nHostUrl=http://h/\r\n", ""},
        {"a ZoneId that is no number", "[ZoneTransfer]\r\nZoneId=3x\r\n", ""},
        {"binary bytes", std::string("\x00\xff\x13[Zone\x00Transfer]\x01ZoneId\x02", 22), ""},
        {"an address too long or with control characters is left out",
         "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=http://" + std::string(70000, 'a') + "\r\n",
         "[ZoneTransfer]\r\nZoneId=3\r\n" + referrer},
        {"the first ZoneId counts", "[ZoneTransfer]\r\nZoneId=3\r\nZoneId=0\r\n", "[ZoneTransfer]\r\nZoneId=3\r\n" + referrer},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MarkFor(c.stream, package), c.mark) << c.what;
    // The package's path as UTF-8.
    EXPECT_EQ(MarkFor("[ZoneTransfer]\r\nZoneId=3\r\n", L"C:\\D\u00fcsseldorf\\\u4e2d.exe"),
              "[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=C:\\D\xc3\xbcsseldorf\\\xe4\xb8\xad.exe\r\n");
}
