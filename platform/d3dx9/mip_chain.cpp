#include "platform/d3dx9/mip_chain.h"

#include <cstddef>

using std::size_t;

namespace MipChain {

ImageLevel Downsample(const ImageLevel& level) {
    ImageLevel out;
    out.width = level.width > 1 ? level.width / 2 : 1;
    out.height = level.height > 1 ? level.height / 2 : 1;
    out.bytes.resize(static_cast<size_t>(out.width) * out.height * 4);
    const UINT stepX = level.width > 1 ? 2 : 1;
    const UINT stepY = level.height > 1 ? 2 : 1;
    const UINT count = stepX * stepY;
    if (count == 4) {
        // The common case, 2 x 2 texels into one, row pointers and no inner loops.
        const size_t rowBytes = static_cast<size_t>(level.width) * 4;
        for (UINT y = 0; y < out.height; ++y) {
            const std::uint8_t* above = level.bytes.data() + 2 * y * rowBytes;
            const std::uint8_t* below = above + rowBytes;
            std::uint8_t* dst = out.bytes.data() + static_cast<size_t>(y) * out.width * 4;
            for (UINT i = 0; i < out.width * 4; ++i) {
                const UINT left = (i & ~3u) * 2 + (i & 3u);
                dst[i] = static_cast<std::uint8_t>(
                    (above[left] + above[left + 4] + below[left] + below[left + 4] + 2) / 4);
            }
        }
        return out;
    }
    for (UINT y = 0; y < out.height; ++y) {
        for (UINT x = 0; x < out.width; ++x) {
            for (UINT c = 0; c < 4; ++c) {
                UINT sum = 0;
                for (UINT dy = 0; dy < stepY; ++dy) {
                    for (UINT dx = 0; dx < stepX; ++dx) {
                        const size_t sx = static_cast<size_t>(x) * stepX + dx;
                        const size_t sy = static_cast<size_t>(y) * stepY + dy;
                        sum += level.bytes[(sy * level.width + sx) * 4 + c];
                    }
                }
                out.bytes[(static_cast<size_t>(y) * out.width + x) * 4 + c] =
                    static_cast<std::uint8_t>((sum + count / 2) / count);
            }
        }
    }
    return out;
}

void Complete(ImageData& image) {
    if (image.format != D3DFMT_A8R8G8B8 && image.format != D3DFMT_X8R8G8B8) {
        return;
    }
    const UINT target = ImageLayout::FullMipCount(image.Width(), image.Height());
    for (auto& face : image.faces) {
        while (!face.empty() && face.size() < target) {
            face.push_back(Downsample(face.back()));
        }
    }
}

} // namespace MipChain
