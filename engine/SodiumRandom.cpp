#include "SodiumRandom.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace corvane {

namespace {

constexpr std::size_t maskRun = 64; // positions per rejection mask, a bit each
constexpr std::size_t maskStep = 16; // bytes compared at once

// A bit for each of the `run` bytes that is `limit` or over. Reads up to the next multiple of
// maskStep bytes: the caller makes sure the chunk holds them.
std::uint64_t rejectedBytes(const unsigned char* bytes, std::size_t run, std::uint32_t limit)
{
    if (limit > 255)
        return 0;
    std::uint64_t rejected = 0;
#if defined(__SSE2__)
    const __m128i floor = _mm_set1_epi8(static_cast<char>(limit));
    for (std::size_t i = 0; i < run; i += maskStep) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i atLeastFloor = _mm_cmpeq_epi8(_mm_max_epu8(v, floor), v);
        rejected |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(atLeastFloor))} << i;
    }
    if (run < maskRun)
        rejected &= (std::uint64_t{1} << run) - 1;
#else
    for (std::size_t i = 0; i < run; ++i)
        rejected |= std::uint64_t{bytes[i] >= limit} << i;
#endif
    return rejected;
}

// std::popcount, kept inline: without a processor that surely has the instruction it is a library call.
std::size_t countOnes(std::uint64_t bits)
{
    bits -= (bits >> 1) & 0x5555555555555555u;
    bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
    bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return std::size_t((bits * 0x0101010101010101u) >> 56);
}

} // namespace

SodiumRandom::SodiumRandom()
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium could not be initialised");
    m_bytes = static_cast<unsigned char*>(sodium_malloc(chunkBytes));
    if (!m_bytes)
        throw std::bad_alloc();
}

SodiumRandom::~SodiumRandom()
{
    sodium_free(m_bytes); // wipes before it frees
}

void SodiumRandom::refill()
{
    // ChaCha20 under a fresh 256-bit key from the operating system: one system call per chunk
    // instead of one per password. A key serves one chunk only, so the zero nonce never repeats.
    unsigned char key[crypto_stream_chacha20_KEYBYTES];
    unsigned char nonce[crypto_stream_chacha20_NONCEBYTES] = {};
    randombytes_buf(key, sizeof key);
    crypto_stream_chacha20(m_bytes, chunkBytes, nonce, key);
    sodium_memzero(key, sizeof key);
    m_next = 0;
}

void SodiumRandom::release()
{
    sodium_memzero(m_bytes, chunkBytes);
    m_next = chunkBytes;
}

std::uint32_t SodiumRandom::bounded(std::uint32_t n)
{
    if (n < 2)
        return 0;
    // The lowest (2^32 mod n) words are rejected, so that every residue has the same number of
    // pre-images.
    const std::uint32_t floor = static_cast<std::uint32_t>(-n) % n;
    for (;;) {
        if (chunkBytes - m_next < sizeof(std::uint32_t))
            refill();
        std::uint32_t word;
        std::memcpy(&word, m_bytes + m_next, sizeof word);
        m_next += sizeof word;
        if (word >= floor)
            return word % n;
    }
}

void SodiumRandom::pick(const QString& pool, std::span<QChar> out)
{
    Q_ASSERT(!pool.isEmpty());
    if (pool.size() > qsizetype(m_character.size())) {
        RandomSource::pick(pool, out);
        return;
    }
    // A pool that shares its data with the one the table was made for has the same characters:
    // a shared string cannot change without first getting data of its own.
    if (!pool.isSharedWith(m_tablePool)) {
        if (pool != m_tablePool) {
            const auto n = static_cast<std::uint32_t>(pool.size());
            // Rejecting the top (256 mod n) byte values leaves every position the same number of bytes.
            m_byteLimit = 256 - 256 % n;
            for (std::uint32_t byte = 0; byte < 256; ++byte)
                m_character[byte] = pool[byte % n];
        }
        m_tablePool = pool;
    }

    // Each position takes the next byte of the stream, and the few whose byte is rejected then take
    // the next accepted bytes after them. A byte still serves one position at most and every
    // position gets a byte of its own, as plain rejection sampling gives, but the first pass has no
    // branch and no position waits on the one before it.
    const std::uint32_t limit = m_byteLimit;
    QChar* const drawn = out.data();
    for (std::size_t first = 0; first < out.size(); first += maskRun) {
        const std::size_t run = std::min(maskRun, out.size() - first);
        if (chunkBytes - m_next < (run + maskStep - 1) / maskStep * maskStep)
            refill(); // the few bytes left at the end of the chunk are never used
        const unsigned char* const bytes = m_bytes + m_next;
        m_next += run;
        for (std::size_t i = 0; i < run; ++i)
            drawn[first + i] = m_character[bytes[i]];
        std::uint64_t rejected = rejectedBytes(bytes, run, limit);
        if (rejected == 0)
            continue;
        // The replacements, gathered without a branch on each byte as well.
        std::array<unsigned char, maskRun> accepted;
        const std::size_t wanted = countOnes(rejected);
        for (std::size_t got = 0; got < wanted;) {
            if (m_next == chunkBytes)
                refill();
            const unsigned char byte = m_bytes[m_next++];
            accepted[got] = byte;
            got += byte < limit ? 1 : 0;
        }
        for (std::size_t t = 0; rejected != 0; rejected &= rejected - 1, ++t)
            drawn[first + std::size_t(std::countr_zero(rejected))] = m_character[accepted[t]];
    }
}

} // namespace corvane
