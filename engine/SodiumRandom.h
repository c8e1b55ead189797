#pragma once

#include "RandomSource.h"

#include <array>
#include <cstddef>

namespace corvane {

// The operating system's cryptographic generator, through libsodium. Every reseed() discards what
// is left of the previous password's bytes, and bounded() refills from libsodium in one call for
// a whole password of the longest length, so a password costs one call to the generator.
class SodiumRandom final : public RandomSource
{
public:
    static constexpr std::size_t wordsPerRefill = 50;

    SodiumRandom();
    ~SodiumRandom() override;
    SodiumRandom(const SodiumRandom&) = delete;
    SodiumRandom& operator=(const SodiumRandom&) = delete;

    std::uint32_t bounded(std::uint32_t n) override;
    void reseed() override;

private:
    std::uint32_t nextWord();

    std::array<std::uint32_t, wordsPerRefill> m_words{};
    std::size_t m_next = wordsPerRefill;
    // A password draws every character with the same n: its rejection floor is worked out once.
    std::uint32_t m_floorOf = 0;
    std::uint32_t m_floor = 0;
};

} // namespace corvane
