#include "PictureBox.h"

#include "Accessibility.h"
#include "UiCommon.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace corvane {

PictureBox::PictureBox(const QString& objectName, Kind kind, QWidget* parent) : QLabel(parent), m_kind(kind)
{
    setObjectName(objectName);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Reached by Tab, at the end of the order; a click leaves the focus where it was.
    setFocusPolicy(kind == Kind::Button ? Qt::TabFocus : Qt::NoFocus);
    if (kind == Kind::Decoration)
        hideFromAssistiveTechnology(this);
}

void PictureBox::setImage(const QString& resource, QSize size)
{
    setPixmap(loadPicture(resource, size, devicePixelRatioF()));
}

void PictureBox::keyPressEvent(QKeyEvent* event)
{
    const bool press = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space;
    if (m_kind == Kind::Button && press && !event->isAutoRepeat() &&
        (event->modifiers() & ~Qt::KeyboardModifiers(Qt::KeypadModifier)) == Qt::NoModifier) {
        emit Click();
        return;
    }
    QLabel::keyPressEvent(event);
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
    QLabel::mouseReleaseEvent(event);
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // The style's own focus frame is a pale line meant for text; around a picture it is lost, so the frame
    // is drawn in the selection colour, which a high-contrast scheme sets too.
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawRect(QRectF(contentsRect()).adjusted(1, 1, -1, -1));
}

} // namespace corvane
