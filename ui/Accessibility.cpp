#include "Accessibility.h"

#include "PictureBox.h"
#include "QtCompat.h"
#include "UpDown.h"

#include <QAccessibleWidget>
#include <QLabel>

namespace corvane {
namespace {

const char* const decorationProperty = "corvaneDecoration";

// A window without its decorations: a picture that carries nothing is not read out.
class WindowAccessible : public QAccessibleWidget
{
public:
    WindowAccessible(QWidget* window, QAccessible::Role role) : QAccessibleWidget(window, role) {}

    int childCount() const override { return int(shownChildren().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const QWidgetList children = shownChildren();
        return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children[index])
                                                     : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return int(shownChildren().indexOf(qobject_cast<QWidget*>(child->object())));
    }

private:
    QWidgetList shownChildren() const
    {
        QWidgetList children;
        for (QObject* object : widget()->children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (child && !child->isWindow() && !child->property(decorationProperty).toBool())
                children.append(child);
        }
        return children;
    }
};

// The warning: an alert that says its whole text, as a message box does.
class AlertAccessible final : public WindowAccessible
{
public:
    explicit AlertAccessible(QWidget* dialog) : WindowAccessible(dialog, QAccessible::AlertMessage) {}

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Description)
            return WindowAccessible::text(t);
        QStringList texts;
        for (const QLabel* label : widget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
            if (!label->text().isEmpty())
                texts.append(label->text());
        return texts.join(u' ');
    }
};

// A picture that does what a button does, Enter and Space included.
class PictureButtonAccessible final : public QAccessibleWidget
{
public:
    explicit PictureButtonAccessible(PictureBox* picture) : QAccessibleWidget(picture, QAccessible::Button) {}

    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString& actionName) override
    {
        if (actionName == pressAction())
            static_cast<PictureBox*>(widget())->click();
        else
            QAccessibleWidget::doAction(actionName);
    }
};

// The spin control as one spin button, its arrows inside it: the value it steps from and its range.
class SpinAccessible final : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit SpinAccessible(UpDown* spin) : QAccessibleWidget(spin, QAccessible::SpinBox) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? QString::number(spin()->startValue()) : QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return spin()->startValue(); }
    void setCurrentValue(const QVariant& value) override { spin()->stepBy(value.toInt() - spin()->startValue()); }
    QVariant maximumValue() const override { return spin()->maximum(); }
    QVariant minimumValue() const override { return spin()->minimum(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    UpDown* spin() const { return static_cast<UpDown*>(widget()); }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    if (className == u"corvane::PictureBox" && !static_cast<PictureBox*>(widget)->isDecoration())
        return new PictureButtonAccessible(static_cast<PictureBox*>(widget));
    if (className == u"corvane::UpDown")
        return new SpinAccessible(static_cast<UpDown*>(widget));
    if (className == u"corvane::frmMain" || className == u"corvane::frmAbout")
        return new WindowAccessible(widget, QAccessible::Window);
    if (className == u"corvane::frmWarn")
        return new AlertAccessible(widget);
    if (className == u"corvane::Notice")
        return new QAccessibleWidget(widget, QAccessible::Notification);
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(installed)
}

void hideFromAssistiveTechnology(QWidget* widget)
{
    widget->setProperty(decorationProperty, true);
}

void announce(QWidget* window, const QString& message)
{
    announceCompat(window, message, [window](const QString& text) {
        auto* notice = window->findChild<Notice*>(QString(), Qt::FindDirectChildrenOnly);
        if (!notice) {
            notice = new Notice(window);
            notice->move(0, window->height() + notice->height());
        }
        notice->setText(text);
        notice->setAccessibleName(text);
        // Appearing is what is spoken, so it appears again for each message.
        notice->hide();
        notice->show();
    });
}

} // namespace corvane
