#include "win32/Security.h"

#include "win32/Error.h"
#include "win32/SystemLibrary.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace win32 {

namespace {

std::wstring SidText(PSID sid)
{
    wchar_t* text = nullptr;
    if (!SYSTEM_FUNCTION(L"advapi32.dll", ConvertSidToStringSidW)(sid, &text))
        throw Error(L"Cannot read an account. " + SystemErrorText(::GetLastError()));
    const LocalMemory freed(text);
    return text;
}

} // namespace

std::wstring CurrentAccountSid()
{
    HANDLE token = nullptr;
    if (!SYSTEM_FUNCTION(L"advapi32.dll", OpenProcessToken)(::GetCurrentProcess(), TOKEN_QUERY, &token))
        throw Error(L"Cannot read the current account. " + SystemErrorText(::GetLastError()));
    const KernelHandle owned(token);
    const auto getInformation = SYSTEM_FUNCTION(L"advapi32.dll", GetTokenInformation);
    DWORD size = 0;
    getInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> user(size ? size : 1);
    if (!getInformation(token, TokenUser, user.data(), size, &size))
        throw Error(L"Cannot read the current account. " + SystemErrorText(::GetLastError()));
    return SidText(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
}

PrivateSecurity::PrivateSecurity()
{
    // O: the owner; P: not inherited from the parent; OICI: files and folders inside inherit each
    // entry; FA: full control; SY: the system account.
    const std::wstring account = CurrentAccountSid();
    const std::wstring sddl = L"O:" + account + L"D:P(A;OICI;FA;;;" + account + L")(A;OICI;FA;;;SY)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!SYSTEM_FUNCTION(L"advapi32.dll", ConvertStringSecurityDescriptorToSecurityDescriptorW)(
            sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        throw Error(L"Cannot make a private folder. " + SystemErrorText(::GetLastError()));
    descriptor_.reset(descriptor);
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = descriptor;
    attributes_.bInheritHandle = FALSE;
}

bool IsPrivateFor(const SecurityFacts& facts, const std::wstring& account)
{
    if (facts.owner != account || !facts.hasAccessList)
        return false;
    bool accountAllowed = false;
    for (const auto& entry : facts.entries) {
        if (!entry.allows || entry.inherited || (entry.account != account && entry.account != kSystemAccountSid))
            return false;
        accountAllowed = accountAllowed || entry.account == account;
    }
    return accountAllowed;
}

std::optional<SecurityFacts> ReadSecurityFacts(HANDLE object) noexcept
{
    try {
        PSID owner = nullptr;
        PACL list = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (SYSTEM_FUNCTION(L"advapi32.dll", GetSecurityInfo)(object, SE_FILE_OBJECT,
                                                               OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                                               &owner, nullptr, &list, nullptr,
                                                               &descriptor) != ERROR_SUCCESS)
            return std::nullopt;
        const LocalMemory freed(descriptor);
        if (!owner)
            return std::nullopt;
        SecurityFacts facts;
        facts.owner = SidText(owner);
        facts.hasAccessList = list != nullptr;
        for (DWORD i = 0; list && i < list->AceCount; ++i) {
            void* ace = nullptr;
            if (!SYSTEM_FUNCTION(L"advapi32.dll", GetAce)(list, i, &ace))
                return std::nullopt;
            const auto* header = static_cast<const ACE_HEADER*>(ace);
            SecurityFacts::Entry entry;
            entry.inherited = (header->AceFlags & INHERITED_ACE) != 0;
            entry.allows = header->AceType == ACCESS_ALLOWED_ACE_TYPE;
            if (entry.allows)
                entry.account = SidText(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart);
            facts.entries.push_back(std::move(entry));
        }
        return facts;
    } catch (...) {
        return std::nullopt; // the system DLL cannot be had, or out of memory: nothing is proved
    }
}

bool TakeFolderSecurity(HANDLE file) noexcept
{
    // No entry of its own, and open to the folder's: the system fills in what the folder passes on.
    try {
        ACL empty;
        if (!SYSTEM_FUNCTION(L"advapi32.dll", InitializeAcl)(&empty, sizeof empty, ACL_REVISION))
            return false;
        return SYSTEM_FUNCTION(L"advapi32.dll", SetSecurityInfo)(
                   file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                   nullptr, &empty, nullptr) == ERROR_SUCCESS;
    } catch (...) {
        return false; // the system DLL cannot be had
    }
}

void WipeText(std::wstring& text) noexcept
{
    ::SecureZeroMemory(text.data(), text.capacity() * sizeof(wchar_t));
    text.clear();
}

} // namespace win32
