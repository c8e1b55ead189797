#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace corvane {

// A spin control bound to a free-text field: the field takes any text, the arrows step an integer
// value inside [minimum, maximum] and write it into the field.
class UpDown : public QWidget
{
    Q_OBJECT
public:
    UpDown(const QString& objectName, QLineEdit* buddy, int minimum, int maximum, int value, QWidget* parent);

    int value() const { return m_value; }
    void setValue(int value);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    // The number in the field when that is a whole number in range, else value(): what the arrows
    // step from, and what a screen reader says the control holds.
    int startValue() const;
    void stepBy(int delta);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLineEdit* m_buddy;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_minimum;
    int m_maximum;
    int m_value;
};

} // namespace corvane
