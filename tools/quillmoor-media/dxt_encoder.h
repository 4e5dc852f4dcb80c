#pragma once

#include <array>
#include <cstdint>

namespace media {

using Block4x4 = std::array<std::array<uint8_t, 4>, 16>; // RGBA texels, row by row

// BC1 (DXT1): two RGB565 end points and 2-bit indices, four-colour mode (no punch-through alpha).
std::array<uint8_t, 8> EncodeDxt1Block(const Block4x4& texels);
// BC3 (DXT5): an interpolated 8-alpha block followed by a four-colour BC1 colour block.
std::array<uint8_t, 16> EncodeDxt5Block(const Block4x4& texels);

// Decoders used to check the encoders.
Block4x4 DecodeDxt1Block(const uint8_t* block);
Block4x4 DecodeDxt5Block(const uint8_t* block);

} // namespace media
