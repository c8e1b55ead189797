#include "ListExport.h"

#include "Clipboard.h"
#include "GenerationState.h"

#include <QFileInfo>
#include <QListWidget>
#include <QSaveFile>

namespace corvane {

namespace {

// One pass that appends each entry straight into the text: gathering copies first and joining them
// after touches every entry three times, and a long list does not stay in the cache between those
// visits. The entries of a batch share one length, so the first sizes the text.
template <typename EntryAt>
QString joinLines(qsizetype count, EntryAt entryAt)
{
    static const QString lineEnd = QStringLiteral("\r\n");
    QString text;
    if (count > 0)
        text.reserve(count * (entryAt(0).size() + lineEnd.size()));
    for (qsizetype position = 0; position < count; ++position) {
        text += entryAt(position);
        text += lineEnd;
    }
    return text;
}

} // namespace

QString listText(const QStringList& entries)
{
    return joinLines(entries.size(), [&](qsizetype position) -> const QString& { return entries[position]; });
}

bool CopyListToClipboard(const QListWidget& list, GenerationState& state, Clipboard& clipboard)
{
    const QString text = joinLines(list.count(), [&](qsizetype position) { return list.item(int(position))->text(); });
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
