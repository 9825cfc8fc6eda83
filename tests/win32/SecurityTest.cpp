#include "win32/Security.h"

#include <gtest/gtest.h>

#include <cstring>

// A wiped secret leaves zeros where its characters were, short (kept inside the string) or long.
TEST(WipeText, LeavesZerosWhereTheSecretWas)
{
    for (const std::wstring& secret : {std::wstring(L"pw"), std::wstring(200, L'k')}) {
        std::wstring text = secret;
        const wchar_t* held = text.data();
        const size_t length = text.size();
        win32::WipeText(text);
        EXPECT_TRUE(text.empty());
        ASSERT_EQ(text.data(), held); // emptied in place: the same memory, now zeros
        const std::wstring zeros(length, L'\0');
        EXPECT_EQ(std::memcmp(held, zeros.data(), length * sizeof(wchar_t)), 0);
    }
}
