// Makes HKEY_CURRENT_USER\Software\Corvane\Presets readable but not writable for everyone, as a
// locked-down desk may have it, so that Corvane's presets cannot be stored at close.
#include <windows.h>

#include <aclapi.h>

int main()
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Corvane\\Presets", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return 2;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return 2;
    EXPLICIT_ACCESSW readOnly{};
    readOnly.grfAccessPermissions = KEY_READ;
    readOnly.grfAccessMode = SET_ACCESS;
    readOnly.grfInheritance = NO_INHERITANCE;
    readOnly.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    readOnly.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    PACL acl = nullptr;
    // Protected: nothing inherited from the parent key grants more.
    if (SetEntriesInAclW(1, &readOnly, nullptr, &acl) != ERROR_SUCCESS ||
        SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                        nullptr, nullptr, acl, nullptr) != ERROR_SUCCESS)
        return 2;
    RegCloseKey(key);
    HKEY check = nullptr;
    return RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Corvane\\Presets", 0, KEY_SET_VALUE, &check) ==
                   ERROR_ACCESS_DENIED
               ? 0
               : 1;
}
