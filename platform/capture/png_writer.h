#pragma once
// Writes back-buffer pixels as PNG files.

#include <string>

namespace PngWriter {

// `rgba` is width * height * 4 bytes, top row first. The fourth byte is dropped: an X8R8G8B8
// back buffer leaves it undefined, and a picture of the screen is opaque. True when the
// whole file was written.
bool Write(const std::string& path, const unsigned char* rgba, int width, int height);

} // namespace PngWriter
