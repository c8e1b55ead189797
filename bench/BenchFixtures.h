#pragma once

// The engine behind a recording view, and the real main window over the test suite's fake services:
// what the benchmarks drive, kept here so the tests hold only what they use themselves.

#include "FakeServices.h"
#include "GenerationState.h"
#include "GeneratorView.h"
#include "SodiumRandom.h"
#include "frmMain.h"

#include <QListWidget>
#include <QTest>

#include <array>
#include <memory>

namespace corvane::test {

// Stands in for the main window: holds the values the engine reads and records what it writes.
class RecorderView final : public GeneratorView
{
public:
    int classValue(int index) const override { return classes.at(static_cast<std::size_t>(index)); }
    QString specialSetText() const override { return special; }
    QString extendedSetText() const override { return extended; }
    QString lengthText() const override { return length; }
    QString countText() const override { return count; }
    void setPasswordText(const QString& value) override { password = value; }
    QString passwordText() const override { return password; }
    void clearList() override { list.clear(); }
    void addListEntry(const QString& entry) override { list.append(entry); }
    void showMessage(const QString& text) override { messages.append(text); }
    void focusLengthSelectAll() override {}
    void focusCountSelectAll() override {}

    std::array<int, 5> classes{1, 1, 1, 1, 0};
    QString special, extended, length, count, password;
    QStringList list, messages;
};

// A main window over the test services and the real random source, shown offscreen.
struct MainWindowHarness : TestServices
{
    GenerationState state;
    SodiumRandom random;
    std::unique_ptr<frmMain> window;

    void setPreset(const QString& key, const QString& value)
    {
        settings.save(QStringLiteral("Corvane"), QStringLiteral("Presets"), key, value);
    }
    frmMain& open()
    {
        window = std::make_unique<frmMain>(services, state, random);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qFatal("main window not exposed");
        window->activateWindow();
        return *window;
    }
    template <typename T = QWidget> T* child(const QString& name) const
    {
        auto* found = window->findChild<T*>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    void fillList(const QStringList& entries) const
    {
        auto* list = child<QListWidget>(QStringLiteral("lstPass"));
        list->clear();
        list->addItems(entries);
    }
};

} // namespace corvane::test
