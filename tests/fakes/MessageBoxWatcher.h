#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <utility>

namespace corvane::test {

// Answers every modal dialog that appears while it runs: a message box is noted and dismissed with
// OK; any other dialog goes to `answer`, which must close it.
class MessageBoxWatcher : public QObject
{
public:
    explicit MessageBoxWatcher(std::function<void(QDialog*)> answer = {}) : m_answer(std::move(answer))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
                texts.append(box->text());
                wellFormed = wellFormed && box->windowTitle() == u"Corvane" &&
                             box->icon() == QMessageBox::NoIcon && box->standardButtons() == QMessageBox::Ok;
                box->done(QMessageBox::Ok);
            } else if (dialog && m_answer) {
                m_answer(dialog);
            }
        });
        m_timer.start(0);
    }
    QStringList texts;
    bool wellFormed = true;

private:
    std::function<void(QDialog*)> m_answer;
    QTimer m_timer;
};

} // namespace corvane::test
