#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace media {

// An RGBA image with float channels in 0..1, row 0 at the top.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::array<float, 4>> pixels;

    Image() = default;
    Image(int w, int h, std::array<float, 4> fill = {0, 0, 0, 1})
        : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}

    std::array<float, 4>& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const std::array<float, 4>& At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }

    // Blends `colour` over the pixel with coverage `a` (0..1), keeping the greater alpha.
    void Blend(int x, int y, std::array<float, 3> colour, float a);
    // Adds light to the colour channels.
    void Add(int x, int y, std::array<float, 3> colour, float amount);

    // 8-bit RGBA, clamped, rows top to bottom.
    std::vector<uint8_t> ToRgba8() const;
    std::vector<uint8_t> ToRgb8() const;
    // Half size by 2 × 2 box filter (for mip levels); a side of 1 stays 1.
    Image HalfSize() const;
};

// Tileable gradient noise in 0..1 with the given period in cells (wraps over the image).
float TileNoise(float x, float y, int period, int seed);
// Sum of octaves of TileNoise, roughly 0..1.
float TileFractal(float x, float y, int period, int octaves, int seed);

} // namespace media
