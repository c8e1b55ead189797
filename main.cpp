#include "CorvaneBuildInfo.h"
#include "GenerationState.h"
#include "HighContrast.h"
#include "PathRegistry.h"
#include "ProcessPrivacy.h"
#include "QtClipboard.h"
#include "QtProcessLauncher.h"
#include "QtSettingsStore.h"
#include "QtShell.h"
#include "Services.h"
#include "SodiumRandom.h"
#include "UiCommon.h"
#include "frmMain.h"

#include <QApplication>

#ifdef Q_OS_WIN
#include "WinClipboard.h"
#include "WinRegistry.h"
#endif

int main(int argc, char* argv[])
{
    corvane::keepMemoryPrivate();
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(corvane_images);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    // Ties the window to its desktop entry and icon where the compositor asks (Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("example.corvane.Corvane"));
    QApplication::setApplicationVersion(QString::fromLatin1(corvane::build::fileVersionText));
    // Chosen before any window exists, so a dark desktop theme cannot leave the fixed colours unpaired.
    corvane::chooseFace(corvane::highContrastOn());
#ifndef Q_OS_WIN
    // Windows keeps a copy after its program ends; X11 and Wayland do not.
    corvane::QtClipboard::outliveWindows();
#endif

    corvane::QtSettingsStore settings;
    corvane::QtShell shell;
    corvane::QtProcessLauncher launcher;
#ifdef Q_OS_WIN
    corvane::WinClipboard clipboard;
    corvane::WinRegistry registry;
#else
    corvane::QtClipboard clipboard;
    corvane::PathRegistry registry;
#endif
    corvane::Services services{settings, clipboard, shell, launcher, registry};

    static corvane::GenerationState state;
    corvane::SodiumRandom random;

    corvane::frmMain window(services, state, random);
    window.show();
    return QApplication::exec();
}
