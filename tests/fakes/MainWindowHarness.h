#pragma once

#include "FakeServices.h"
#include "GenerationState.h"
#include "PathRegistry.h"
#include "Services.h"
#include "SodiumRandom.h"
#include "frmMain.h"

#include <QListWidget>
#include <QTest>

#include <memory>

namespace corvane::test {

// A main window over fake services, shown offscreen.
struct MainWindowHarness
{
    FakeSettingsStore settings;
    FakeClipboard clipboard;
    FakeShell shell;
    FakeLauncher launcher;
    PathRegistry registry;
    Services services{settings, clipboard, shell, launcher, registry};
    GenerationState state;
    SodiumRandom random;
    std::unique_ptr<frmMain> window;

    frmMain& open(RandomSource* source = nullptr)
    {
        window = std::make_unique<frmMain>(services, state, source ? *source : random);
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

    void click(const QString& name) const { QTest::mouseClick(child(name), Qt::LeftButton); }

    void fillList(const QStringList& entries) const
    {
        auto* list = child<QListWidget>(QStringLiteral("lstPass"));
        list->clear();
        list->addItems(entries);
    }
};

} // namespace corvane::test
