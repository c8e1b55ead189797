#pragma once

#include <QString>

namespace corvane {

class Clipboard;
class PasswordList;
struct GenerationState;

// Replaces the clipboard's contents with the text of the whole list, as PasswordList::text() gives
// it, and leaves the copy position of the generation state at -1. False when nothing was copied.
bool CopyListToClipboard(const PasswordList& list, GenerationState& state, Clipboard& clipboard);

struct SaveOutcome
{
    bool saved = false;
    QString reason; // why it failed, for the message
};

// Writes `text` as UTF-8 without a byte-order mark, atomically: on failure an existing file is left
// as it was and nothing partial stays behind. A new file is readable by its owner only.
SaveOutcome saveTextFile(const QString& path, const QString& text);

} // namespace corvane
