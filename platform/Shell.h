#pragma once

#include <QString>

namespace corvane {

// The desktop's "open" for a file path or a web address, with its default handler.
class Shell
{
public:
    virtual ~Shell() = default;
    virtual bool open(const QString& target) = 0;
};

} // namespace corvane
