#pragma once

#include "Clipboard.h"

namespace corvane {

// The Windows clipboard through the Win32 calls themselves: Qt 6.4 registers a custom format under
// its whole MIME string, so the names Windows looks for to keep a copy out of clipboard history and
// cloud sync can only be set this way.
class WinClipboard final : public Clipboard
{
public:
    bool setSecretText(const QString& text) override;
};

} // namespace corvane
