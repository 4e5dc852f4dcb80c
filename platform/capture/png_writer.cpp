#include "platform/capture/png_writer.h"

#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr std::array<unsigned char, 8> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr unsigned char colourTypeRgb = 2;
constexpr unsigned char filterUp = 2;
constexpr int largestDimension = 65535;

void PutBigEndian(std::vector<unsigned char>& out, uint32_t value) {
    out.push_back(static_cast<unsigned char>(value >> 24));
    out.push_back(static_cast<unsigned char>(value >> 16));
    out.push_back(static_cast<unsigned char>(value >> 8));
    out.push_back(static_cast<unsigned char>(value));
}

// Length, type, data and the CRC-32 of type and data.
bool WriteChunk(std::FILE* file, const char (&type)[5], const unsigned char* data, std::size_t size) {
    std::vector<unsigned char> head;
    PutBigEndian(head, static_cast<uint32_t>(size));
    head.insert(head.end(), type, type + 4);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    crc = crc32_z(crc, data, size);
    std::vector<unsigned char> tail;
    PutBigEndian(tail, static_cast<uint32_t>(crc));
    return std::fwrite(head.data(), 1, head.size(), file) == head.size() &&
           (size == 0 || std::fwrite(data, 1, size, file) == size) &&
           std::fwrite(tail.data(), 1, tail.size(), file) == tail.size();
}

// Each row as a filter byte and the differences from the row above (RGB only).
std::vector<unsigned char> FilteredRows(const unsigned char* topRow, std::ptrdiff_t stride, int width,
                                        int height) {
    const std::size_t outRow = static_cast<std::size_t>(width) * 3 + 1;
    std::vector<unsigned char> filtered(outRow * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = topRow + stride * y;
        unsigned char* out = filtered.data() + outRow * static_cast<std::size_t>(y);
        *out++ = filterUp;
        if (y == 0) {
            for (int x = 0; x < width; ++x) {
                out[3 * x] = row[4 * x];
                out[3 * x + 1] = row[4 * x + 1];
                out[3 * x + 2] = row[4 * x + 2];
            }
            continue;
        }
        const unsigned char* above = row - stride;
        for (int x = 0; x < width; ++x) {
            out[3 * x] = static_cast<unsigned char>(row[4 * x] - above[4 * x]);
            out[3 * x + 1] = static_cast<unsigned char>(row[4 * x + 1] - above[4 * x + 1]);
            out[3 * x + 2] = static_cast<unsigned char>(row[4 * x + 2] - above[4 * x + 2]);
        }
    }
    return filtered;
}

bool Deflate(const std::vector<unsigned char>& in, std::vector<unsigned char>* out) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, MAX_WBITS, 8, Z_RLE) != Z_OK) {
        return false;
    }
    out->resize(deflateBound(&stream, static_cast<uLong>(in.size())));
    stream.next_in = const_cast<Bytef*>(in.data());
    stream.avail_in = static_cast<uInt>(in.size());
    stream.next_out = out->data();
    stream.avail_out = static_cast<uInt>(out->size());
    const bool done = deflate(&stream, Z_FINISH) == Z_STREAM_END;
    out->resize(stream.total_out);
    deflateEnd(&stream);
    return done;
}

} // namespace

bool PngWriter::Write(const std::string& path, const unsigned char* topRow, std::ptrdiff_t stride, int width,
                      int height) {
    if (topRow == nullptr || width <= 0 || height <= 0 || width > largestDimension ||
        height > largestDimension) {
        return false;
    }
    std::vector<unsigned char> header;
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, colourTypeRgb, 0, 0, 0}); // depth, colour, deflate, filters, no interlace
    std::vector<unsigned char> image;
    if (!Deflate(FilteredRows(topRow, stride, width, height), &image)) {
        return false;
    }
    // Written under a temporary name and renamed when complete, so a frame file is either
    // whole or absent, and a failure removes only what this call made.
    const std::string partial = path + ".part";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool written = std::fwrite(signature.data(), 1, signature.size(), file) == signature.size() &&
                   WriteChunk(file, "IHDR", header.data(), header.size()) &&
                   WriteChunk(file, "IDAT", image.data(), image.size()) &&
                   WriteChunk(file, "IEND", nullptr, 0);
    written = std::fclose(file) == 0 && written;
    if (written && std::rename(partial.c_str(), path.c_str()) == 0) {
        return true;
    }
    std::remove(partial.c_str());
    return false;
}
