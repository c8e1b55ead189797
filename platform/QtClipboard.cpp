#include "QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace corvane {
namespace {

const QString secretHint = QStringLiteral("x-kde-passwordManagerHint");

bool holdsSecretCopy()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard->ownsClipboard() ? clipboard->mimeData() : nullptr;
    return data && data->hasFormat(secretHint);
}

} // namespace

QMimeData* QtClipboard::secretMimeData(const QString& text)
{
    auto* data = new QMimeData;
    data->setText(text);
#if defined(Q_OS_MACOS)
    data->setData(QStringLiteral("application/x-nspasteboard-concealed-type"), QByteArray("secret"));
#else
    data->setData(secretHint, QByteArray("secret"));
#endif
    return data;
}

void QtClipboard::setSecretText(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setMimeData(secretMimeData(text));
}

void QtClipboard::outliveWindows()
{
    QGuiApplication::setQuitOnLastWindowClosed(false);
    static bool windowsGone = false;
    const auto quitWhenDone = [] {
        if (windowsGone && !holdsSecretCopy())
            QCoreApplication::quit();
    };
    QObject::connect(qGuiApp, &QGuiApplication::lastWindowClosed, qGuiApp, [quitWhenDone] {
        windowsGone = true;
        quitWhenDone();
    });
    // Losing the clipboard to another program is reported as a change, whoever made it.
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::changed, qGuiApp,
                     [quitWhenDone](QClipboard::Mode mode) {
                         if (mode == QClipboard::Clipboard)
                             quitWhenDone();
                     });
}

} // namespace corvane
