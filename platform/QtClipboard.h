#pragma once

#include "Clipboard.h"

class QMimeData;

namespace corvane {

class QtClipboard final : public Clipboard
{
public:
    bool setSecretText(const QString& text) override;

    // The payload without touching the system clipboard, so what is marked can be checked.
    static QMimeData* secretMimeData(const QString& text);

    // On X11 and Wayland a copy lives only as long as the program that made it. From this call on,
    // closing the last window leaves the process running, windowless, while the clipboard still
    // holds its secret copy, and ends it as soon as another program takes the clipboard.
    static void outliveWindows();
};

} // namespace corvane
