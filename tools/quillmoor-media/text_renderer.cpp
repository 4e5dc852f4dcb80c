#include "tools/quillmoor-media/text_renderer.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_easy_font.h>
#pragma GCC diagnostic pop
#include <stb_truetype.h>

namespace media {

Mask Mask::Blurred(int radius) const {
    Mask a = *this;
    Mask b(width, height);
    const float norm = 1.0f / float(2 * radius + 1);
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                float s = 0;
                for (int d = -radius; d <= radius; ++d) {
                    s += a.At(x + d, y);
                }
                b.Ref(x, y) = s * norm;
            }
        }
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                float s = 0;
                for (int d = -radius; d <= radius; ++d) {
                    s += b.At(x, y + d);
                }
                a.Ref(x, y) = s * norm;
            }
        }
    }
    return a;
}

TextRenderer::TextRenderer(const std::string& fontPath) {
    std::ifstream in(fontPath, std::ios::binary);
    if (in) {
        font_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        stbtt_fontinfo info;
        if (font_.size() < 12 ||
            !stbtt_InitFont(&info, font_.data(), stbtt_GetFontOffsetForIndex(font_.data(), 0))) {
            font_.clear();
        }
    }
}

void TextRenderer::Draw(Mask& mask, const std::string& text, float cx, float cy, float pixelHeight,
                        float xScale) const {
    if (!HasFont()) {
        // The built-in font: quads of a 7-unit-high grid, four vertices of 16 bytes each.
        static char buffer[200000];
        const int quads =
            stb_easy_font_print(0, 0, const_cast<char*>(text.c_str()), nullptr, buffer, sizeof buffer);
        const float s = pixelHeight / 8.0f;
        const float w = static_cast<float>(stb_easy_font_width(const_cast<char*>(text.c_str()))) * s * xScale;
        const float x0 = cx - w / 2, y0 = cy - pixelHeight * 0.45f;
        for (int q = 0; q < quads; ++q) {
            const float* v = reinterpret_cast<const float*>(buffer + q * 64);
            const float qx0 = x0 + v[0] * s * xScale, qy0 = y0 + v[1] * s;
            const float qx1 = x0 + v[8] * s * xScale, qy1 = y0 + v[9] * s;
            for (int y = std::max(0, int(qy0)); y < std::min(mask.height, int(std::ceil(qy1))); ++y) {
                for (int x = std::max(0, int(qx0)); x < std::min(mask.width, int(std::ceil(qx1))); ++x) {
                    mask.Ref(x, y) = 1.0f;
                }
            }
        }
        return;
    }
    stbtt_fontinfo info;
    stbtt_InitFont(&info, font_.data(), stbtt_GetFontOffsetForIndex(font_.data(), 0));
    const float scale = stbtt_ScaleForPixelHeight(&info, pixelHeight);
    const float sx = scale * xScale, sy = scale;
    int ascent = 0, descent = 0, gap = 0;
    stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);

    // First pass measures, second pass draws.
    float width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        int advance = 0, lsb = 0;
        stbtt_GetCodepointHMetrics(&info, text[i], &advance, &lsb);
        width += advance * sx;
        if (i + 1 < text.size()) {
            width += stbtt_GetCodepointKernAdvance(&info, text[i], text[i + 1]) * sx;
        }
    }
    const float baseline = cy + (ascent + descent) * sy * 0.5f;
    float pen = cx - width / 2;
    for (size_t i = 0; i < text.size(); ++i) {
        const int c = static_cast<unsigned char>(text[i]);
        int advance = 0, lsb = 0;
        stbtt_GetCodepointHMetrics(&info, c, &advance, &lsb);
        const float shift = pen - std::floor(pen);
        int x0, y0, x1, y1;
        stbtt_GetCodepointBitmapBoxSubpixel(&info, c, sx, sy, shift, 0, &x0, &y0, &x1, &y1);
        const int gw = x1 - x0, gh = y1 - y0;
        if (gw > 0 && gh > 0) {
            std::vector<unsigned char> glyph(static_cast<size_t>(gw) * gh);
            stbtt_MakeCodepointBitmapSubpixel(&info, glyph.data(), gw, gh, gw, sx, sy, shift, 0, c);
            const int ox = static_cast<int>(std::floor(pen)) + x0;
            const int oy = static_cast<int>(std::lround(baseline)) + y0;
            for (int y = 0; y < gh; ++y) {
                for (int x = 0; x < gw; ++x) {
                    const int px = ox + x, py = oy + y;
                    if (px >= 0 && py >= 0 && px < mask.width && py < mask.height) {
                        float& m = mask.Ref(px, py);
                        m = std::max(m, glyph[static_cast<size_t>(y) * gw + x] / 255.0f);
                    }
                }
            }
        }
        pen += advance * sx;
        if (i + 1 < text.size()) {
            pen += stbtt_GetCodepointKernAdvance(&info, c, static_cast<unsigned char>(text[i + 1])) * sx;
        }
    }
}

} // namespace media
