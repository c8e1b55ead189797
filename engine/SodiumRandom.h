#pragma once

#include "RandomSource.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace corvane {

// Random bytes in bulk: a ChaCha20 keystream under a key of 32 fresh bytes from the operating
// system (libsodium's randombytes_buf), a new key for every chunk, the key wiped as soon as its
// chunk is out. A byte is handed out once; reseed() wipes the bytes of the password before, and
// release() the rest of the chunk, so the next batch starts from a new key.
class SodiumRandom final : public RandomSource
{
public:
    static constexpr std::size_t chunkBytes = std::size_t{32} * 1024;

    SodiumRandom();
    ~SodiumRandom() override;
    SodiumRandom(const SodiumRandom&) = delete;
    SodiumRandom& operator=(const SodiumRandom&) = delete;

    std::uint32_t bounded(std::uint32_t n) override;
    void fill(std::uint32_t n, std::span<std::uint32_t> draws) override;
    void reseed() override;
    void release() override;

private:
    void refill();
    void fillFromBytes(std::span<std::uint32_t> draws);
    void fillFromWords(std::uint32_t n, std::span<std::uint32_t> draws);

    unsigned char* m_bytes; // chunkBytes, locked in memory where the system allows it
    std::size_t m_next = chunkBytes;   // the first byte not yet handed out
    std::size_t m_unwiped = chunkBytes; // the first byte handed out since the last wipe
    // A batch draws every character with the same n: its rejection limit and residues are worked out once.
    std::uint32_t m_limitsOf = 0;
    std::uint32_t m_byteLimit = 0; // pools of up to 256: bytes from here on are rejected
    std::uint32_t m_wordFloor = 0; // larger pools: words below this are rejected
    std::array<std::uint8_t, 256> m_residue{};
};

} // namespace corvane
