#pragma once

#include "Clipboard.h"
#include "ProcessLauncher.h"
#include "SettingsStore.h"
#include "Shell.h"

#include <QMap>
#include <QSet>
#include <QStringList>

namespace corvane::test {

// Values by application/section/key; notes the key of every read and every write, in order.
class FakeSettingsStore final : public SettingsStore
{
public:
    QString get(const QString& application, const QString& section, const QString& key,
                const QString& defaultValue) const override
    {
        reads.append(key);
        return values.value(application + u'/' + section + u'/' + key, defaultValue);
    }
    void save(const QString& application, const QString& section, const QString& key,
              const QString& value) override
    {
        writes.append(key);
        values.insert(application + u'/' + section + u'/' + key, value);
    }
    QString preset(const QString& key) const { return values.value("Corvane/Presets/" + key); }
    void setPreset(const QString& key, const QString& value)
    {
        values.insert("Corvane/Presets/" + key, value);
    }

    QMap<QString, QString> values;
    mutable QStringList reads;
    QStringList writes;
};

class FakeClipboard final : public Clipboard
{
public:
    void setSecretText(const QString& value) override { text = value; }
    QString text;
};

class FakeShell final : public Shell
{
public:
    bool open(const QString& target) override
    {
        opened.append(target);
        return true;
    }
    QStringList opened;
};

class FakeLauncher final : public ProcessLauncher
{
public:
    bool startDetached(const QString& program) override
    {
        attempted.append(program);
        return startable.contains(program);
    }
    bool isNormalFile(const QString& path) const override
    {
        tested.append(path);
        return files.contains(path);
    }
    QSet<QString> startable;
    QSet<QString> files;
    QStringList attempted;
    mutable QStringList tested;
};

} // namespace corvane::test
