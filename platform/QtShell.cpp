#include "QtShell.h"

#include <QDesktopServices>
#include <QUrl>

namespace corvane {

bool QtShell::open(const QString& target)
{
    const QUrl url(target, QUrl::StrictMode);
    const bool isAddress = url.isValid() && url.scheme().size() > 1;
    return QDesktopServices::openUrl(isAddress ? url : QUrl::fromLocalFile(target));
}

} // namespace corvane
