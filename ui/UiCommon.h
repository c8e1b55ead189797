#pragma once

#include <QCursor>
#include <QFont>
#include <QPalette>
#include <QPixmap>
#include <QRect>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace corvane {

inline const QString applicationTitle = QStringLiteral("Corvane");

// Layout figures are kept in twips, 15 to a pixel at 96 dpi, so every number in the code is the
// number of the form's layout table; Qt's device-independent pixels take care of other scales.
constexpr int twips(int value)
{
    return (value * 2 + 15) / 30;
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return {twips(left), twips(top), twips(width), twips(height)};
}

// The windows' standard face, with metric-compatible fallbacks where it is not installed.
QFont sansFont(qreal pointSize = 8.25);
QFont monoFont(qreal pointSize);

// Cursor 101: the pointing hand shown over clickable pictures and link buttons, made once.
const QCursor& hoverCursor();

// A picture from the resources at SIZE points for a screen of RATIO device pixels per point, from
// its @2x twin where the screen is dense, so that nothing sharp is drawn from enlarged 1x art.
QPixmap loadPicture(const QString& resource, QSize size, qreal ratio);
void setHoverCursor(QWidget* widget);

// The light face of a classic Windows program, every role of every group set, so that a dark desktop
// theme changes none of it: the pictures, the blue headings and the white fields were drawn for it.
QPalette classicPalette();

// Called once before any window exists. Under high contrast the user has chosen colours that must
// reach every text, so the classic face gives way to the system's palette, and setColour leaves
// every colour to it.
void chooseFace(bool highContrast);
// True when chooseFace gave the windows the system's high-contrast colours.
bool highContrastFace();

// Sets one colour of a widget's palette, leaving the rest as the style gives it.
void setColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour);

// A plain-text label placed at `geometry`, its text from the top left.
QLabel* makeLabel(const QString& objectName, const QString& text, QRect geometry, QWidget* parent);

// A command button: Enter presses it while it has the focus, and it is never a default button.
QPushButton* makeButton(const QString& objectName, const QString& caption, const QString& toolTip, QRect geometry,
                        QWidget* parent);

// A modal box titled with the application title, one OK button and no icon.
void showMessageBox(QWidget* parent, const QString& text);

// Runs `handler` on every mouse move over `widget`, buttons pressed or not.
template <typename Handler>
void onMouseMove(QWidget* widget, QObject* context, Handler handler);

} // namespace corvane

#include "UiCommon_impl.h"
