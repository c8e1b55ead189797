#include "PictureBox.h"

#include "UiCommon.h"

#include <QMouseEvent>

namespace corvane {

PictureBox::PictureBox(const QString& objectName, QWidget* parent) : QLabel(parent)
{
    setObjectName(objectName);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void PictureBox::setImage(const QString& resource, QSize size)
{
    setPixmap(loadPicture(resource, size, devicePixelRatioF()));
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
    QLabel::mouseReleaseEvent(event);
}

} // namespace corvane
