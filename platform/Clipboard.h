#pragma once

#include <QString>

namespace corvane {

class Clipboard
{
public:
    virtual ~Clipboard() = default;
    // Clears the clipboard, then puts `text` on it marked as secret, so clipboard managers and
    // clipboard history leave it out.
    virtual void setSecretText(const QString& text) = 0;
};

} // namespace corvane
