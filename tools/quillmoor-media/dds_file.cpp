#include "tools/quillmoor-media/dds_file.h"

#include <algorithm>

#include "tools/quillmoor-media/dxt_encoder.h"

namespace media {

namespace {

constexpr uint32_t kDdsdCaps = 0x1, kDdsdHeight = 0x2, kDdsdWidth = 0x4, kDdsdPitch = 0x8;
constexpr uint32_t kDdsdPixelFormat = 0x1000, kDdsdMipMapCount = 0x20000, kDdsdLinearSize = 0x80000;
constexpr uint32_t kDdpfAlphaPixels = 0x1, kDdpfFourCc = 0x4, kDdpfRgb = 0x40;
constexpr uint32_t kCapsComplex = 0x8, kCapsTexture = 0x1000, kCapsMipMap = 0x400000;
constexpr uint32_t kCaps2CubeAllFaces = 0x200 | 0xFC00;

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

constexpr uint32_t FourCc(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}

void AppendLevel(std::vector<uint8_t>& out, const Image& level, DdsFormat format) {
    const auto rgba = level.ToRgba8();
    if (format == DdsFormat::A8R8G8B8) {
        for (size_t i = 0; i < rgba.size(); i += 4) { // stored B, G, R, A
            out.insert(out.end(), {rgba[i + 2], rgba[i + 1], rgba[i], rgba[i + 3]});
        }
        return;
    }
    // Blocks of 4 × 4; levels smaller than a block repeat their edge texels.
    for (int by = 0; by < std::max(1, (level.height + 3) / 4); ++by) {
        for (int bx = 0; bx < std::max(1, (level.width + 3) / 4); ++bx) {
            Block4x4 block{};
            for (int i = 0; i < 16; ++i) {
                const int x = std::min(level.width - 1, bx * 4 + i % 4);
                const int y = std::min(level.height - 1, by * 4 + i / 4);
                const size_t o = (static_cast<size_t>(y) * level.width + x) * 4;
                block[i] = {rgba[o], rgba[o + 1], rgba[o + 2], rgba[o + 3]};
            }
            if (format == DdsFormat::Dxt1) {
                const auto b = EncodeDxt1Block(block);
                out.insert(out.end(), b.begin(), b.end());
            } else {
                const auto b = EncodeDxt5Block(block);
                out.insert(out.end(), b.begin(), b.end());
            }
        }
    }
}

} // namespace

std::vector<uint8_t> WriteDds(const std::vector<Image>& faces, DdsFormat format) {
    const int size = faces.front().width;
    int levels = 1;
    while ((size >> (levels - 1)) > 1) {
        ++levels;
    }
    const bool cube = faces.size() == 6;
    const bool compressed = format != DdsFormat::A8R8G8B8;
    const uint32_t topSize = compressed
                                 ? static_cast<uint32_t>(std::max(1, size / 4) * std::max(1, size / 4) *
                                                         (format == DdsFormat::Dxt1 ? 8 : 16))
                                 : static_cast<uint32_t>(size * 4);

    std::vector<uint8_t> out = {'D', 'D', 'S', ' '};
    Put32(out, 124);
    Put32(out, kDdsdCaps | kDdsdHeight | kDdsdWidth | kDdsdPixelFormat | kDdsdMipMapCount |
                   (compressed ? kDdsdLinearSize : kDdsdPitch));
    Put32(out, static_cast<uint32_t>(size)); // height
    Put32(out, static_cast<uint32_t>(size)); // width
    Put32(out, topSize);                     // linear size of the top level, or the row pitch
    Put32(out, 0);                           // depth
    Put32(out, static_cast<uint32_t>(levels));
    for (int i = 0; i < 11; ++i) {
        Put32(out, 0);
    }
    Put32(out, 32); // pixel format size
    if (compressed) {
        Put32(out, kDdpfFourCc);
        Put32(out, format == DdsFormat::Dxt1 ? FourCc('D', 'X', 'T', '1') : FourCc('D', 'X', 'T', '5'));
        for (int i = 0; i < 5; ++i) {
            Put32(out, 0);
        }
    } else {
        Put32(out, kDdpfRgb | kDdpfAlphaPixels);
        Put32(out, 0);
        Put32(out, 32);
        Put32(out, 0x00FF0000);
        Put32(out, 0x0000FF00);
        Put32(out, 0x000000FF);
        Put32(out, 0xFF000000);
    }
    Put32(out, kCapsTexture | kCapsMipMap | kCapsComplex);
    Put32(out, cube ? kCaps2CubeAllFaces : 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);

    for (const Image& face : faces) {
        Image level = face;
        for (int l = 0; l < levels; ++l) {
            AppendLevel(out, level, format);
            level = level.HalfSize();
        }
    }
    return out;
}

} // namespace media
