#pragma once

#include "Clipboard.h"
#include "ProcessLauncher.h"
#include "SettingsStore.h"
#include "Shell.h"

#include <QMap>
#include <QSet>
#include <QStringList>

namespace corvane::test {

class FakeSettingsStore final : public SettingsStore
{
public:
    QString get(const QString& application, const QString& section, const QString& key,
                const QString& defaultValue) const override
    {
        reads.append(key);
        return values.value(path(application, section, key), defaultValue);
    }
    void save(const QString& application, const QString& section, const QString& key,
              const QString& value) override
    {
        writes.append(key);
        values.insert(path(application, section, key), value);
    }

    static QString path(const QString& application, const QString& section, const QString& key)
    {
        return application + u'/' + section + u'/' + key;
    }
    QString preset(const QString& key) const { return values.value(path("Corvane", "Presets", key)); }
    bool hasPreset(const QString& key) const { return values.contains(path("Corvane", "Presets", key)); }
    void setPreset(const QString& key, const QString& value) { values.insert(path("Corvane", "Presets", key), value); }
    void removePreset(const QString& key) { values.remove(path("Corvane", "Presets", key)); }

    QMap<QString, QString> values;
    mutable QStringList reads;
    QStringList writes;
};

class FakeClipboard final : public Clipboard
{
public:
    void setSecretText(const QString& value) override
    {
        text = value;
        ++calls;
    }
    QString text;
    int calls = 0;
};

class FakeShell final : public Shell
{
public:
    bool open(const QString& target) override
    {
        opened.append(target);
        return succeed;
    }
    QStringList opened;
    bool succeed = true;
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
