#pragma once

#include "ProcessLauncher.h"

namespace corvane {

class QtProcessLauncher final : public ProcessLauncher
{
public:
    bool startDetached(const QString& program) override;
    bool isNormalFile(const QString& path) const override;
};

} // namespace corvane
