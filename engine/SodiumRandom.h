#pragma once

#include "ByteMap.h"
#include "RandomSource.h"

#include <cstddef>
#include <cstdint>

namespace corvane {

// Random bytes in bulk: a ChaCha20 keystream under a key of 32 fresh bytes from the operating
// system (libsodium's randombytes_buf), a new key for every chunk, the key wiped as soon as its
// chunk is out. A byte is handed out once; release() wipes the chunk and the characters made from
// it, so the next batch starts from a new key and nothing a batch drew outlives it.
class SodiumRandom final : public RandomSource
{
public:
    static constexpr std::size_t chunkBytes = std::size_t{32} * 1024;

    explicit SodiumRandom(ByteMapping mapping = fastestByteMapping());
    ~SodiumRandom() override;
    SodiumRandom(const SodiumRandom&) = delete;
    SodiumRandom& operator=(const SodiumRandom&) = delete;

    std::uint32_t bounded(std::uint32_t n) override;
    void pick(const QString& pool, std::span<QChar> out) override;
    void release() override;

private:
    void refill();
    void mapChunk();
    void dropCharacters();

    const ByteMapping m_mapping;
    unsigned char* m_bytes; // chunkBytes, locked in memory where the system allows it
    std::size_t m_next = chunkBytes; // the first byte not yet handed out
    // A batch draws every password from the same pool, so a whole chunk is turned into characters
    // of it at once, the rejected bytes left out; a password then copies the next ones.
    QString m_tablePool;
    ByteTable m_table;
    char16_t* m_characters; // chunkBytes of them, locked like the bytes
    std::size_t m_nextCharacter = 0;
    std::size_t m_endCharacter = 0;
};

} // namespace corvane
