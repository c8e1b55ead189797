#include "WinRegistry.h"

#include <windows.h>

namespace corvane {

long WinRegistry::openKey(qint32 root, const QByteArray& subKey, quint32 options, quint32 access, Handle& key)
{
    HKEY opened = nullptr;
    const auto rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<quint32>(root)));
    const LONG status = RegOpenKeyExA(rootKey, subKey.constData(), options, access, &opened);
    key = reinterpret_cast<Handle>(opened);
    return status;
}

long WinRegistry::queryValue(Handle key, const QByteArray& valueName, quint32& type, unsigned char* data,
                             quint32& size)
{
    DWORD valueType = 0;
    DWORD valueSize = size;
    const LONG status =
        RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName.constData(), nullptr, &valueType, data, &valueSize);
    type = valueType;
    size = valueSize;
    return status;
}

long WinRegistry::closeKey(Handle key)
{
    return RegCloseKey(reinterpret_cast<HKEY>(key));
}

} // namespace corvane
