// Makes a key under HKEY_CURRENT_USER readable but not writable for everyone, as a locked-down desk may
// have it: by default Software\Corvane\Presets, so that Corvane's presets cannot be stored at close.
// With "allow" after the key, everyone may write it again, so that a test can remove it.
//   denywrite [SUBKEY [allow]]
#include <aclapi.h>
#include <windows.h>

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "Software\\Corvane\\Presets";
    const bool allow = argc > 2;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, allow ? WRITE_DAC : KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return 2;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return 2;
    EXPLICIT_ACCESSW access{};
    access.grfAccessPermissions = allow ? KEY_ALL_ACCESS : KEY_READ;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    PACL acl = nullptr;
    // Protected: nothing inherited from the parent key grants more.
    if (SetEntriesInAclW(1, &access, nullptr, &acl) != ERROR_SUCCESS ||
        SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                        nullptr, nullptr, acl, nullptr) != ERROR_SUCCESS)
        return 2;
    RegCloseKey(key);
    HKEY check = nullptr;
    return (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_SET_VALUE, &check) == ERROR_ACCESS_DENIED) == !allow
               ? 0
               : 1;
}
