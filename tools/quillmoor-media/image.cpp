#include "tools/quillmoor-media/image.h"

#include <algorithm>
#include <cmath>

#include <stb_perlin.h>

namespace media {

namespace {
uint8_t ToByte(float v) {
    return static_cast<uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f);
}
} // namespace

void Image::Blend(int x, int y, std::array<float, 3> colour, float a) {
    if (x < 0 || y < 0 || x >= width || y >= height || a <= 0.0f) {
        return;
    }
    a = std::min(a, 1.0f);
    auto& p = At(x, y);
    for (int c = 0; c < 3; ++c) {
        p[c] = p[c] * (1.0f - a) + colour[c] * a;
    }
    p[3] = std::max(p[3], a);
}

void Image::Add(int x, int y, std::array<float, 3> colour, float amount) {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return;
    }
    auto& p = At(x, y);
    for (int c = 0; c < 3; ++c) {
        p[c] += colour[c] * amount;
    }
}

std::vector<uint8_t> Image::ToRgba8() const {
    std::vector<uint8_t> out;
    out.reserve(pixels.size() * 4);
    for (const auto& p : pixels) {
        for (int c = 0; c < 4; ++c) {
            out.push_back(ToByte(p[c]));
        }
    }
    return out;
}

std::vector<uint8_t> Image::ToRgb8() const {
    std::vector<uint8_t> out;
    out.reserve(pixels.size() * 3);
    for (const auto& p : pixels) {
        for (int c = 0; c < 3; ++c) {
            out.push_back(ToByte(p[c]));
        }
    }
    return out;
}

Image Image::HalfSize() const {
    const int w = std::max(1, width / 2), h = std::max(1, height / 2);
    Image out(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::array<float, 4> sum{0, 0, 0, 0};
            int n = 0;
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    const int sx = std::min(width - 1, x * 2 + dx), sy = std::min(height - 1, y * 2 + dy);
                    for (int c = 0; c < 4; ++c) {
                        sum[c] += At(sx, sy)[c];
                    }
                    ++n;
                }
            }
            for (int c = 0; c < 4; ++c) {
                out.At(x, y)[c] = sum[c] / float(n);
            }
        }
    }
    return out;
}

float TileNoise(float x, float y, int period, int seed) {
    // stb_perlin wraps at powers of two up to 256; z separates the seeds.
    return 0.5f + 0.5f * stb_perlin_noise3_wrap_nonpow2(x, y, float(seed) * 7.31f, period, period, 256,
                                                        static_cast<unsigned char>(seed));
}

float TileFractal(float x, float y, int period, int octaves, int seed) {
    float sum = 0.0f, amplitude = 0.5f, norm = 0.0f;
    int p = period;
    float fx = x, fy = y;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * TileNoise(fx, fy, p, seed + o);
        norm += amplitude;
        amplitude *= 0.5f;
        fx *= 2.0f;
        fy *= 2.0f;
        p *= 2;
    }
    return sum / norm;
}

} // namespace media
