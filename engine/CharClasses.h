#pragma once

#include <QString>

#include <array>

namespace corvane {

inline constexpr int classCount = 5;

struct CharClass
{
    int index;
    const char* presetKey;
    QString caption;
    QString characters;
};

// The five classes in the fixed order of the check boxes. The characters of classes 3 and 4 are the
// default sets; the window holds its own copies, which the engine reads for every password.
const std::array<CharClass, classCount>& charClasses();

QString specialCharacterSet();
QString extendedCharacterSet();

} // namespace corvane
