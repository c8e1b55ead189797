#pragma once

#include "Registry.h"

#include <QByteArray>
#include <QList>
#include <QMap>

#include <cstring>
#include <optional>
#include <utility>

namespace corvane::test {

struct FakeRegistryValue
{
    quint32 type = Registry::typeText;
    QByteArray bytes;
    // Replaces the size handed back on success, for registries that misreport it.
    std::optional<quint32> reportedSize;
};

// Keys and values set up by the test; every call is recorded with the arguments it was given.
class FakeRegistry final : public Registry
{
public:
    static constexpr long errorFileNotFound = 2;
    static constexpr long errorInvalidHandle = 6;
    static constexpr long errorMoreData = 234;

    using KeyPath = std::pair<qint32, QByteArray>;

    struct Open
    {
        qint32 root;
        QByteArray subKey;
        quint32 options;
        quint32 access;
        long status;
        Handle key; // 0 when the open failed
    };
    struct Query
    {
        Handle key;
        QByteArray valueName;
        quint32 bufferSize;
        long status;
    };

    void addKey(qint32 root, const QByteArray& subKey) { keys[{root, subKey}]; }
    void setValue(qint32 root, const QByteArray& subKey, const QByteArray& name,
                  const FakeRegistryValue& value)
    {
        keys[{root, subKey}].insert(name, value);
    }

    long openKey(qint32 root, const QByteArray& subKey, quint32 options, quint32 access, Handle& key) override
    {
        const KeyPath path{root, subKey};
        Open open{root, subKey, options, access, errorFileNotFound, 0};
        // On failure the caller's handle is left as it was, so a caller that relies on it being
        // cleared shows up in the recorded closes.
        if (keys.contains(path)) {
            open.status = 0;
            open.key = key = nextHandle++;
            openKeys.insert(key, path);
        }
        opens.append(open);
        return open.status;
    }

    long queryValue(Handle key, const QByteArray& valueName, quint32& type, unsigned char* data,
                    quint32& size) override
    {
        Query query{key, valueName, size, 0};
        const auto open = openKeys.constFind(key);
        const FakeRegistryValue* found = open == openKeys.cend() ? nullptr : lookup(*open, valueName);
        if (open == openKeys.cend()) {
            query.status = errorInvalidHandle;
        } else if (!found) {
            query.status = errorFileNotFound;
        } else if (static_cast<quint32>(found->bytes.size()) > size) {
            size = static_cast<quint32>(found->bytes.size());
            query.status = errorMoreData;
        } else {
            std::memcpy(data, found->bytes.constData(), static_cast<size_t>(found->bytes.size()));
            size = found->reportedSize.value_or(static_cast<quint32>(found->bytes.size()));
            type = found->type;
        }
        queries.append(query);
        return query.status;
    }

    long closeKey(Handle key) override
    {
        closes.append(key);
        return openKeys.remove(key) > 0 ? 0 : errorInvalidHandle;
    }

    QMap<KeyPath, QMap<QByteArray, FakeRegistryValue>> keys;
    QMap<Handle, KeyPath> openKeys;
    QList<Open> opens;
    QList<Query> queries;
    QList<Handle> closes;
    Handle nextHandle = 0x100;

private:
    const FakeRegistryValue* lookup(const KeyPath& path, const QByteArray& valueName) const
    {
        const auto key = keys.constFind(path);
        if (key == keys.cend())
            return nullptr;
        const auto it = key->constFind(valueName);
        return it == key->cend() ? nullptr : &*it;
    }
};

} // namespace corvane::test
