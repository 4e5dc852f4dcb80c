#include "tools/quillmoor-media/dxt_encoder.h"

#include <algorithm>
#include <cmath>

namespace media {

namespace {

uint16_t To565(const float c[3]) {
    const int r = std::clamp(static_cast<int>(std::lround(c[0] * 31.0f / 255.0f)), 0, 31);
    const int g = std::clamp(static_cast<int>(std::lround(c[1] * 63.0f / 255.0f)), 0, 63);
    const int b = std::clamp(static_cast<int>(std::lround(c[2] * 31.0f / 255.0f)), 0, 31);
    return static_cast<uint16_t>((r << 11) | (g << 5) | b);
}

std::array<int, 3> From565(uint16_t v) {
    const int r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
    return {(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)};
}

// The four palette colours of a block in four-colour mode (c0 > c1).
std::array<std::array<int, 3>, 4> Palette(uint16_t c0, uint16_t c1) {
    const auto a = From565(c0), b = From565(c1);
    std::array<std::array<int, 3>, 4> p{};
    for (int k = 0; k < 3; ++k) {
        p[0][k] = a[k];
        p[1][k] = b[k];
        p[2][k] = (2 * a[k] + b[k]) / 3;
        p[3][k] = (a[k] + 2 * b[k]) / 3;
    }
    return p;
}

void EncodeColour(const Block4x4& texels, uint8_t* out) {
    // End points: the extremes along the principal axis, approximated by the axis of greatest spread.
    float mean[3] = {0, 0, 0};
    for (const auto& t : texels) {
        for (int k = 0; k < 3; ++k) {
            mean[k] += t[k] / 16.0f;
        }
    }
    float cov[3][3] = {};
    for (const auto& t : texels) {
        float d[3] = {t[0] - mean[0], t[1] - mean[1], t[2] - mean[2]};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                cov[i][j] += d[i] * d[j];
            }
        }
    }
    // Start from the channel of greatest variance: (1, 1, 1) can be orthogonal to the spread (a red-green
    // ramp with constant sum), and the iteration would then never leave it.
    int widest = 0;
    for (int i = 1; i < 3; ++i) {
        if (cov[i][i] > cov[widest][widest]) {
            widest = i;
        }
    }
    float axis[3] = {cov[widest][0], cov[widest][1], cov[widest][2]};
    if (cov[widest][widest] <= 0.0f) {
        axis[0] = axis[1] = axis[2] = 1.0f;
    }
    for (int iteration = 0; iteration < 8; ++iteration) { // power iteration
        float n[3] = {0, 0, 0};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                n[i] += cov[i][j] * axis[j];
            }
        }
        const float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (len < 1e-6f) {
            break;
        }
        for (int i = 0; i < 3; ++i) {
            axis[i] = n[i] / len;
        }
    }
    float lo = 1e30f, hi = -1e30f;
    for (const auto& t : texels) {
        const float p = (t[0] - mean[0]) * axis[0] + (t[1] - mean[1]) * axis[1] + (t[2] - mean[2]) * axis[2];
        lo = std::min(lo, p);
        hi = std::max(hi, p);
    }
    float end0[3], end1[3];
    for (int k = 0; k < 3; ++k) {
        end0[k] = mean[k] + axis[k] * hi;
        end1[k] = mean[k] + axis[k] * lo;
    }
    uint16_t c0 = To565(end0), c1 = To565(end1);
    if (c0 < c1) {
        std::swap(c0, c1);
    }
    uint32_t indices = 0;
    if (c0 != c1) {
        const auto pal = Palette(c0, c1);
        for (int i = 0; i < 16; ++i) {
            int best = 0, bestError = 1 << 30;
            for (int p = 0; p < 4; ++p) {
                int e = 0;
                for (int k = 0; k < 3; ++k) {
                    const int d = texels[i][k] - pal[p][k];
                    e += d * d;
                }
                if (e < bestError) {
                    bestError = e;
                    best = p;
                }
            }
            indices |= static_cast<uint32_t>(best) << (2 * i);
        }
    }
    // c0 == c1 would select three-colour mode: all indices 0 then show c0 in either mode.
    out[0] = static_cast<uint8_t>(c0);
    out[1] = static_cast<uint8_t>(c0 >> 8);
    out[2] = static_cast<uint8_t>(c1);
    out[3] = static_cast<uint8_t>(c1 >> 8);
    for (int i = 0; i < 4; ++i) {
        out[4 + i] = static_cast<uint8_t>(indices >> (8 * i));
    }
}

