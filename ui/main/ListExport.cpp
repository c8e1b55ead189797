#include "ListExport.h"

#include "Clipboard.h"
#include "GenerationState.h"

#include <QFileInfo>
#include <QListWidget>
#include <QSaveFile>

namespace corvane {

QString listText(const QStringList& entries)
{
    static const QString lineEnd = QStringLiteral("\r\n");
    qsizetype total = 0;
    for (const QString& entry : entries)
        total += entry.size() + lineEnd.size();
    QString text;
    text.reserve(total);
    for (const QString& entry : entries) {
        text += entry;
        text += lineEnd;
    }
    return text;
}

void CopyListToClipboard(const QListWidget& list, GenerationState& state, Clipboard& clipboard)
{
    // Entries are gathered last to first, as the copy position runs, then joined once: prepending
    // to the text built so far would copy it again for every entry.
    const int count = list.count();
    QStringList entries(count);
    for (int position = count - 1; position >= 0; --position) {
        state.copyPosition = static_cast<qint16>(position);
        entries[position] = list.item(position)->text();
    }
    state.copyPosition = -1;
    clipboard.setSecretText(listText(entries));
}

SaveOutcome saveTextFile(const QString& path, const QString& text)
{
    const bool existed = QFileInfo::exists(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString()};
    if (!existed && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        file.cancelWriting();
        return {false, file.errorString()};
    }
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return {false, file.errorString()};
    return {true, {}};
}

} // namespace corvane
