// PNG files in the browser build, which has no zlib: the browser's own PNG encoder compresses
// the frame, and the file goes into the virtual file system where the page picks it up.
#include "platform/capture/png_writer.h"

#include <emscripten.h>

#include <cstdio>
#include <vector>

namespace {

constexpr int kLargestDimension = 65535;

// Encodes `width` x `height` opaque RGBA pixels, top row first, and writes them to `path`;
// 1 when the file was written.
EM_ASYNC_JS(int, qm_write_png, (const char* path, const unsigned char* rgba, int width, int height), {
    try {
        const canvas = new OffscreenCanvas(width, height);
        const pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4).slice();
        canvas.getContext('2d').putImageData(new ImageData(pixels, width, height), 0, 0);
        const blob = await canvas.convertToBlob({type : 'image/png'});
        FS.writeFile(UTF8ToString(path), new Uint8Array(await blob.arrayBuffer()));
        return 1;
    } catch (e) {
        console.warn('PNG ' + UTF8ToString(path) + ': ' + e);
        return 0;
    }
});

} // namespace

bool PngWriter::Write(const std::string& path, const unsigned char* topRow, std::ptrdiff_t stride, int width,
                      int height) {
    if (topRow == nullptr || width <= 0 || height <= 0 || width > kLargestDimension ||
        height > kLargestDimension) {
        return false;
    }
    // A picture of the screen is opaque: the fourth byte of an X8R8G8B8 frame is undefined.
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = topRow + stride * y;
        unsigned char* out = rgba.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 4;
        for (int x = 0; x < width; ++x) {
            out[4 * x] = row[4 * x];
            out[4 * x + 1] = row[4 * x + 1];
            out[4 * x + 2] = row[4 * x + 2];
            out[4 * x + 3] = 255;
        }
    }
    // Written under a temporary name and renamed when complete, as the desktop writer does.
    const std::string partial = path + ".part";
    if (qm_write_png(partial.c_str(), rgba.data(), width, height) != 1) {
        std::remove(partial.c_str());
        return false;
    }
    return std::rename(partial.c_str(), path.c_str()) == 0;
}
