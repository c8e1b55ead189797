#include "SodiumRandom.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace corvane {

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
    m_unwiped = 0;
}

void SodiumRandom::reseed()
{
    sodium_memzero(m_bytes + m_unwiped, m_next - m_unwiped);
    m_unwiped = m_next;
}

void SodiumRandom::release()
{
    sodium_memzero(m_bytes, chunkBytes);
    m_next = chunkBytes;
    m_unwiped = chunkBytes;
}

std::uint32_t SodiumRandom::bounded(std::uint32_t n)
{
    std::uint32_t draw = 0;
    fill(n, {&draw, 1});
    return draw;
}

void SodiumRandom::fill(std::uint32_t n, std::span<std::uint32_t> draws)
{
    if (n < 2) {
        std::fill(draws.begin(), draws.end(), 0);
        return;
    }
    if (n != m_limitsOf) {
        m_limitsOf = n;
        // Reject the top (256 mod n) bytes, or the lowest (2^32 mod n) words, so that every residue
        // has the same number of pre-images.
        m_byteLimit = n <= 256 ? 256 - 256 % n : 0;
        m_wordFloor = static_cast<std::uint32_t>(-n) % n;
        if (n <= 256)
            for (std::uint32_t byte = 0; byte < 256; ++byte)
                m_residue[byte] = static_cast<std::uint8_t>(byte % n);
    }
    if (n <= 256)
        fillFromBytes(draws);
    else
        fillFromWords(n, draws);
}

void SodiumRandom::fillFromBytes(std::span<std::uint32_t> draws)
{
    const std::uint32_t limit = m_byteLimit;
    std::size_t filled = 0;
    while (filled < draws.size()) {
        if (m_next == chunkBytes)
            refill();
        // Every byte is written and only an accepted one kept: a branch on acceptance would be
        // mispredicted for each rejected byte, which costs more than the keystream itself.
        std::size_t next = m_next;
        for (; next < chunkBytes && filled < draws.size(); ++next) {
            const unsigned char byte = m_bytes[next];
            draws[filled] = m_residue[byte];
            filled += byte < limit ? 1 : 0;
        }
        m_next = next;
    }
}

void SodiumRandom::fillFromWords(std::uint32_t n, std::span<std::uint32_t> draws)
{
    for (std::uint32_t& draw : draws) {
        for (;;) {
            if (chunkBytes - m_next < sizeof(std::uint32_t))
                refill();
            std::uint32_t word;
            std::memcpy(&word, m_bytes + m_next, sizeof word);
            m_next += sizeof word;
            if (word >= m_wordFloor) {
                draw = word % n;
                break;
            }
        }
    }
}

} // namespace corvane
