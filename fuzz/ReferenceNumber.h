#pragma once

// A second reading of the numeric text grammar, built differently from engine/NumericText.cpp on
// purpose: the number is the longest prefix a small automaton accepts, and its value comes from
// std::from_chars, which never consults the C locale. The fuzzers compare the two.

#include <QStringView>

#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <system_error>

namespace corvane::fuzz {

inline bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

// Length of the longest prefix of text[from..] that is a number, 0 when none is.
inline std::size_t acceptedLength(QStringView text, std::size_t from)
{
    enum State { Start, Signed, Whole, Point, BarePoint, Fraction, Mark, MarkSign, Exponent, Dead };
    // Whole, Point (a point after digits) and Fraction end a number; Exponent does too.
    const auto accepting = [](State s) { return s == Whole || s == Point || s == Fraction || s == Exponent; };
    State state = Start;
    std::size_t best = 0;
    for (std::size_t i = from; i < std::size_t(text.size()) && state != Dead; ++i) {
        const char16_t c = text[qsizetype(i)].unicode();
        const bool digit = c >= u'0' && c <= u'9';
        const bool sign = c == u'+' || c == u'-';
        const bool point = c == u'.';
        const bool mark = c == u'e' || c == u'E';
        switch (state) {
        case Start:
            state = sign ? Signed : digit ? Whole : point ? BarePoint : Dead;
            break;
        case Signed:
            state = digit ? Whole : point ? BarePoint : Dead;
            break;
        case Whole:
            state = digit ? Whole : point ? Point : mark ? Mark : Dead;
            break;
        case Point:
        case Fraction:
            state = digit ? Fraction : mark ? Mark : Dead;
            break;
        case BarePoint:
            state = digit ? Fraction : Dead;
            break;
        case Mark:
            state = sign ? MarkSign : digit ? Exponent : Dead;
            break;
        case MarkSign:
            state = digit ? Exponent : Dead;
            break;
        case Exponent:
            state = digit ? Exponent : Dead;
            break;
        case Dead:
            break;
        }
        if (accepting(state))
            best = i + 1 - from;
    }
    return best;
}

// The value of a text the automaton accepted in full.
inline double valueOf(QStringView number)
{
    std::string ascii;
    for (const QChar c : number)
        ascii.push_back(char(c.unicode()));
    std::size_t at = 0;
    const bool negative = ascii[0] == '-';
    if (ascii[0] == '-' || ascii[0] == '+')
        at = 1; // from_chars takes no plus sign, and a minus only in front of the digits
    double value = 0;
    const char* first = ascii.data() + at;
    const char* last = ascii.data() + ascii.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (end != last)
        __builtin_trap(); // the automaton and from_chars disagree on the grammar itself
    if (error == std::errc::result_out_of_range) {
        // Too large or too small for a double: the power of ten of the first significant digit
        // tells which, as anything out of range is hundreds of decades away from 1.
        long decade = 0;
        bool seenPoint = false;
        bool significant = false;
        std::size_t i = at;
        for (; i < ascii.size() && ascii[i] != 'e' && ascii[i] != 'E'; ++i) {
            if (ascii[i] == '.') {
                seenPoint = true;
            } else if (!significant && ascii[i] != '0') {
                significant = true;
                decade = seenPoint ? decade - 1 : 0;
            } else if (significant && !seenPoint) {
                ++decade;
            } else if (!significant && seenPoint) {
                --decade;
            }
        }
        long exponent = 0;
        if (i < ascii.size()) {
            const bool down = ascii[i + 1] == '-';
            for (std::size_t j = i + 1; j < ascii.size(); ++j)
                if (ascii[j] >= '0' && ascii[j] <= '9' && exponent < 1'000'000)
                    exponent = exponent * 10 + (ascii[j] - '0');
            exponent = down ? -exponent : exponent;
        }
        value = decade + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

inline double referenceLeading(QStringView text)
{
    std::size_t start = 0;
    while (start < std::size_t(text.size()) && isBlank(text[qsizetype(start)].unicode()))
        ++start;
    const std::size_t length = acceptedLength(text, start);
    return length == 0 ? 0.0 : valueOf(text.sliced(qsizetype(start), qsizetype(length)));
}

// The whole text, blanks around it aside, as a double; nullopt when it is not exactly one number.
inline std::optional<double> referenceWhole(QStringView text)
{
    std::size_t start = 0;
    std::size_t end = std::size_t(text.size());
    while (start < end && isBlank(text[qsizetype(start)].unicode()))
        ++start;
    while (end > start && isBlank(text[qsizetype(end - 1)].unicode()))
        --end;
    if (start == end || acceptedLength(text, start) != end - start)
        return std::nullopt;
    return valueOf(text.sliced(qsizetype(start), qsizetype(end - start)));
}

template <typename Int> std::optional<Int> referenceInteger(QStringView text)
{
    const auto value = referenceWhole(text);
    if (!value)
        return std::nullopt;
    const double rounded = std::nearbyint(*value);
    if (std::isnan(rounded) || rounded < double(std::numeric_limits<Int>::min()) ||
        rounded > double(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return Int(rounded);
}

} // namespace corvane::fuzz
