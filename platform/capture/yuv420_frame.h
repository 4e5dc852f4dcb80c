#pragma once
// Planar 4:2:0 Y'CbCr frames (ITU-R BT.601 matrix, studio range 16-235 / 16-240): what
// H.264 encoders consume. Converting on our side spares the encoder process its own
// conversion and carries 1.5 bytes per pixel through the pipe instead of 4.

#include <cstddef>

namespace Yuv420 {

// 4:2:0 needs even dimensions: odd ones are padded with black on the right and bottom.
int PaddedDimension(int size);

// Bytes of one frame: the Y plane, then Cb, then Cr, each row packed.
std::size_t FrameBytes(int width, int height);

// Converts `height` rows of `width` RGBA8 pixels (alpha ignored) into `out`, which holds
// FrameBytes(width, height). `topRow` is the picture's top row; the next row down starts
// `stride` bytes further on (negative when the rows lie bottom-up in memory). Each chroma
// sample is the mean of its 2 x 2 pixels.
void FromRgba(const unsigned char* topRow, std::ptrdiff_t stride, int width, int height, unsigned char* out);

} // namespace Yuv420
