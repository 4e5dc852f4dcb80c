#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/quillmoor-media/image.h"

namespace media {

// Encodes `image` in the format that the file name's extension names (.bmp 24-bit, .jpg quality 90,
// .tga 32-bit with alpha, .png with alpha). A name without a known extension (such as
// "greets_cedarjpg") is written as JPEG, the format its name hints at.
std::vector<uint8_t> EncodeImage(const Image& image, const std::string& fileName);

} // namespace media
