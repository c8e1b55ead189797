#include "QtProcessLauncher.h"

#include <QFileInfo>
#include <QProcess>

namespace corvane {

bool QtProcessLauncher::startDetached(const QString& program)
{
    if (program.isEmpty())
        return false;
    QProcess process;
    process.setProgram(program);
    return process.startDetached();
}

bool QtProcessLauncher::isNormalFile(const QString& path) const
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    // QFileInfo::isHidden covers both a leading dot on Unix and the hidden attribute on Windows.
    return info.exists() && info.isFile() && !info.isHidden();
}

} // namespace corvane
