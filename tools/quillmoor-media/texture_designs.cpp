#include "tools/quillmoor-media/texture_designs.h"

#include <algorithm>
#include <cmath>

#include "tools/quillmoor-media/seeded_random.h"

namespace media {

namespace {

using Rgb = std::array<float, 3>;
constexpr float kPi = 3.14159265358979f;

float Smooth(float e0, float e1, float x) {
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}
Rgb Mix(Rgb a, Rgb b, float t) {
    return {a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t};
}
Rgb Scale(Rgb a, float s) {
    return {a[0] * s, a[1] * s, a[2] * s};
}

void Set(Image& img, int x, int y, Rgb c, float a = 1.0f) {
    img.At(x, y) = {c[0], c[1], c[2], a};
}

// Paints the mask in `colour` with a blurred halo of `glow` behind it.
void PaintText(Image& img, const Mask& mask, Rgb colour, Rgb glow, int glowRadius, float glowStrength) {
    const Mask halo = mask.Blurred(glowRadius);
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            img.Add(x, y, glow, halo.At(x, y) * glowStrength);
            img.Blend(x, y, colour, mask.At(x, y));
        }
    }
}

// Texture sizes are multiples of the noise period, so every pattern tiles.
float Fractal(int x, int y, int size, int period, int octaves, int seed) {
    return TileFractal(float(x) * period / size, float(y) * period / size, period, octaves, seed);
}

} // namespace

Image MakeWaterTexture(int seed) {
    constexpr int kSize = 256;
    Image img(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float n1 = Fractal(x, y, kSize, 4, 3, seed);
            const float n2 = Fractal(x, y, kSize, 8, 2, seed + 10);
            const float caustic = std::pow(1.0f - std::abs(2.0f * n1 - 1.0f), 6.0f) +
                                  0.6f * std::pow(1.0f - std::abs(2.0f * n2 - 1.0f), 8.0f);
            const Rgb deep{0.02f, 0.1f, 0.25f}, light{0.55f, 0.85f, 1.0f};
            Set(img, x, y, Mix(deep, light, std::min(1.0f, caustic * 0.9f)));
        }
    }
    return img;
}

Image MakeAsphaltTexture() {
    constexpr int kSize = 256;
    Image img(kSize, kSize);
    SeededRandom r(5);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float n = Fractal(x, y, kSize, 8, 4, 31);
            const float grain = r.Range(-0.08f, 0.08f);
            const float v = 0.25f + 0.3f * n + grain;
            Set(img, x, y, {v * 0.95f, v, v * 1.08f});
        }
    }
    return img;
}

Image MakeTubeTexture() {
    constexpr int kSize = 256;
    Image img(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float band = 0.5f + 0.5f * std::sin(float(y) / kSize * 2.0f * kPi * 8.0f);
            const float stripe = std::pow(band, 12.0f);
            const float edge = std::pow(std::abs(std::sin(float(x) / kSize * kPi * 4.0f)), 3.0f);
            const float n = Fractal(x, y, kSize, 4, 3, 77);
            const Rgb base = Mix({0.05f, 0.15f, 0.45f}, {0.3f, 0.6f, 1.0f}, 0.3f * edge + 0.4f * n);
            Set(img, x, y, Mix(base, {0.85f, 0.95f, 1.0f}, stripe));
        }
    }
    return img;
}

Image MakeGrateTexture() {
    constexpr int kSize = 256;
    Image img(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const int cx = x % 32, cy = y % 32;
            const bool bar = cx < 6 || cy < 6;
            const float bevel = bar ? 0.75f + 0.25f * float(std::min(cx, cy) < 2) : 0.0f;
            const float n = Fractal(x, y, kSize, 8, 3, 12);
            const Rgb hole = Scale({0.05f, 0.06f, 0.08f}, 0.6f + 0.8f * n);
            const Rgb metal = Scale({0.55f, 0.58f, 0.62f}, (0.7f + 0.4f * n) * bevel);
            Set(img, x, y, bar ? metal : hole);
        }
    }
    return img;
}

