#pragma once
// Writes frames as PNG files (8-bit RGB). Made for speed: every row gets the "Up" filter and
// the data is deflated at zlib's fastest run-length setting, which on rendered frames
// compresses about as well as a full filter search at a fraction of its cost.

#include <cstddef>
#include <string>

namespace PngWriter {

// `topRow` is the picture's top row of `width` RGBA pixels; the next row down starts `stride`
// bytes further on. The fourth byte is dropped: an X8R8G8B8 back buffer leaves it undefined,
// and a picture of the screen is opaque. True when the whole file was written; after a
// failure (a full disk, say) no partial file is left behind.
bool Write(const std::string& path, const unsigned char* topRow, std::ptrdiff_t stride, int width,
           int height);

} // namespace PngWriter
