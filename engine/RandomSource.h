#pragma once

#include <cstdint>

namespace corvane {

class RandomSource
{
public:
    virtual ~RandomSource() = default;

    // Uniform in [0, n), without modulo bias. n must be at least 1.
    virtual std::uint32_t bounded(std::uint32_t n) = 0;

    // Called at the start of every password; a real source fetches fresh entropy here.
    virtual void reseed() {}
};

} // namespace corvane