Image MakeMarbleTexture() {
    constexpr int kSize = 256;
    Image img(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float t = Fractal(x, y, kSize, 4, 5, 50);
            const float vein =
                std::pow(std::abs(std::sin((float(x + y) / kSize * 2.0f + t * 4.0f) * kPi)), 0.35f);
            Set(img, x, y, Mix({0.35f, 0.38f, 0.5f}, {0.92f, 0.93f, 0.97f}, vein));
        }
    }
    return img;
}

Image MakeMetalPanelTexture(int seed, Rgb tint) {
    constexpr int kSize = 256;
    Image img(kSize, kSize);
    const int panel = 64 << (seed % 2); // 64 or 128 pixel panels
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const int px = x % panel, py = y % panel;
            const float n = Fractal(x, y, kSize, 8, 4, seed);
            const float scratch = Fractal(x, y * 8 % kSize, kSize, 16, 1, seed + 3);
            float v = 0.55f + 0.35f * n + 0.1f * scratch;
            if (px < 2 || py < 2) {
                v *= 0.35f; // seam
            } else if (px < 4 || py < 4) {
                v *= 1.3f; // lit bevel
            } else if (px > panel - 4 || py > panel - 4) {
                v *= 0.7f; // shaded bevel
            }
            Set(img, x, y, Scale(tint, v));
            // Rivets near the panel corners.
            for (int cy : {8, panel - 8}) {
                for (int cx : {8, panel - 8}) {
                    const float d = std::hypot(float(px - cx), float(py - cy));
                    if (d < 3.5f) {
                        Set(img, x, y, Scale(tint, 1.1f - 0.15f * d));
                    }
                }
            }
        }
    }
    return img;
}

Image MakeBrushedSteelTexture(int seed, Rgb tint) {
    constexpr int kSize = 256;
    Image img(kSize, kSize);
    SeededRandom r(static_cast<uint32_t>(seed));
    std::vector<float> rows(kSize);
    for (float& v : rows) {
        v = r.Range(-0.08f, 0.08f);
    }
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float streak =
                TileFractal(float(x) * 2.0f / kSize, float(y) * 64.0f / kSize, 2, 1, seed) - 0.5f;
            const float n = Fractal(x, y, kSize, 4, 3, seed + 5);
            const float v = 0.62f + 0.25f * streak + rows[y] + 0.2f * (n - 0.5f);
            Set(img, x, y, Scale(tint, v));
        }
    }
    return img;
}

Image MakeWallTexture(int seed, Rgb tint) {
    constexpr int kSize = 256;
    Image img(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        const int row = y / 32;
        for (int x = 0; x < kSize; ++x) {
            const int bx = (x + (row % 2) * 32) % 64, by = y % 32;
            const float n = Fractal(x, y, kSize, 8, 4, seed);
            const float mortar = (bx < 3 || by < 3) ? 0.3f : 1.0f;
            const float shade = (by < 5 ? 1.15f : (by > 28 ? 0.85f : 1.0f));
            Set(img, x, y, Scale(tint, (0.5f + 0.45f * n) * mortar * shade));
        }
    }
    return img;
}

Image MakeBlobTexture() {
    constexpr int kSize = 256;
    Image img(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float n = Fractal(x, y, kSize, 4, 5, 7);
            const float ridge = std::pow(1.0f - std::abs(2.0f * Fractal(x, y, kSize, 8, 3, 9) - 1.0f), 5.0f);
            Rgb c = Mix({0.25f, 0.35f, 0.7f}, {0.85f, 0.92f, 1.0f}, Smooth(0.3f, 0.75f, n));
            c = Mix(c, {0.1f, 0.15f, 0.4f}, ridge * 0.7f);
            Set(img, x, y, c);
        }
    }
    return img;
}

Image MakeNeuronTexture() {
    constexpr int kSize = 256;
    Image img(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float a = std::pow(1.0f - std::abs(2.0f * Fractal(x, y, kSize, 4, 4, 21) - 1.0f), 8.0f);
            const float b = std::pow(1.0f - std::abs(2.0f * Fractal(x, y, kSize, 8, 3, 22) - 1.0f), 10.0f);
            Rgb c = Mix({0.12f, 0.04f, 0.2f}, {1.0f, 0.45f, 0.35f}, std::min(1.0f, a + 0.6f * b));
            Set(img, x, y, c);
        }
    }
    return img;
}

