// leadingNumber, toInt16 and toInt32 on any text: no crash or undefined behaviour, agreement with
// the reference reading in ReferenceNumber.h, and the relations between the three.

#include "NumericText.h"
#include "ReferenceNumber.h"

#include <QString>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace corvane;

namespace {

[[noreturn]] void fail(const char* what, QStringView text)
{
    std::fprintf(stderr, "numeric text: %s for \"", what);
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7f)
            std::fputc(char(c.unicode()), stderr);
        else
            std::fprintf(stderr, "\\u%04x", unsigned(c.unicode()));
    }
    std::fprintf(stderr, "\"\n");
    std::abort();
}

bool sameDouble(double a, double b)
{
    return a == b && std::signbit(a) == std::signbit(b);
}

void check(QStringView text)
{
    const double leading = leadingNumber(text);
    const auto int16 = toInt16(text);
    const auto int32 = toInt32(text);

    if (!sameDouble(leading, fuzz::referenceLeading(text)))
        fail("leadingNumber differs from the reference", text);
    if (int16 != fuzz::referenceInteger<qint16>(text))
        fail("toInt16 differs from the reference", text);
    if (int32 != fuzz::referenceInteger<qint32>(text))
        fail("toInt32 differs from the reference", text);

    if (int16 && (!int32 || *int32 != *int16))
        fail("toInt16 accepts what toInt32 reads differently", text);
    if (int32 && std::nearbyint(leading) != double(*int32))
        fail("leadingNumber of an accepted text rounds to another value", text);

    const QString padded = QStringLiteral(" \t") + text.toString() + QStringLiteral("\t ");
    if (toInt32(padded) != int32 || !sameDouble(leadingNumber(padded), leading))
        fail("blanks around the text change its reading", text);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The program reads numbers under the user's locale (QCoreApplication applies it), so this does.
    std::setlocale(LC_ALL, "");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto* bytes = reinterpret_cast<const char*>(data);
    check(QString::fromUtf8(bytes, qsizetype(size)));
    // The same bytes as UTF-16 code units reach every QChar, lone surrogates included.
    if (size % 2 == 0) {
        QString units(qsizetype(size / 2), Qt::Uninitialized);
        for (std::size_t i = 0; i < size / 2; ++i)
            units[qsizetype(i)] = QChar(char16_t(data[2 * i] | data[2 * i + 1] << 8));
        check(units);
    }
    return 0;
}
