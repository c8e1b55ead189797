#include "CharClasses.h"

namespace corvane {

QString specialCharacterSet()
{
    return QStringLiteral("!@#$%^&*-_=()[]{}<>?|~`+',.\\/;:");
}

QString extendedCharacterSet()
{
    // Yen (U+00A5) and capital N with tilde (U+00D1) stand twice on purpose: they carry double weight.
    return QStringLiteral(u"\u00A2\u00A5\u00A7\u00A9\u20AC\u00AB\u00AE\u00B1\u00BC\u00BD\u00BE\u00BF\u00A5"
                          u"\u00BB\u00D1\u00D8\u00F1\u00FF\u00D1\u00D7\u00F7\u00E6\u00A3\u00B6\u00AF");
}

const std::array<CharClass, classCount>& charClasses()
{
    static const std::array<CharClass, classCount> table{{
        {0, "Numbers", QStringLiteral("Use Numbers  [0-9]"), QStringLiteral("0123456789")},
        {1, "Lower", QStringLiteral("Use Lowercase  [a-z]"), QStringLiteral("abcdefghijklmnopqrstuvwxyz")},
        {2, "Upper", QStringLiteral("Use Uppercase  [A-Z]"), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ")},
        {3, "Special", QStringLiteral("Use Special Characters (!@#$%^&*-,)"), specialCharacterSet()},
        {4, "Extended", QStringLiteral(u"Use Extended Characters (\u00A2\u00A5\u00A7\u00A9\u20AC\u00AB\u00AE)"),
         extendedCharacterSet()},
    }};
    return table;
}

} // namespace corvane