Image MakeRingTexture(int size, float radius, float width, float glow) {
    Image img(size, size, {1, 1, 1, 0});
    const float c = (size - 1) * 0.5f;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float d = std::hypot(x - c, y - c) / (size * 0.5f);
            const float ring = std::exp(-std::pow((d - radius) / width, 2.0f));
            const float halo = glow * std::exp(-std::pow((d - radius) / (width * 4.0f), 2.0f));
            const float a = std::min(1.0f, ring + halo) * Smooth(1.0f, 0.92f, d);
            img.At(x, y) = {1.0f, 1.0f, 1.0f, a};
        }
    }
    return img;
}

Image MakeFlareTexture(int size, Rgb core, Rgb halo, bool withAlpha) {
    Image img(size, size);
    const float c = (size - 1) * 0.5f;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float dx = (x - c) / (size * 0.5f), dy = (y - c) / (size * 0.5f);
            const float d = std::hypot(dx, dy);
            const float inner = std::exp(-d * d * 40.0f);
            const float outer = std::exp(-d * d * 6.0f) * Smooth(1.0f, 0.7f, d);
            const float rays = 0.25f * std::exp(-std::abs(dx * dy) * 300.0f) * Smooth(1.0f, 0.2f, d);
            const Rgb col = Mix(Scale(halo, outer + rays), core, inner);
            const float a = std::min(1.0f, inner + outer + rays);
            img.At(x, y) = withAlpha ? std::array<float, 4>{col[0], col[1], col[2], a}
                                     : std::array<float, 4>{col[0], col[1], col[2], 1.0f};
        }
    }
    return img;
}

Image MakeSyncBlockTexture() {
    constexpr int kSize = 32;
    Image img(kSize, kSize, {1, 1, 1, 0});
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float e = float(std::min(std::min(x, y), std::min(kSize - 1 - x, kSize - 1 - y)));
            const float border = e < 2.0f ? 1.0f : 0.0f;
            const float fill = 0.55f + 0.35f * float(y) / kSize;
            img.At(x, y) = {0.8f + 0.2f * border, 0.9f + 0.1f * border, 1.0f, std::max(border, fill)};
        }
    }
    return img;
}

Image MakeStrobeMaskTexture() {
    constexpr int kSize = 256;
    Image img(kSize, kSize);
    const float c = (kSize - 1) * 0.5f;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float d = std::hypot(x - c, (y - c) * 0.75f) / c;
            const float rings = Smooth(0.35f, 0.65f, 0.5f + 0.5f * std::cos(d * kPi * 7.0f));
            const float v = std::clamp(rings * Smooth(1.1f, 0.3f, d) + Smooth(0.25f, 0.0f, d), 0.0f, 1.0f);
            Set(img, x, y, {v, v, v});
        }
    }
    return img;
}