std::array<int, 8> AlphaPalette(int a0, int a1) {
    std::array<int, 8> p{};
    p[0] = a0;
    p[1] = a1;
    if (a0 > a1) {
        for (int i = 1; i < 7; ++i) {
            p[1 + i] = ((7 - i) * a0 + i * a1) / 7;
        }
    } else {
        for (int i = 1; i < 5; ++i) {
            p[1 + i] = ((5 - i) * a0 + i * a1) / 5;
        }
        p[6] = 0;
        p[7] = 255;
    }
    return p;
}

} // namespace

std::array<uint8_t, 8> EncodeDxt1Block(const Block4x4& texels) {
    std::array<uint8_t, 8> out{};
    EncodeColour(texels, out.data());
    return out;
}

std::array<uint8_t, 16> EncodeDxt5Block(const Block4x4& texels) {
    std::array<uint8_t, 16> out{};
    int lo = 255, hi = 0;
    for (const auto& t : texels) {
        lo = std::min<int>(lo, t[3]);
        hi = std::max<int>(hi, t[3]);
    }
    // Eight-value mode needs a0 > a1; with a flat block both equal and every index picks a0.
    const int a0 = hi, a1 = lo;
    const auto pal = AlphaPalette(a0, a1);
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        int best = 0, bestError = 1 << 30;
        for (int p = 0; p < 8; ++p) {
            const int e = std::abs(texels[i][3] - pal[p]);
            if (e < bestError) {
                bestError = e;
                best = p;
            }
        }
        bits |= static_cast<uint64_t>(best) << (3 * i);
    }
    out[0] = static_cast<uint8_t>(a0);
    out[1] = static_cast<uint8_t>(a1);
    for (int i = 0; i < 6; ++i) {
        out[2 + i] = static_cast<uint8_t>(bits >> (8 * i));
    }
    EncodeColour(texels, out.data() + 8);
    return out;
}

Block4x4 DecodeDxt1Block(const uint8_t* block) {
    const uint16_t c0 = static_cast<uint16_t>(block[0] | (block[1] << 8));
    const uint16_t c1 = static_cast<uint16_t>(block[2] | (block[3] << 8));
    std::array<std::array<int, 4>, 4> pal{};
    const auto a = From565(c0), b = From565(c1);
    for (int k = 0; k < 3; ++k) {
        pal[0][k] = a[k];
        pal[1][k] = b[k];
        if (c0 > c1) {
            pal[2][k] = (2 * a[k] + b[k]) / 3;
            pal[3][k] = (a[k] + 2 * b[k]) / 3;
        } else {
            pal[2][k] = (a[k] + b[k]) / 2;
            pal[3][k] = 0;
        }
    }
    for (int p = 0; p < 4; ++p) {
        pal[p][3] = 255;
    }
    if (c0 <= c1) {
        pal[3][3] = 0;
    }
    const uint32_t idx =
        block[4] | (block[5] << 8) | (block[6] << 16) | (static_cast<uint32_t>(block[7]) << 24);
    Block4x4 out{};
    for (int i = 0; i < 16; ++i) {
        const auto& c = pal[(idx >> (2 * i)) & 3];
        out[i] = {static_cast<uint8_t>(c[0]), static_cast<uint8_t>(c[1]), static_cast<uint8_t>(c[2]),
                  static_cast<uint8_t>(c[3])};
    }
    return out;
}

Block4x4 DecodeDxt5Block(const uint8_t* block) {
    Block4x4 out = DecodeDxt1Block(block + 8);
    const auto pal = AlphaPalette(block[0], block[1]);
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) {
        bits |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
    }
    for (int i = 0; i < 16; ++i) {
        out[i][3] = static_cast<uint8_t>(pal[(bits >> (3 * i)) & 7]);
    }
    return out;
}

} // namespace media
