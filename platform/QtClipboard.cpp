#include "QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <optional>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace corvane {
namespace {

const QString secretHint = QStringLiteral("x-kde-passwordManagerHint");

bool holdsSecretCopy()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard->ownsClipboard() ? clipboard->mimeData() : nullptr;
    return data && data->hasFormat(secretHint);
}

// Whether this program owns the X11 clipboard, or nothing when not on X11. Qt calls the clipboard
// its own once it has asked for it, but the X server refuses a claim older than the current
// owner's; the owner's window tells, since X gives every client its own range of ids.
std::optional<bool> ownsX11Clipboard()
{
#if QT_CONFIG(xcb)
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, 9, "CLIPBOARD"), nullptr);
    xcb_get_selection_owner_reply_t* owner =
        atom ? xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr)
             : nullptr;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const bool ours = owner && owner->owner != XCB_NONE &&
                      (owner->owner & ~setup->resource_id_mask) == setup->resource_id_base;
    std::free(owner);
    std::free(atom);
    return ours;
#else
    return std::nullopt;
#endif
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

bool QtClipboard::setSecretText(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setMimeData(secretMimeData(text));
    if (const std::optional<bool> owned = ownsX11Clipboard())
        return *owned;
    // Elsewhere, where the platform may not report ownership, the text read back is the proof.
    return clipboard->ownsClipboard() || clipboard->text() == text;
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
