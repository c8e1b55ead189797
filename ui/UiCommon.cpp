#include "UiCommon.h"

#include <QBitmap>
#include <QMessageBox>
#include <QPixmap>

namespace corvane {

QFont sansFont(qreal pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setPointSizeF(pointSize);
    return font;
}

QFont monoFont(qreal pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                      QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(pointSize);
    return font;
}

QCursor hoverCursor()
{
    return QCursor(QPixmap(QStringLiteral(":/corvane/cursor101.png")), 6, 0);
}

void setHoverCursor(QWidget* widget)
{
    widget->setCursor(hoverCursor());
}

void showMessageBox(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace corvane
