#pragma once
// Image files to ImageData: DDS through our own reader, BMP, JPEG, TGA and PNG through
// stb_image. Images with an alpha channel become A8R8G8B8, the others X8R8G8B8.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/d3dx9/image_data.h"

namespace ImageDecoder {

std::optional<ImageData> Decode(const std::uint8_t* data, std::size_t size);

} // namespace ImageDecoder
