// DirectDraw Surface bytes straight into the reader. What it hands back is what texture
// loading copies from: every face with the same number of levels, and every level holding
// exactly the bytes its size and format call for.

#include <cstdint>
#include <cstdlib>

#include "platform/d3dx9/dds_reader.h"
#include "platform/d3dx9/image_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!DdsReader::HasSignature(data, size)) {
        return 0;
    }
    const auto image = DdsReader::Read(data, size);
    if (!image) {
        return 0;
    }
    for (const auto& face : image->faces) {
        if (face.size() != image->LevelCount()) {
            std::abort();
        }
        for (const ImageLevel& level : face) {
            if (level.bytes.size() != ImageLayout::LevelBytes(image->format, level.width, level.height)) {
                std::abort();
            }
        }
    }
    return 0;
}