std::vector<Image> MakeEnvironmentCube(int size) {
    std::vector<Image> faces;
    const std::array<std::array<float, 3>, 4> lamps = {
        {{0.6f, 0.7f, 0.4f}, {-0.7f, 0.4f, -0.6f}, {0.2f, 0.3f, -0.95f}, {-0.5f, 0.8f, 0.4f}}};
    for (int face = 0; face < 6; ++face) {
        Image img(size, size);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const float u = (x + 0.5f) / size * 2.0f - 1.0f, v = (y + 0.5f) / size * 2.0f - 1.0f;
                std::array<float, 3> d{};
                switch (face) {
                case 0:
                    d = {1, -v, -u};
                    break;
                case 1:
                    d = {-1, -v, u};
                    break;
                case 2:
                    d = {u, 1, v};
                    break;
                case 3:
                    d = {u, -1, -v};
                    break;
                case 4:
                    d = {u, -v, 1};
                    break;
                default:
                    d = {-u, -v, -1};
                    break;
                }
                const float len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
                for (float& k : d) {
                    k /= len;
                }
                const float up = d[1];
                Rgb c = up > 0 ? Mix({0.15f, 0.35f, 0.6f}, {0.75f, 0.85f, 1.0f}, std::pow(up, 0.6f))
                               : Mix({0.15f, 0.35f, 0.6f}, {0.02f, 0.03f, 0.08f}, std::pow(-up, 0.5f));
                // Horizontal light strips, like windows of a hall.
                const float az = std::atan2(d[2], d[0]);
                const float strip =
                    Smooth(0.9f, 0.98f, std::cos(az * 6.0f)) * Smooth(0.25f, 0.05f, std::abs(up - 0.15f));
                c = Mix(c, {1.0f, 1.0f, 1.0f}, strip * 0.8f);
                for (const auto& l : lamps) {
                    const float ll = std::sqrt(l[0] * l[0] + l[1] * l[1] + l[2] * l[2]);
                    const float dot = (d[0] * l[0] + d[1] * l[1] + d[2] * l[2]) / ll;
                    c = Mix(c, {1.0f, 0.97f, 0.9f}, std::pow(std::max(0.0f, dot), 200.0f));
                }
                Set(img, x, y, c);
            }
        }
        faces.push_back(std::move(img));
    }
    return faces;
}

Image MakeFrameOverlay(const TextRenderer& text) {
    // Only the top-left 800 × 600 texels reach the screen, one texel to a pixel.
    Image img(1024, 1024, {0, 0, 0, 0});
    constexpr int kW = 800, kH = 600, kBar = 56;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const int edge = std::min(y, kH - 1 - y);
            float a = edge < kBar ? 1.0f : Smooth(float(kBar + 10), float(kBar), float(edge)) * 0.6f;
            Rgb c{0, 0, 0};
            if (edge == kBar || edge == kBar + 1) {
                c = {0.35f, 0.55f, 0.9f};
                a = 0.9f;
            }
            img.At(x, y) = {c[0], c[1], c[2], a};
        }
    }
    // Corner ticks inside the picture area.
    for (int i = 0; i < 24; ++i) {
        for (int t = 0; t < 2; ++t) {
            for (auto [x, y] :
                 {std::pair{20 + i, kBar + 12 + t}, std::pair{20 + t, kBar + 12 + i},
                  std::pair{kW - 21 - i, kH - kBar - 13 - t}, std::pair{kW - 21 - t, kH - kBar - 13 - i}}) {
                img.At(x, y) = {0.6f, 0.8f, 1.0f, 0.8f};
            }
        }
    }
    Mask mask(1024, 1024);
    text.Draw(mask, "QUILLMOOR", 690, kH - kBar / 2, 22);
    text.Draw(mask, "tmq", 60, kBar / 2, 22);
    PaintText(img, mask, {0.75f, 0.85f, 1.0f}, {0.2f, 0.4f, 0.9f}, 3, 0.8f);
    return img;
}

Image MakeBandOverlay(const TextRenderer& text, bool upper) {
    // Stretched over 800 × 300 pixels: 512 × 256 texels, so text is squeezed to 0.75 of its width.
    Image img(512, 256, {0, 0, 0, 0});
    for (int y = 0; y < 256; ++y) {
        const int fromEdge = upper ? y : 255 - y;
        for (int x = 0; x < 512; ++x) {
            float a = fromEdge < 40 ? 0.85f : 0.0f;
            Rgb c{0.0f, 0.02f, 0.08f};
            if (fromEdge == 40 || fromEdge == 41) {
                c = {0.4f, 0.6f, 1.0f};
                a = 0.9f;
            }
            if (fromEdge > 41 && fromEdge < 44 && (x / 8) % 2 == 0) {
                c = {0.3f, 0.5f, 0.9f};
                a = 0.5f;
            }
            img.At(x, y) = {c[0], c[1], c[2], a};
        }
    }
    Mask mask(512, 256);
    if (upper) {
        text.Draw(mask, "Q U I L L M O O R", 256, 20, 22, 0.75f);
    } else {
        text.Draw(mask, "credits", 420, 235, 18, 0.75f);
    }
    PaintText(img, mask, {0.85f, 0.92f, 1.0f}, {0.2f, 0.4f, 1.0f}, 2, 0.6f);
    return img;
}

