#pragma once

#include <QLabel>
#include <QString>

namespace corvane {

// What a screen reader speaks when it appears, before Qt had announcements of its own: a notification.
// It lies outside its window's client area, so nobody sees it.
class Notice final : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;
};

// Teaches assistive technology what the program's own controls are: the clickable pictures are
// buttons, the decorations are left out, each spin control is a spin button with its range, the
// warning is an alert. Each window calls it first, before its title or font is set: Qt keeps the
// first interface it makes for an object, and with a screen reader listening, setting the title already
// makes one, a plain widget's. It takes effect once.
void installAccessibility();

// Leaves WIDGET, which carries nothing, out of what assistive technology reads.
void hideFromAssistiveTechnology(QWidget* widget);

// Tells assistive technology MESSAGE, spoken without the focus moving away from where it is.
// WINDOW is the window the message is about.
void announce(QWidget* window, const QString& message);

} // namespace corvane
