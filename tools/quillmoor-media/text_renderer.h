#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace media {

// Coverage mask in 0..1, row 0 at the top.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<float> values;
    Mask(int w, int h) : width(w), height(h), values(static_cast<size_t>(w) * h, 0.0f) {}
    float At(int x, int y) const {
        return x < 0 || y < 0 || x >= width || y >= height ? 0.0f
                                                           : values[static_cast<size_t>(y) * width + x];
    }
    float& Ref(int x, int y) { return values[static_cast<size_t>(y) * width + x]; }
    // Box blur of the given radius, run three times (close to a Gaussian).
    Mask Blurred(int radius) const;
};

// Rasterises text with a TrueType font through stb_truetype. When the font file cannot be read, a
// blocky built-in font (stb_easy_font) stands in, so the generator still works without fonts.
class TextRenderer {
  public:
    explicit TextRenderer(const std::string& fontPath);
    bool HasFont() const { return !font_.empty(); }

    // Draws `text` centred on (cx, cy), `pixelHeight` tall, its width multiplied by `xScale` (to
    // counter a texture that the screen stretches horizontally).
    void Draw(Mask& mask, const std::string& text, float cx, float cy, float pixelHeight,
              float xScale = 1.0f) const;

  private:
    std::vector<unsigned char> font_;
};

} // namespace media
