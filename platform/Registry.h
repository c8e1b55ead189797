#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace corvane {

// Read access to a machine-wide registry with the semantics of the Win32 calls: 0 means success,
// anything else failure; a value query fails when its data does not fit the caller's buffer.
class Registry
{
public:
    using Handle = quintptr;
    static constexpr qint32 localMachine = static_cast<qint32>(0x80000002u);
    static constexpr quint32 typeText = 1;
    static constexpr quint32 typeDword = 4;

    virtual ~Registry() = default;
    virtual long openKey(qint32 root, const QByteArray& subKey, quint32 options, quint32 access,
                         Handle& key) = 0;
    virtual long queryValue(Handle key, const QByteArray& valueName, quint32& type, unsigned char* data,
                            quint32& size) = 0;
    virtual long closeKey(Handle key) = 0;
};

} // namespace corvane
