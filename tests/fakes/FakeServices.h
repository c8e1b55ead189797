#pragma once

#include "Clipboard.h"
#include "ProcessLauncher.h"
#include "QtSettingsStore.h"
#include "RandomSource.h"
#include "Registry.h"
#include "Services.h"
#include "Shell.h"

#include <QApplication>
#include <QMessageBox>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <cstring>

namespace corvane::test {

struct FakeClipboard final : Clipboard
{
    void setSecretText(const QString& value) override { text = value; }
    QString text;
};

// Notes what is opened and, as "start <program>", what is started; the startable files are the normal ones.
struct FakeShell final : Shell, ProcessLauncher
{
    bool open(const QString& target) override { return seen.append(target), true; }
    bool startDetached(const QString& program) override
    {
        seen.append("start " + program);
        return isNormalFile(program);
    }
    bool isNormalFile(const QString& path) const override { return startable.contains(path); }
    QSet<QString> startable;
    QStringList seen;
};

// Values under HKEY_LOCAL_MACHINE by "key|value name", returned as they are stored.
struct FakeRegistry final : Registry
{
    long openKey(qint32 root, const QByteArray& subKey, quint32, quint32, Handle& key) override
    {
        opened = subKey, key = 1;
        return root == localMachine ? 0 : 2;
    }
    long queryValue(Handle, const QByteArray& name, quint32& type, unsigned char* to, quint32& size) override
    {
        const QByteArray bytes = values.value(opened + '|' + name);
        if (!values.contains(opened + '|' + name) || quint32(bytes.size()) > size)
            return 2;
        std::memcpy(to, bytes.constData(), size_t(size = quint32(bytes.size())));
        return type = types.value(opened + '|' + name, typeText), 0;
    }
    long closeKey(Handle) override { return 0; }
    QMap<QByteArray, QByteArray> values;
    QMap<QByteArray, quint32> types; // text unless given
    QByteArray opened;
};

// Fakes for all but the settings store, which is the real one on a file of its own.
struct TestServices
{
    QTemporaryDir dir;
    QtSettingsStore settings{dir.filePath("Corvane.ini")};
    FakeClipboard clipboard;
    FakeShell shell;
    FakeRegistry registry;
    Services services{settings, clipboard, shell, shell, registry};
    QString preset(const QString& key) const { return settings.get("Corvane", "Presets", key, {}); }
};

// Draws 0, 1, 2, ... in turn, so the passwords walk through the pool in its order.
struct CountingRandom final : RandomSource
{
    std::uint32_t bounded(std::uint32_t n) override { return next++ % n; }
    std::uint32_t next = 0;
};

// While it lives, dismisses every modal dialog and notes it: a message box by its text, any other
// dialog by its title. A dialog that a fault brings up then fails a test instead of hanging it.
struct DialogWatcher : QTimer
{
    DialogWatcher()
    {
        connect(this, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                auto* box = qobject_cast<QMessageBox*>(dialog);
                seen.append(box ? box->text() : dialog->windowTitle()), dialog->done(QDialog::Accepted);
            }
        });
        start(0);
    }
    QStringList seen;
};

} // namespace corvane::test
