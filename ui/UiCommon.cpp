#include "UiCommon.h"

#include <QApplication>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>

#include <utility>

namespace corvane {
namespace {

bool systemColours = false;

} // namespace

QFont sansFont(qreal pointSize)
{
    // Microsoft Sans Serif is the outline face Windows draws for MS Sans Serif, a bitmap face that
    // scales badly. Liberation Sans stands in elsewhere; full hinting of it at this size leaves
    // '!' and 'I' blank under Wine, so only vertical hinting is asked for.
    QFont font;
    font.setFamilies({QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setHintingPreference(QFont::PreferVerticalHinting);
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

namespace {

// Left to guess, Qt asks every image plugin about a picture before it reads a PNG itself, loading
// all of them; named and not guessed, the PNG is read with no plugin loaded.
QImage readPng(const QString& resource)
{
    QImageReader reader(resource, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

} // namespace

QPixmap loadPicture(const QString& resource, QSize size, qreal ratio)
{
    QImage image;
    if (ratio > 1.0)
        image = readPng(QString(resource).insert(resource.lastIndexOf(u'.'), QStringLiteral("@2x")));
    if (image.isNull())
        image = readPng(resource);
    const QSize pixels = (QSizeF(size) * ratio).toSize();
    if (!image.isNull() && image.size() != pixels)
        image = image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(std::move(image));
}

const QCursor& hoverCursor()
{
    // Made at the first hover, then kept for every move: decoding the picture and making a native
    // cursor on each move costs more than the move itself. Never destroyed, so that it cannot
    // outlive the application object it was made under.
    static const QCursor* cursor =
        new QCursor(loadPicture(QStringLiteral(":/corvane/cursor101.png"), QSize(32, 32), 1.0), 6, 0);
    return *cursor;
}

void setHoverCursor(QWidget* widget)
{
    widget->setCursor(hoverCursor());
}

QPalette classicPalette()
{
    QPalette palette;
    const std::pair<QPalette::ColorRole, QRgb> roles[] = {
        {QPalette::Window, 0xf0f0f0},        {QPalette::WindowText, 0x000000}, {QPalette::Base, 0xffffff},
        {QPalette::AlternateBase, 0xf7f7f7}, {QPalette::Text, 0x000000},       {QPalette::Button, 0xf0f0f0},
        {QPalette::ButtonText, 0x000000},    {QPalette::BrightText, 0xffffff}, {QPalette::Light, 0xffffff},
        {QPalette::Midlight, 0xe3e3e3},      {QPalette::Mid, 0xa0a0a0},        {QPalette::Dark, 0xa0a0a0},
        {QPalette::Shadow, 0x696969},        {QPalette::Highlight, 0x0078d7},  {QPalette::HighlightedText, 0xffffff},
        {QPalette::Link, 0x0000ff},          {QPalette::LinkVisited, 0x800080}, {QPalette::ToolTipBase, 0xffffe1},
        {QPalette::ToolTipText, 0x000000},   {QPalette::PlaceholderText, 0x6d6d6d},
    };
    for (const auto& [role, rgb] : roles)
        palette.setColor(role, QColor(rgb));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor(0x6d6d6d));
    return palette;
}

void chooseFace(bool highContrast)
{
    systemColours = highContrast;
    if (!highContrast)
        QApplication::setPalette(classicPalette());
}

bool highContrastFace()
{
    return systemColours;
}

void setColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour)
{
    if (systemColours)
        return;
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

QLabel* makeLabel(const QString& objectName, const QString& text, QRect geometry, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setGeometry(geometry);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QPushButton* makeButton(const QString& objectName, const QString& caption, const QString& toolTip, QRect geometry,
                        QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setGeometry(geometry);
    button->setToolTip(toolTip);
    button->setAccessibleName(QString(caption).remove(u'&'));
    // Outside a dialog auto-default only means that Enter presses the button with the focus.
    button->setAutoDefault(true);
    button->setDefault(false);
    return button;
}

void showMessageBox(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace corvane