Image MakeTitleLogo(const TextRenderer& text) {
    constexpr int kSize = 1024;
    Image img(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float dx = (x - 512.0f) / 512.0f, dy = (y - 512.0f) / 512.0f;
            const float vignette = Smooth(1.4f, 0.2f, std::hypot(dx, dy));
            const float n = Fractal(x, y, kSize, 8, 4, 90);
            Set(img, x, y, Scale(Mix({0.0f, 0.0f, 0.05f}, {0.05f, 0.1f, 0.3f}, n), vignette));
        }
    }
    Mask title(kSize, kSize), sub(kSize, kSize);
    text.Draw(title, "QUILLMOOR", 512, 470, 190, 0.75f);
    text.Draw(sub, "tmq presents", 512, 300, 60, 0.75f);
    text.Draw(sub, "a realtime demo", 512, 640, 50, 0.75f);
    PaintText(img, title, {0.9f, 0.95f, 1.0f}, {0.2f, 0.45f, 1.0f}, 12, 1.4f);
    PaintText(img, sub, {0.6f, 0.75f, 1.0f}, {0.1f, 0.2f, 0.6f}, 6, 0.8f);
    // A thin line under the title.
    for (int x = 262; x < 762; ++x) {
        for (int y = 568; y < 572; ++y) {
            img.Blend(x, y, {0.5f, 0.7f, 1.0f}, 0.9f);
        }
    }
    return img;
}

Image MakeCreditImage(const TextRenderer& text, const std::string& role, const std::string& name) {
    // Added onto the picture: black stays invisible.
    Image img(256, 128);
    Mask small(256, 128), big(256, 128);
    text.Draw(small, role, 128, 36, 24);
    text.Draw(big, name, 128, 80, 44);
    PaintText(img, small, {0.5f, 0.7f, 1.0f}, {0.1f, 0.2f, 0.5f}, 3, 0.6f);
    PaintText(img, big, {1.0f, 1.0f, 1.0f}, {0.3f, 0.5f, 1.0f}, 4, 1.0f);
    return img;
}

Image MakeGreetingImage(const TextRenderer& text, const std::string& name, int seed) {
    // Shown over 400 × 300 pixels: text squeezed to 0.75 of its width.
    constexpr int kSize = 512;
    Image img(kSize, kSize);
    const float hue = float(seed % 5) / 5.0f;
    const Rgb accent = Mix({0.3f, 0.5f, 1.0f}, {0.7f, 0.4f, 1.0f}, hue);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float d = std::hypot(x - 256.0f, y - 256.0f) / 256.0f;
            Set(img, x, y, Scale(accent, 0.12f * Smooth(1.0f, 0.0f, d)));
        }
    }
    Mask head(kSize, kSize), big(kSize, kSize);
    text.Draw(head, "greetings to", 256, 170, 44, 0.75f);
    text.Draw(big, name, 256, 280, 110, 0.75f);
    PaintText(img, head, Mix(accent, {1, 1, 1}, 0.5f), accent, 4, 0.5f);
    PaintText(img, big, {1.0f, 1.0f, 1.0f}, accent, 10, 1.3f);
    return img;
}

Image MakeClosingLogo(const TextRenderer& text) {
    constexpr int kSize = 512;
    Image img(kSize, kSize);
    Mask big(kSize, kSize), small(kSize, kSize);
    text.Draw(big, "vesper 2004", 256, 240, 90, 0.75f);
    text.Draw(small, "thanks for watching", 256, 330, 36, 0.75f);
    PaintText(img, big, {1.0f, 0.95f, 0.9f}, {1.0f, 0.5f, 0.2f}, 10, 1.2f);
    PaintText(img, small, {0.8f, 0.8f, 0.9f}, {0.3f, 0.3f, 0.6f}, 4, 0.6f);
    return img;
}

} // namespace media
