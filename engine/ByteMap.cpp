#include "ByteMap.h"

#include <cstring>

// CORVANE_WIDE_MAPPING comes from the build, which knows where the wide mapping can run.
#if defined(CORVANE_WIDE_MAPPING)
#include <immintrin.h>
#endif

namespace corvane {

ByteTable::ByteTable(QStringView pool)
{
    const auto n = static_cast<std::uint32_t>(pool.size());
    if (n == 0 || n > 256)
        return;
    limit = 256 - 256 % n;
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        const char16_t c = pool[byte % n].unicode();
        character[byte] = c;
        low[byte] = static_cast<unsigned char>(c & 0xFF);
        high[byte] = static_cast<unsigned char>(c >> 8);
    }
}

namespace {

// Two runs side by side, the first half of the bytes and the second: each accepted byte moves its
// run's end by one, and with two ends neither waits on the other.
std::size_t mapPortable(const ByteTable& table, std::span<const unsigned char> bytes, char16_t* out)
{
    const std::size_t half = bytes.size() / 2;
    const unsigned char* const second = bytes.data() + half;
    const std::uint32_t limit = table.limit;
    std::size_t first = 0, other = half;
    for (std::size_t i = 0; i < half; ++i) {
        const unsigned a = bytes[i], b = second[i];
        out[first] = table.character[a];
        first += a < limit ? 1 : 0;
        out[other] = table.character[b];
        other += b < limit ? 1 : 0;
    }
    std::memmove(out + first, out + half, (other - half) * sizeof(char16_t));
    return first + (other - half);
}

#if defined(CORVANE_WIDE_MAPPING)
#define CORVANE_WIDE_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,popcnt")))

// The characters of 32 of the bytes, the first half or the second, from their low and high bytes.
// (Masked extracts: GCC warns of an undefined register in the plain ones.)
template <int Half>
CORVANE_WIDE_TARGET __m512i wideCharacters(__m512i low, __m512i high)
{
    const __m512i l = _mm512_cvtepu8_epi16(_mm512_maskz_extracti64x4_epi64(0xFF, low, Half));
    const __m512i h = _mm512_cvtepu8_epi16(_mm512_maskz_extracti64x4_epi64(0xFF, high, Half));
    return _mm512_or_si512(l, _mm512_slli_epi16(h, 8));
}

CORVANE_WIDE_TARGET std::size_t mapWide(const ByteTable& table, std::span<const unsigned char> bytes, char16_t* out)
{
    // Each table is four registers of 64 entries: two permutes look up the low seven bits of a
    // byte, and its top bit chooses between them. (No lambdas here: they would not share the
    // function's instruction set.)
    const unsigned char* const low = table.low.data();
    const unsigned char* const high = table.high.data();
    const __m512i low0 = _mm512_loadu_si512(low), low1 = _mm512_loadu_si512(low + 64),
                  low2 = _mm512_loadu_si512(low + 128), low3 = _mm512_loadu_si512(low + 192);
    const __m512i high0 = _mm512_loadu_si512(high), high1 = _mm512_loadu_si512(high + 64),
                  high2 = _mm512_loadu_si512(high + 128), high3 = _mm512_loadu_si512(high + 192);
    const __m512i limit = _mm512_set1_epi8(static_cast<char>(table.limit));
    const bool keepAll = table.limit > 255;
    std::size_t end = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 64) {
        const __m512i v = _mm512_loadu_si512(bytes.data() + i);
        const __mmask64 top = _mm512_movepi8_mask(v);
        const __m512i lo = _mm512_mask_blend_epi8(top, _mm512_permutex2var_epi8(low0, v, low1),
                                                  _mm512_permutex2var_epi8(low2, v, low3));
        const __m512i hi = _mm512_mask_blend_epi8(top, _mm512_permutex2var_epi8(high0, v, high1),
                                                  _mm512_permutex2var_epi8(high2, v, high3));
        const __mmask64 kept = keepAll ? ~__mmask64{0} : _mm512_cmplt_epu8_mask(v, limit);
        const __m512i first = wideCharacters<0>(lo, hi), second = wideCharacters<1>(lo, hi);
        const auto keptFirst = static_cast<__mmask32>(kept);
        const auto keptSecond = static_cast<__mmask32>(kept >> 32);
        _mm512_storeu_si512(out + end, _mm512_maskz_compress_epi16(keptFirst, first));
        end += std::size_t(__builtin_popcount(keptFirst));
        _mm512_storeu_si512(out + end, _mm512_maskz_compress_epi16(keptSecond, second));
        end += std::size_t(__builtin_popcount(keptSecond));
    }
    return end;
}
#endif

} // namespace

bool wideMappingAvailable()
{
#if defined(CORVANE_WIDE_MAPPING)
    static const bool available = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                                  __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2");
    return available;
#else
    return false;
#endif
}

ByteMapping fastestByteMapping()
{
    return wideMappingAvailable() ? ByteMapping::Wide : ByteMapping::Portable;
}

std::size_t mapBytes(const ByteTable& table, std::span<const unsigned char> bytes, char16_t* out,
                     ByteMapping mapping)
{
#if defined(CORVANE_WIDE_MAPPING)
    if (mapping == ByteMapping::Wide && wideMappingAvailable())
        return mapWide(table, bytes, out);
#else
    (void)mapping;
#endif
    return mapPortable(table, bytes, out);
}

} // namespace corvane
