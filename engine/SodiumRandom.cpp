#include "SodiumRandom.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace corvane {

namespace {

constexpr std::size_t charactersSize = SodiumRandom::chunkBytes * sizeof(char16_t);

} // namespace

SodiumRandom::SodiumRandom(ByteMapping mapping) : m_mapping(mapping)
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium could not be initialised");
    m_bytes = static_cast<unsigned char*>(sodium_malloc(chunkBytes));
    m_characters = static_cast<char16_t*>(sodium_malloc(charactersSize));
    if (!m_bytes || !m_characters) {
        sodium_free(m_bytes);
        sodium_free(m_characters);
        throw std::bad_alloc();
    }
}

SodiumRandom::~SodiumRandom()
{
    // Each wipes before it frees.
    sodium_free(m_bytes);
    sodium_free(m_characters);
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

void SodiumRandom::mapChunk()
{
    refill();
    m_endCharacter = mapBytes(m_table, {m_bytes, chunkBytes}, m_characters, m_mapping);
    m_nextCharacter = 0;
    m_next = chunkBytes; // every byte of the chunk now stands for a character or was rejected
}

void SodiumRandom::dropCharacters()
{
    sodium_memzero(m_characters, charactersSize);
    m_nextCharacter = m_endCharacter = 0;
}

void SodiumRandom::release()
{
    sodium_memzero(m_bytes, chunkBytes);
    m_next = chunkBytes;
    dropCharacters();
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
    if (pool.size() > qsizetype(m_table.character.size())) {
        RandomSource::pick(pool, out);
        return;
    }
    // A pool that shares its data with the one the table was made for has the same characters:
    // a shared string cannot change without first getting data of its own.
    if (!pool.isSharedWith(m_tablePool)) {
        if (pool != m_tablePool) {
            m_table = ByteTable(pool);
            dropCharacters(); // they stand for the characters of another pool
        }
        m_tablePool = pool;
    }
    std::size_t done = 0;
    while (done < out.size()) {
        if (m_nextCharacter == m_endCharacter)
            mapChunk();
        const std::size_t count = std::min(out.size() - done, m_endCharacter - m_nextCharacter);
        std::memcpy(static_cast<void*>(out.data() + done), m_characters + m_nextCharacter, count * sizeof(char16_t));
        m_nextCharacter += count;
        done += count;
    }
}

} // namespace corvane
