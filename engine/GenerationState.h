#pragma once

#include <QString>
#include <QtGlobal>

namespace corvane {

// The one record the engine shares with the main window for the life of the process.
struct GenerationState
{
    QString pool;
    QString specialSet;
    QString extendedSet;
    QString lengthText;
    qint16 copyPosition = 0;
};

} // namespace corvane
