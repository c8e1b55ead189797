#pragma once

#include <QString>
#include <QtGlobal>

namespace corvane {

// Read access to a machine-wide registry with the semantics of the Win32 calls: 0 means success,
// anything else failure; a value query fails when its data does not fit the caller's buffer. Text
// data is UTF-16, as the wide-character calls give it.
class Registry
{
public:
    using Handle = quintptr;
    static constexpr qint32 localMachine = static_cast<qint32>(0x80000002u);
    static constexpr quint32 typeText = 1;
    static constexpr quint32 typeDword = 4;
    // Access rights: reading values, and which of a 64-bit system's two views to read.
    static constexpr quint32 queryValues = 0x0001;
    static constexpr quint32 view64 = 0x0100;
    static constexpr quint32 view32 = 0x0200;

    virtual ~Registry() = default;
    virtual long openKey(qint32 root, const QString& subKey, quint32 options, quint32 access, Handle& key) = 0;
    virtual long queryValue(Handle key, const QString& valueName, quint32& type, unsigned char* data,
                            quint32& size) = 0;
    virtual long closeKey(Handle key) = 0;
};

} // namespace corvane
