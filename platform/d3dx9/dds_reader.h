#pragma once
// DirectDraw Surface files: DXT1/3/5 kept compressed; uncompressed 16, 24 and 32-bit RGB
// (any channel masks) and 8-bit luminance converted to A8R8G8B8 / X8R8G8B8; mip levels as
// stored; cube maps with their six faces.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/d3dx9/image_data.h"

namespace DdsReader {

bool HasSignature(const std::uint8_t* data, std::size_t size);

// Empty when the header is not one we read or the data is shorter than the header says.
std::optional<ImageData> Read(const std::uint8_t* data, std::size_t size);

} // namespace DdsReader
