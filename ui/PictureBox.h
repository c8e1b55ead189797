#pragma once

#include <QLabel>

namespace corvane {

// A picture of a window: either a decoration, which takes no focus and is not read out, or a
// clickable picture that also works as a button from the keyboard.
class PictureBox : public QLabel
{
    Q_OBJECT
public:
    enum class Kind { Decoration, Button };
    PictureBox(const QString& objectName, Kind kind, QWidget* parent);

    // Loads a resource image at its natural size, with the @2x variant on high-density screens.
    void setImage(const QString& resource, QSize size);
    bool isDecoration() const { return m_kind == Kind::Decoration; }
    void click() { emit Click(); }

signals:
    void Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind;
};

} // namespace corvane
