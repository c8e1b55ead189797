#pragma once

#include <QLabel>

namespace corvane {

// A picture that reports clicks, the way the form's clickable images do.
class PictureBox : public QLabel
{
    Q_OBJECT
public:
    explicit PictureBox(const QString& objectName, QWidget* parent);

    // Loads a resource image at its natural size, with the @2x variant on high-density screens.
    void setImage(const QString& resource, QSize size);

signals:
    void Click();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace corvane
