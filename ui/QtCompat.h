#pragma once

// Differences between the Qt releases Corvane builds against (6.4 on Debian 12, 6.8 on Debian 13),
// kept here so the windows read the same on both.

#include <QAccessible>
#include <QCheckBox>
#include <QObject>
#include <QtGlobal>

#include <utility>

namespace corvane {

// Runs `handler(Qt::CheckState)` whenever `box` changes state, by the user or by the program.
// Qt 6.7 added checkStateChanged, and 6.9 deprecated the int-typed stateChanged, so the new signal is
// taken wherever it exists and the old one only before it.
template <typename Handler>
QMetaObject::Connection onCheckStateChanged(QCheckBox* box, QObject* context, Handler handler)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    return QObject::connect(box, &QCheckBox::checkStateChanged, context, std::move(handler));
#else
    return QObject::connect(box, &QCheckBox::stateChanged, context,
                            [handler = std::move(handler)](int state) { handler(static_cast<Qt::CheckState>(state)); });
#endif
}

// Tells assistive technology MESSAGE about SOURCE without moving the focus. Qt 6.8 brought an
// announcement for it; before that, `fallback(message)` does what screen readers speak instead.
template <typename Fallback>
void announceCompat(QObject* source, const QString& message, Fallback fallback)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    Q_UNUSED(fallback)
    QAccessibleAnnouncementEvent event(source, message);
    QAccessible::updateAccessibility(&event);
#else
    Q_UNUSED(source)
    fallback(message);
#endif
}

} // namespace corvane
