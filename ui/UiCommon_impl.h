#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <utility>

namespace corvane::detail {

template <typename Handler>
class MouseMoveFilter final : public QObject
{
public:
    MouseMoveFilter(QObject* parent, Handler handler) : QObject(parent), m_handler(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseMove)
            m_handler();
        return QObject::eventFilter(watched, event);
    }

private:
    Handler m_handler;
};

} // namespace corvane::detail

namespace corvane {

template <typename Handler>
void onMouseMove(QWidget* widget, QObject* context, Handler handler)
{
    widget->setMouseTracking(true);
    widget->installEventFilter(new detail::MouseMoveFilter<Handler>(context, std::move(handler)));
}

} // namespace corvane
