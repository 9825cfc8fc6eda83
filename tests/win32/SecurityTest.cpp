#include "win32/Security.h"

#include "win32/Handles.h"

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

// What proves a folder to be one the program made for this account: its owner and an access list
// of its own that lets in that account and the system account alone.
TEST(IsPrivateFor, OnlyTheAccountsOwnPrivateList)
{
    using Entry = win32::SecurityFacts::Entry;
    const std::wstring me = L"S-1-5-21-1-2-3-1000", other = L"S-1-5-21-1-2-3-1001";
    const std::wstring system = win32::kSystemAccountSid, everyone = L"S-1-1-0", administrators = L"S-1-5-32-544";
    const Entry mine{true, false, me}, systems{true, false, system};
    const struct {
        const char* what;
        win32::SecurityFacts facts;
        bool isPrivate;
    } cases[] = {
        {"as the program makes it", {me, true, {mine, systems}}, true},
        {"the account alone", {me, true, {mine}}, true},
        {"another account's", {other, true, {{true, false, other}, systems}}, false},
        {"another account's, made out to look like ours", {other, true, {mine, systems}}, false},
        {"ours, but the list lets another in", {me, true, {mine, systems, {true, false, other}}}, false},
        {"open to everyone", {me, true, {mine, systems, {true, false, everyone}}}, false},
        {"open to the administrators", {me, true, {mine, systems, {true, false, administrators}}}, false},
        {"what the parent passes on", {me, true, {{true, true, me}, {true, true, system}}}, false},
        {"one entry passed on", {me, true, {mine, {true, true, system}}}, false},
        {"an entry that denies", {me, true, {mine, systems, {false, false, L""}}}, false},
        {"no list at all: everyone may", {me, false, {}}, false},
        {"an empty list", {me, true, {}}, false},
        {"the system account alone", {me, true, {systems}}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(win32::IsPrivateFor(c.facts, me), c.isPrivate) << c.what;
}

// A folder made with the private attributes reads back as private for the current account; one
// made the default way does not.
TEST(IsPrivateFor, ReadsWhatTheSystemKeeps)
{
    wchar_t temp[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring account = win32::CurrentAccountSid();
    for (const bool privateList : {true, false}) {
        SCOPED_TRACE(privateList ? "private" : "default");
        const std::wstring folder = std::wstring(temp) + (privateList ? L"sec-private" : L"sec-default");
        win32::PrivateSecurity security;
        ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), privateList ? security.attributes() : nullptr));
        {
            const win32::FileHandle opened(::CreateFileW(folder.c_str(), READ_CONTROL,
                                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
            const auto facts = win32::ReadSecurityFacts(opened.get());
            ASSERT_TRUE(facts.has_value());
            EXPECT_EQ(facts->owner, account);
            EXPECT_EQ(win32::IsPrivateFor(*facts, account), privateList);
        }
        ::RemoveDirectoryW(folder.c_str());
    }
}
