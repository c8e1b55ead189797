#include "WinRegistry.h"

#include <windows.h>

namespace corvane {
namespace {

// QString holds UTF-16 with a closing zero, the form the wide-character calls take.
const wchar_t* wide(const QString& text)
{
    return reinterpret_cast<const wchar_t*>(text.utf16());
}

} // namespace

long WinRegistry::openKey(qint32 root, const QString& subKey, quint32 options, quint32 access, Handle& key)
{
    HKEY opened = nullptr;
    const auto rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<quint32>(root)));
    const LONG status = RegOpenKeyExW(rootKey, wide(subKey), options, access, &opened);
    key = reinterpret_cast<Handle>(opened);
    return status;
}

long WinRegistry::queryValue(Handle key, const QString& valueName, quint32& type, unsigned char* data,
                             quint32& size)
{
    DWORD valueType = 0;
    DWORD valueSize = size;
    const LONG status =
        RegQueryValueExW(reinterpret_cast<HKEY>(key), wide(valueName), nullptr, &valueType, data, &valueSize);
    type = valueType;
    size = valueSize;
    return status;
}

long WinRegistry::closeKey(Handle key)
{
    return RegCloseKey(reinterpret_cast<HKEY>(key));
}

} // namespace corvane
