#pragma once

#include "Registry.h"

#include <QStringList>

namespace corvane {

// Where there is no registry: the system-information tool's path key answers with the first tool of
// a fixed preference list that is on PATH; every other key is absent.
class PathRegistry final : public Registry
{
public:
    static const QStringList& preferredTools();
    static inline const QString toolKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    static inline const QString toolValue = QStringLiteral("PATH");

    long openKey(qint32 root, const QString& subKey, quint32 options, quint32 access, Handle& key) override;
    long queryValue(Handle key, const QString& valueName, quint32& type, unsigned char* data,
                    quint32& size) override;
    long closeKey(Handle key) override;
};

} // namespace corvane
