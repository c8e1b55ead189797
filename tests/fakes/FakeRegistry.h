#pragma once

#include "Registry.h"

#include <QByteArrayList>
#include <QMap>
#include <cstring>
#include <utility>

namespace corvane::test {

// Keys under HKEY_LOCAL_MACHINE holding values, each a type and its bytes. Every call is recorded;
// the n-th open hands out handle n, so a handle leads back to the key it opened.
class FakeRegistry final : public Registry
{
public:
    using Value = std::pair<quint32, QByteArray>;

    long openKey(qint32 root, const QByteArray& subKey, quint32 options, quint32 access, Handle& key) override
    {
        // A failed open leaves the caller's handle as it was, so relying on it shows in `closes`.
        const bool found = root == localMachine && options == 0 && keys.contains(subKey);
        opened.append(subKey);
        accesses.append(access);
        if (found)
            key = static_cast<Handle>(opened.size());
        handles.append(found ? key : 0);
        return found ? 0 : 2;
    }

    long queryValue(Handle key, const QByteArray& name, quint32& type, unsigned char* data,
                    quint32& size) override
    {
        bufferSizes.append(size);
        const QMap<QByteArray, Value> values = keys.value(opened.value(static_cast<qsizetype>(key) - 1));
        if (!values.contains(name))
            return 2;
        const auto [valueType, bytes] = values.value(name);
        const bool fits = static_cast<quint32>(bytes.size()) <= size;
        if (fits)
            std::memcpy(data, bytes.constData(), static_cast<size_t>(bytes.size()));
        type = valueType;
        size = static_cast<quint32>(bytes.size());
        return fits ? 0 : 234;
    }

    long closeKey(Handle key) override
    {
        closes.append(key);
        return 0;
    }

    QMap<QByteArray, QMap<QByteArray, Value>> keys;
    QByteArrayList opened;
    QList<quint32> accesses, bufferSizes;
    QList<Handle> handles, closes; // one handle per open, 0 when it failed
};

} // namespace corvane::test
