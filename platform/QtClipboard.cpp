#include "QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace corvane {

QMimeData* QtClipboard::secretMimeData(const QString& text)
{
    auto* data = new QMimeData;
    data->setText(text);
#if defined(Q_OS_MACOS)
    data->setData(QStringLiteral("application/x-nspasteboard-concealed-type"), QByteArray("secret"));
#else
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArray("secret"));
#endif
    return data;
}

bool QtClipboard::setSecretText(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setMimeData(secretMimeData(text));
    // X11 refuses the selection to a client whose claim is older than the current owner's; the
    // text read back is the proof where a platform does not report ownership.
    return clipboard->ownsClipboard() || clipboard->text() == text;
}

} // namespace corvane
