#pragma once
// How the picture guard compares a rendered frame with its reference: both are reduced by
// a 4 x 4 box average (which also keeps the references small), then a frame passes while
// - at most allowedPixelsOff reduced pixels differ by more than channelTolerance in some
//   channel, and
// - the mean absolute difference of each colour channel over the reduced frame stays within
//   allowedMeanDifference.
// llvmpipe renders the same frame bit for bit from run to run; what a rewritten shader or
// matrix product may change is the last bit of a colour (of every pixel at worst, which
// moves a channel's mean by 1) and a few isolated pixels along a silhouette (one such pixel
// moves its reduced pixel by at most 255 / 16). A missing bar of 16 x 32 pixels, a blend
// that darkens or brightens an area, or a camera moved by a pixel change whole blocks, or
// a large area by more than its last bit, and fail.

#include <stb_image.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace PictureComparison {

constexpr int reductionFactor = 4;
constexpr int channelTolerance = 24;
constexpr int allowedPixelsOff = 8;
constexpr double allowedMeanDifference = 1.0;

// 8-bit RGB, rows from the top.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

inline bool LoadPicture(const std::filesystem::path& path, Picture* picture) {
    int channels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &picture->width, &picture->height, &channels, 3);
    if (pixels == nullptr) {
        return false;
    }
    picture->rgb.assign(pixels, pixels + static_cast<std::size_t>(picture->width) * picture->height * 3);
    stbi_image_free(pixels);
    return true;
}

struct Difference {
    bool sameSize = false;
    int pixelsOff = 0;
    double meanDifference = 0.0; // of the channel that differs most
    int largest = 0;
};

// The rounded average of each factor x factor block; a partial block at an edge is dropped.
inline Picture Reduced(const Picture& picture, int factor) {
    Picture reduced;
    reduced.width = picture.width / factor;
    reduced.height = picture.height / factor;
    reduced.rgb.resize(static_cast<std::size_t>(reduced.width) * reduced.height * 3);
    const int area = factor * factor;
    for (int y = 0; y < reduced.height; ++y) {
        for (int x = 0; x < reduced.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int j = 0; j < factor; ++j) {
                    const unsigned char* row =
                        &picture.rgb[(static_cast<std::size_t>(y * factor + j) * picture.width + x * factor) *
                                     3];
                    for (int i = 0; i < factor; ++i) {
                        sum += row[i * 3 + c];
                    }
                }
                reduced.rgb[(static_cast<std::size_t>(y) * reduced.width + x) * 3 + c] =
                    static_cast<unsigned char>((sum + area / 2) / area);
            }
        }
    }
    return reduced;
}

inline Difference Compare(const Picture& reference, const Picture& actual) {
    Difference d;
    d.sameSize = reference.width == actual.width && reference.height == actual.height &&
                 reference.rgb.size() == actual.rgb.size();
    if (!d.sameSize || reference.rgb.empty()) {
        return d;
    }
    long long totals[3] = {};
    for (std::size_t pixel = 0; pixel < reference.rgb.size(); pixel += 3) {
        int worst = 0;
        for (int c = 0; c < 3; ++c) {
            const int channel = std::abs(reference.rgb[pixel + c] - actual.rgb[pixel + c]);
            totals[c] += channel;
            worst = std::max(worst, channel);
        }
        d.largest = std::max(d.largest, worst);
        d.pixelsOff += worst > channelTolerance ? 1 : 0;
    }
    const double pixels = static_cast<double>(reference.rgb.size() / 3);
    d.meanDifference = static_cast<double>(*std::max_element(totals, totals + 3)) / pixels;
    return d;
}

inline bool Passes(const Difference& d) {
    return d.sameSize && d.pixelsOff <= allowedPixelsOff && d.meanDifference <= allowedMeanDifference;
}

} // namespace PictureComparison
