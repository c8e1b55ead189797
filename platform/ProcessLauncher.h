#pragma once

#include <QString>

namespace corvane {

class ProcessLauncher
{
public:
    virtual ~ProcessLauncher() = default;
    // Starts the program as an independent process and returns at once; false when it cannot start.
    virtual bool startDetached(const QString& program) = 0;
    // A regular file that is neither hidden nor a system file.
    virtual bool isNormalFile(const QString& path) const = 0;
};

} // namespace corvane
