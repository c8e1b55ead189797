#include "UpDown.h"

#include "NumericText.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>

namespace corvane {

UpDown::UpDown(const QString& objectName, QLineEdit* buddy, int minimum, int maximum, int value, QWidget* parent)
    : QWidget(parent), m_buddy(buddy), m_up(new QToolButton(this)), m_down(new QToolButton(this)),
      m_minimum(minimum), m_maximum(maximum), m_value(std::clamp(value, minimum, maximum))
{
    setObjectName(objectName);
    setFocusPolicy(Qt::TabFocus);
    for (auto* button : {m_up, m_down}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        button->setIconSize(QSize(7, 7));
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    connect(m_up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void UpDown::setValue(int value)
{
    m_value = std::clamp(value, m_minimum, m_maximum);
}

int UpDown::startValue() const
{
    const QString text = m_buddy->text();
    if (const auto typed = toInt32(text); typed && leadingNumber(text) == *typed && *typed >= m_minimum &&
                                          *typed <= m_maximum)
        return *typed;
    return m_value;
}

void UpDown::stepBy(int delta)
{
    m_value = std::clamp(startValue() + delta, m_minimum, m_maximum);
    m_buddy->setText(QString::number(m_value));
    QAccessibleValueChangeEvent event(this, m_value);
    QAccessible::updateAccessibility(&event);
}

void UpDown::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up)
        stepBy(1);
    else if (event->key() == Qt::Key_Down)
        stepBy(-1);
    else
        QWidget::keyPressEvent(event);
}

void UpDown::resizeEvent(QResizeEvent* event)
{
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
    QWidget::resizeEvent(event);
}

} // namespace corvane
