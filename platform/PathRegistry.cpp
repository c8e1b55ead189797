#include "PathRegistry.h"

#include <QStandardPaths>

#include <cstring>

namespace corvane {
namespace {

constexpr long errorFileNotFound = 2;
constexpr long errorInvalidHandle = 6;
constexpr long errorMoreData = 234;
constexpr Registry::Handle toolKeyHandle = 1;

} // namespace

const QStringList& PathRegistry::preferredTools()
{
    // Most complete first; the last two are the desktops' own overviews.
    static const QStringList tools{QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"),
                                   QStringLiteral("kinfocenter"), QStringLiteral("gnome-system-monitor"),
                                   QStringLiteral("xfce4-taskmanager")};
    return tools;
}

long PathRegistry::openKey(qint32 root, const QString& subKey, quint32, quint32, Handle& key)
{
    key = 0;
    if (root != localMachine || subKey.compare(toolKey, Qt::CaseInsensitive) != 0)
        return errorFileNotFound;
    key = toolKeyHandle;
    return 0;
}

long PathRegistry::queryValue(Handle key, const QString& valueName, quint32& type, unsigned char* data,
                              quint32& size)
{
    if (key != toolKeyHandle)
        return errorInvalidHandle;
    if (valueName.compare(toolValue, Qt::CaseInsensitive) != 0)
        return errorFileNotFound;
    QString found;
    for (const QString& tool : preferredTools()) {
        found = QStandardPaths::findExecutable(tool);
        if (!found.isEmpty())
            break;
    }
    if (found.isEmpty())
        return errorFileNotFound;
    // Stored as a text value with its terminating zero, the way the registry keeps one.
    found.append(QChar(0));
    const QByteArray bytes(reinterpret_cast<const char*>(found.utf16()), found.size() * qsizetype(sizeof(char16_t)));
    if (static_cast<quint32>(bytes.size()) > size) {
        size = static_cast<quint32>(bytes.size());
        return errorMoreData;
    }
    std::memcpy(data, bytes.constData(), static_cast<size_t>(bytes.size()));
    size = static_cast<quint32>(bytes.size());
    type = typeText;
    return 0;
}

long PathRegistry::closeKey(Handle key)
{
    return key == toolKeyHandle ? 0 : errorInvalidHandle;
}

} // namespace corvane
