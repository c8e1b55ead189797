#include "SodiumRandom.h"

#include <sodium.h>

#include <stdexcept>

namespace corvane {

SodiumRandom::SodiumRandom()
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium could not be initialised");
}

SodiumRandom::~SodiumRandom()
{
    sodium_memzero(m_words.data(), sizeof m_words);
}

void SodiumRandom::reseed()
{
    sodium_memzero(m_words.data(), sizeof m_words);
    m_next = wordsPerRefill;
}

std::uint32_t SodiumRandom::nextWord()
{
    if (m_next == wordsPerRefill) {
        randombytes_buf(m_words.data(), sizeof m_words);
        m_next = 0;
    }
    return m_words[m_next++];
}

std::uint32_t SodiumRandom::bounded(std::uint32_t n)
{
    if (n < 2)
        return 0;
    // Reject the lowest (2^32 mod n) values so every residue has the same number of pre-images.
    if (n != m_floorOf) {
        m_floorOf = n;
        m_floor = static_cast<std::uint32_t>(-n) % n;
    }
    for (;;) {
        const std::uint32_t word = nextWord();
        if (word >= m_floor)
            return word % n;
    }
}

} // namespace corvane
