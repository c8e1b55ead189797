#pragma once

#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace corvane {

// The value of the longest leading part of text that forms a number: blanks before it skipped,
// then a sign, digits, a decimal point and an exponent. 0 when the text does not start with one.
double leadingNumber(QStringView text);

// A whole numeric text (blanks around it allowed, an exponent such as 1e1 too) rounded to the
// nearest integer with ties to even. Empty, non-numeric, trailing junk or out of range: nullopt.
std::optional<qint16> toInt16(QStringView text);
std::optional<qint32> toInt32(QStringView text);

} // namespace corvane
