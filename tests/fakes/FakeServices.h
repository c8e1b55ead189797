#pragma once

#include "Clipboard.h"
#include "ProcessLauncher.h"
#include "QtSettingsStore.h"
#include "RandomSource.h"
#include "Registry.h"
#include "Services.h"
#include "Shell.h"

#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <cstring>
#include <utility>

namespace corvane::test {

// Holds what was copied; while `busy`, refuses every copy as a clipboard held by another program would.
struct FakeClipboard final : Clipboard
{
    bool setSecretText(const QString& value) override { return !busy && (text = value, true); }
    QString text;
    bool busy = false;
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

// Values under HKEY_LOCAL_MACHINE with their type, by "key|value name" as stored in the 64-bit view and by
// "32-bit key|value name" in the 32-bit one. As Windows does to a standard user, refuses every open that asks
// to change something.
struct FakeRegistry final : Registry
{
    static constexpr quint32 writeRights = 0x2 | 0x4 | 0x20 | 0x10000 | 0x40000 | 0x80000 | 0x2000000 |
                                           0x10000000 | 0x40000000;
    long openKey(qint32 root, const QString& subKey, quint32, quint32 access, Handle& key) override
    {
        opened = (access & view32 ? "32-bit " : "") + subKey, key = 1;
        return access & writeRights ? 5 : root == localMachine ? 0 : 2;
    }
    long queryValue(Handle, const QString& name, quint32& type, unsigned char* to, quint32& size) override
    {
        const auto value = values.constFind(opened + '|' + name);
        if (value == values.cend() || quint32(value->second.size()) > size)
            return 2;
        std::memcpy(to, value->second.constData(), size_t(size = quint32(value->second.size())));
        return type = value->first, 0;
    }
    long closeKey(Handle) override { return 0; }
    // A text as the registry stores it: UTF-16, with or without its terminating zero.
    static std::pair<quint32, QByteArray> text(const QString& value, bool withZero)
    {
        return {typeText, {reinterpret_cast<const char*>(value.utf16()), (value.size() + withZero) * 2}};
    }
    QMap<QString, std::pair<quint32, QByteArray>> values;
    QString opened;
};

// While it lives, dismisses every modal dialog and notes it: a message box by its text, any other
// dialog by its title, each marked when assistive technology is not told it is an alert. A dialog that
// a fault brings up then fails a test instead of hanging it.
struct DialogWatcher : QTimer
{
    DialogWatcher()
    {
        connect(this, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                auto* box = qobject_cast<QMessageBox*>(dialog);
                const bool alert = QAccessible::queryAccessibleInterface(dialog)->role() == QAccessible::AlertMessage;
                seen.append((alert ? "" : "not an alert: ") + (box ? box->text() : dialog->windowTitle())),
                    dialog->done(QDialog::Accepted);
            }
        });
        start(0);
    }
    QStringList seen;
};

// Fakes for all but the settings store, which is the real one on a file of its own, and a watcher
// for the dialogs the code under test brings up.
struct TestServices
{
    DialogWatcher dialogs;
    QTemporaryDir dir;
    QtSettingsStore settings{dir.filePath("Corvane.ini")};
    FakeClipboard clipboard;
    FakeShell shell;
    FakeRegistry registry;
    Services services{settings, clipboard, shell, shell, registry};
};

// Draws 0, 1, 2, ... in turn, so the passwords walk through the pool in its order.
struct CountingRandom final : RandomSource
{
    std::uint32_t bounded(std::uint32_t n) override { return next++ % n; }
    std::uint32_t next = 0;
};

} // namespace corvane::test
