#pragma once

#include <QString>

namespace corvane {

class Clipboard
{
public:
    virtual ~Clipboard() = default;
    // Clears the clipboard, then puts `text` on it marked as secret, so clipboard managers and
    // clipboard history leave it out. False when the clipboard does not hold the text afterwards.
    [[nodiscard]] virtual bool setSecretText(const QString& text) = 0;
};

} // namespace corvane
