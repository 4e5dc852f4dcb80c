#pragma once

#include <cstdint>

namespace media {

// Fixed-seed generator so every build writes the same bytes.
class SeededRandom {
  public:
    explicit SeededRandom(uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
    uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    // Uniform in [lo, hi).
    float Range(float lo, float hi) {
        return lo + (hi - lo) * static_cast<float>(Next() >> 8) * (1.0f / 16777216.0f);
    }

  private:
    uint32_t state_;
};

} // namespace media
