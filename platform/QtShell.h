#pragma once

#include "Shell.h"

namespace corvane {

class QtShell final : public Shell
{
public:
    bool open(const QString& target) override;
};

} // namespace corvane
