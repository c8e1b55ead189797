#pragma once

#include <QString>

#include <cstdint>
#include <span>

namespace corvane {

class RandomSource
{
public:
    virtual ~RandomSource() = default;

    // Uniform in [0, n), without modulo bias. n must be at least 1.
    virtual std::uint32_t bounded(std::uint32_t n) = 0;

    // Every slot of `out` an independent, uniform choice among the positions of `pool`, which is
    // not empty. A bulk source serves a whole password at once.
    virtual void pick(const QString& pool, std::span<QChar> out)
    {
        const auto n = static_cast<std::uint32_t>(pool.size());
        for (QChar& slot : out)
            slot = pool[bounded(n)];
    }

    // Called at the start of every password. A source that draws for a whole batch at once has no
    // need of it: it never hands out a value twice, and release() wipes what it holds.
    virtual void reseed() {}

    // Called when a batch is done: a real source wipes whatever it still holds.
    virtual void release() {}
};

} // namespace corvane
