#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace media {

class TextRenderer;

// One generated file: its path relative to the run directory, written with "\" as the archive stores
// it (archive members) or with "/" (files read loose from disk).
struct MediaFile {
    std::string path;
    std::function<std::vector<uint8_t>()> build;
};

// The 54 archive members, in the order the demo extracts them.
std::vector<MediaFile> ArchiveMembers(const TextRenderer& text);
// The images the demo reads from disk that the archive does not hold.
std::vector<MediaFile> LooseImages(const TextRenderer& text);

} // namespace media
