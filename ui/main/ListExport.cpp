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

bool CopyListToClipboard(const QListWidget& list, GenerationState& state, Clipboard& clipboard)
{
    // One pass that appends each entry straight into the text: gathering copies first and joining
    // them after touches every entry three times, and a long list does not stay in the cache
    // between those visits. The entries of a batch share one length, so the first sizes the text.
    static const QString lineEnd = QStringLiteral("\r\n");
    const int count = list.count();
    QString text;
    if (count > 0)
        text.reserve(qsizetype(count) * (list.item(0)->text().size() + lineEnd.size()));
    for (int position = 0; position < count; ++position) {
        text += list.item(position)->text();
        text += lineEnd;
    }
    state.copyPosition = -1;
    return clipboard.setSecretText(text);
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
