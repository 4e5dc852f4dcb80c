#include "platform/capture/yuv420_frame.h"

#include <cstdint>
#include <vector>

namespace {

// BT.601 studio-range coefficients in 16-bit fixed point: Y' from R'G'B' scaled by 219/255,
// Cb and Cr by 224/255.
constexpr int32_t yR = 16829, yG = 33039, yB = 6416;
constexpr int32_t cbR = -9714, cbG = -19071, cbB = 28784;
constexpr int32_t crR = 28784, crG = -24103, crB = -4681;
constexpr int fractionBits = 16;

uint8_t Luma(const uint8_t* p) {
    return static_cast<uint8_t>(
        16 + ((yR * p[0] + yG * p[1] + yB * p[2] + (1 << (fractionBits - 1))) >> fractionBits));
}

// From the sums of four pixels' channels: two more fraction bits divide by four.
uint8_t Chroma(int32_t cR, int32_t cG, int32_t cB, int32_t r, int32_t g, int32_t b) {
    constexpr int shift = fractionBits + 2;
    return static_cast<uint8_t>((cR * r + cG * g + cB * b + (128 << shift) + (1 << (shift - 1))) >> shift);
}

} // namespace

int Yuv420::PaddedDimension(int size) {
    return size + (size & 1);
}

std::size_t Yuv420::FrameBytes(int width, int height) {
    const std::size_t w = static_cast<std::size_t>(PaddedDimension(width));
    const std::size_t h = static_cast<std::size_t>(PaddedDimension(height));
    return w * h + 2 * (w / 2) * (h / 2);
}

void Yuv420::FromRgba(const unsigned char* topRow, std::ptrdiff_t stride, int width, int height,
                      unsigned char* out) {
    const int paddedWidth = PaddedDimension(width);
    const int paddedHeight = PaddedDimension(height);
    const int chromaWidth = paddedWidth / 2;
    uint8_t* yPlane = out;
    uint8_t* cbPlane = yPlane + static_cast<std::size_t>(paddedWidth) * paddedHeight;
    uint8_t* crPlane = cbPlane + static_cast<std::size_t>(chromaWidth) * (paddedHeight / 2);
    // The padding is black, as if the picture had been padded before conversion.
    const std::vector<uint8_t> black(static_cast<std::size_t>(paddedWidth) * 4, 0);
    const auto row = [&](int y) { return y < height ? topRow + stride * y : black.data(); };

    for (int y = 0; y < paddedHeight; y += 2) {
        const uint8_t* upper = row(y);
        const uint8_t* lower = row(y + 1);
        uint8_t* yUpper = yPlane + static_cast<std::size_t>(y) * paddedWidth;
        uint8_t* yLower = yUpper + paddedWidth;
        uint8_t* cb = cbPlane + static_cast<std::size_t>(y / 2) * chromaWidth;
        uint8_t* cr = crPlane + static_cast<std::size_t>(y / 2) * chromaWidth;
        for (int x = 0; x < chromaWidth; ++x) {
            const uint8_t* a = upper + 8 * x;
            const uint8_t* c = lower + 8 * x;
            // An odd width's last pair has a black pixel on its right.
            const bool pair = 2 * x + 1 < width;
            const uint8_t* b = pair ? a + 4 : black.data();
            const uint8_t* d = pair ? c + 4 : black.data();
            yUpper[2 * x] = Luma(a);
            yUpper[2 * x + 1] = Luma(b);
            yLower[2 * x] = Luma(c);
            yLower[2 * x + 1] = Luma(d);
            const int32_t r = a[0] + b[0] + c[0] + d[0];
            const int32_t g = a[1] + b[1] + c[1] + d[1];
            const int32_t bl = a[2] + b[2] + c[2] + d[2];
            cb[x] = Chroma(cbR, cbG, cbB, r, g, bl);
            cr[x] = Chroma(crR, crG, crB, r, g, bl);
        }
    }
}
