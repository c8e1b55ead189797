#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

namespace corvane::test {

// Dismisses every modal message box that appears while it runs and notes what each one showed.
class MessageBoxWatcher : public QObject
{
public:
    MessageBoxWatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, &MessageBoxWatcher::inspect);
        m_timer.start(0);
    }
    QStringList texts;
    bool wellFormed = true;

private:
    void inspect()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        texts.append(box->text());
        wellFormed = wellFormed && box->windowTitle() == QLatin1String("Corvane") &&
                     box->icon() == QMessageBox::NoIcon && box->standardButtons() == QMessageBox::Ok;
        box->done(QMessageBox::Ok);
    }
    QTimer m_timer;
};

} // namespace corvane::test
