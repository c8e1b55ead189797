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
};

} // namespace corvane
