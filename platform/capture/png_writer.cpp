#include "platform/capture/png_writer.h"

#include <stb_image_write.h>

#include <cstddef>
#include <vector>

bool PngWriter::Write(const std::string& path, const unsigned char* rgba, int width, int height) {
    if (rgba == nullptr || width <= 0 || height <= 0 || width > 65535 || height > 65535) {
        return false;
    }
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<unsigned char> rgb(pixels * 3);
    for (std::size_t i = 0; i < pixels; ++i) {
        rgb[i * 3 + 0] = rgba[i * 4 + 0];
        rgb[i * 3 + 1] = rgba[i * 4 + 1];
        rgb[i * 3 + 2] = rgba[i * 4 + 2];
    }
    return stbi_write_png(path.c_str(), width, height, 3, rgb.data(), width * 3) != 0;
}
