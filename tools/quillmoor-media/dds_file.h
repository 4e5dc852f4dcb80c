#pragma once

#include <cstdint>
#include <vector>

#include "tools/quillmoor-media/image.h"

namespace media {

enum class DdsFormat { Dxt1, Dxt5, A8R8G8B8 };

// A DDS file with a full mip chain. `faces` holds one image (2D texture) or six (cube map, in the
// order +X, -X, +Y, -Y, +Z, -Z), all square and of one power-of-two size.
std::vector<uint8_t> WriteDds(const std::vector<Image>& faces, DdsFormat format);

} // namespace media
