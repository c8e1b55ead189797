#pragma once

#include "RandomSource.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace corvane {

// Random bytes in bulk: a ChaCha20 keystream under a key of 32 fresh bytes from the operating
// system (libsodium's randombytes_buf), a new key for every chunk, the key wiped as soon as its
// chunk is out. A byte is handed out once; release() wipes the chunk, so the next batch starts
// from a new key and nothing a batch drew outlives it.
class SodiumRandom final : public RandomSource
{
public:
    static constexpr std::size_t chunkBytes = std::size_t{32} * 1024;

    SodiumRandom();
    ~SodiumRandom() override;
    SodiumRandom(const SodiumRandom&) = delete;
    SodiumRandom& operator=(const SodiumRandom&) = delete;

    std::uint32_t bounded(std::uint32_t n) override;
    void pick(const QString& pool, std::span<QChar> out) override;
    void release() override;

private:
    void refill();

    unsigned char* m_bytes; // chunkBytes, locked in memory where the system allows it
    std::size_t m_next = chunkBytes; // the first byte not yet handed out
    // A batch draws every password from the same pool: the character each byte stands for, and the
    // first byte value that is rejected, are worked out once for it.
    QString m_tablePool;
    std::array<QChar, 256> m_character{};
    std::uint32_t m_byteLimit = 0;
};

} // namespace corvane
