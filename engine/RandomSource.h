#pragma once

#include <cstdint>
#include <span>

namespace corvane {

class RandomSource
{
public:
    virtual ~RandomSource() = default;

    // Uniform in [0, n), without modulo bias. n must be at least 1.
    virtual std::uint32_t bounded(std::uint32_t n) = 0;

    // Independent draws of bounded(n) into every slot; a bulk source serves a whole password at once.
    virtual void fill(std::uint32_t n, std::span<std::uint32_t> draws)
    {
        for (std::uint32_t& draw : draws)
            draw = bounded(n);
    }

    // Called at the start of every password: nothing the previous password drew may outlive it.
    virtual void reseed() {}

    // Called when a batch is done: a real source wipes whatever it still holds.
    virtual void release() {}
};

} // namespace corvane
