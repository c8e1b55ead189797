#include "ListExport.h"

#include "Clipboard.h"
#include "GenerationState.h"
#include "PasswordList.h"

#include <QFileInfo>
#include <QSaveFile>

namespace corvane {

bool CopyListToClipboard(const PasswordList& list, GenerationState& state, Clipboard& clipboard)
{
    const QString text = list.text();
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
