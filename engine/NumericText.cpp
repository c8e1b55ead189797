#include "NumericText.h"

#include <QString>

#include <clocale> // newlocale, and _create_locale on Windows
#include <cmath>
#include <cstdlib> // strtod_l, _strtod_l
#include <limits>
#include <string>

namespace corvane {
namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Length of the number that starts at `from`, or 0 when none does. Accepts
// [sign] digits [. digits] | [sign] . digits, then an optional exponent with at least one digit.
qsizetype numberLength(QStringView text, qsizetype from)
{
    qsizetype i = from;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        const qsizetype expStart = j;
        while (j < n && isDigit(text[j]))
            ++j;
        if (j > expStart)
            i = j;
    }
    return i - from;
}

double parse(QStringView number)
{
    // Every character is ASCII here, and strtod in the "C" locale reads exactly this grammar. The
    // locale is named, not taken from LC_NUMERIC: QCoreApplication sets that from the user's
    // environment, where a decimal comma would make strtod stop at the point of "3.5".
    const std::string ascii = number.toString().toStdString();
#if defined(Q_OS_WIN)
    static const _locale_t cLocale = _create_locale(LC_NUMERIC, "C");
    return _strtod_l(ascii.c_str(), nullptr, cLocale);
#else
    static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr));
    return strtod_l(ascii.c_str(), nullptr, cLocale);
#endif
}

template <typename Int>
std::optional<Int> toInteger(QStringView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isBlank(text[start]))
        ++start;
    while (end > start && isBlank(text[end - 1]))
        --end;
    const qsizetype length = numberLength(text, start);
    if (length == 0 || start + length != end)
        return std::nullopt;
    const double rounded = std::nearbyint(parse(text.sliced(start, length)));
    if (!(rounded >= std::numeric_limits<Int>::min() && rounded <= std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(rounded);
}

} // namespace

double leadingNumber(QStringView text)
{
    qsizetype start = 0;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    const qsizetype length = numberLength(text, start);
    return length == 0 ? 0.0 : parse(text.sliced(start, length));
}

std::optional<qint16> toInt16(QStringView text)
{
    return toInteger<qint16>(text);
}

std::optional<qint32> toInt32(QStringView text)
{
    return toInteger<qint32>(text);
}

} // namespace corvane
