// The access list of a file or folder as the system returns it, for tests of private folders.
#pragma once

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

namespace testing_support {

struct AccessList {
    bool read = false;        // the system returned one
    bool isProtected = false; // not inherited from the parent
    std::vector<std::wstring> allowed; // the account of each entry that allows, "S-1-..."
    int denied = 0;            // entries of any other kind
    int inherited = 0;         // entries that came from the parent
};

inline std::wstring SidText(PSID sid)
{
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text))
        return L"?";
    std::wstring result = text;
    ::LocalFree(text);
    return result;
}

inline AccessList ReadAccessList(const std::wstring& path)
{
    AccessList list;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                nullptr, &descriptor) != ERROR_SUCCESS)
        return list;
    list.read = true;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    list.isProtected = (control & SE_DACL_PROTECTED) != 0;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace))
            continue;
        const auto* header = static_cast<ACE_HEADER*>(ace);
        if (header->AceFlags & INHERITED_ACE)
            ++list.inherited;
        if (header->AceType == ACCESS_ALLOWED_ACE_TYPE)
            list.allowed.push_back(SidText(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart));
        else
            ++list.denied;
    }
    ::LocalFree(descriptor);
    return list;
}

// Wine keeps no access list of its own on a file: it maps the list given to the file's Unix
// permission bits (the owner's and everyone else's) and builds the list it returns from them,
// without the protection flag; nor does a new file inherit its folder's list (it gets the usual
// permission bits). A private folder is still barred to other accounts there: its bits are the
// owner's alone.
inline bool UnderWine()
{
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// The current account, "S-1-...".
inline std::wstring CurrentSid()
{
    HANDLE token = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
    unsigned char buffer[256] = {};
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
    ::CloseHandle(token);
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

} // namespace testing_support
