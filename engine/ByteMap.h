#pragma once

#include <QStringView>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace corvane {

// The character each byte value stands for in a pool of at most 256, and the first byte value that
// is rejected: keeping the top (256 mod n) values would favour the first characters of the pool.
struct ByteTable
{
    explicit ByteTable(QStringView pool = {});

    std::array<char16_t, 256> character{};
    std::array<unsigned char, 256> low{}, high{}; // the same characters, a byte at a time
    std::uint32_t limit = 0; // 256 when every byte value is kept
};

enum class ByteMapping : std::uint8_t {
    Portable,
    Wide, // AVX-512 (BW, VBMI, VBMI2): 64 bytes at a time; only where wideMappingAvailable()
};

bool wideMappingAvailable();
ByteMapping fastestByteMapping();

// Writes the character of every accepted byte, in their order, to `out` and returns how many there
// were. `bytes` holds a multiple of 64 and `out` has room for as many characters; what lies past the
// ones returned is left undefined.
std::size_t mapBytes(const ByteTable& table, std::span<const unsigned char> bytes, char16_t* out,
                     ByteMapping mapping);

} // namespace corvane
