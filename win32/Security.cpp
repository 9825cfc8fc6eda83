#include "win32/Security.h"

#include "win32/Error.h"
#include "win32/SystemLibrary.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace win32 {

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
    wchar_t* text = nullptr;
    if (!SYSTEM_FUNCTION(L"advapi32.dll", ConvertSidToStringSidW)(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid,
                                                                   &text))
        throw Error(L"Cannot read the current account. " + SystemErrorText(::GetLastError()));
    const LocalMemory freed(text);
    return text;
}

PrivateSecurity::PrivateSecurity()
{
    // P: not inherited from the parent; OICI: files and folders inside inherit each entry;
    // FA: full control; SY: the system account.
    const std::wstring sddl = L"D:P(A;OICI;FA;;;" + CurrentAccountSid() + L")(A;OICI;FA;;;SY)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!SYSTEM_FUNCTION(L"advapi32.dll", ConvertStringSecurityDescriptorToSecurityDescriptorW)(
            sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        throw Error(L"Cannot make a private folder. " + SystemErrorText(::GetLastError()));
    descriptor_.reset(descriptor);
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = descriptor;
    attributes_.bInheritHandle = FALSE;
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
