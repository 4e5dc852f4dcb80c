#include "tools/quillmoor-media/image_files.h"

#include <algorithm>
#include <cctype>

#include <stb_image_write.h>

namespace media {

namespace {

void Collect(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

std::string LowerExtension(const std::string& name) {
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos) {
        return {};
    }
    std::string ext = name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

} // namespace

std::vector<uint8_t> EncodeImage(const Image& image, const std::string& fileName) {
    std::vector<uint8_t> out;
    const std::string ext = LowerExtension(fileName);
    if (ext == "bmp") {
        const auto rgb = image.ToRgb8();
        stbi_write_bmp_to_func(Collect, &out, image.width, image.height, 3, rgb.data());
    } else if (ext == "tga") {
        const auto rgba = image.ToRgba8();
        stbi_write_tga_to_func(Collect, &out, image.width, image.height, 4, rgba.data());
    } else if (ext == "png") {
        const auto rgba = image.ToRgba8();
        stbi_write_png_to_func(Collect, &out, image.width, image.height, 4, rgba.data(), image.width * 4);
    } else {
        const auto rgb = image.ToRgb8();
        stbi_write_jpg_to_func(Collect, &out, image.width, image.height, 3, rgb.data(), 90);
    }
    return out;
}

} // namespace media
