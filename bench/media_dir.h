#pragma once
// Where the benchmarks find the generated demo media: QUILLMOOR_MEDIA_DIR, else the build
// tree's media-staging directory next to this executable's directory.

#include <cstdlib>
#include <filesystem>

namespace BenchMedia {

inline std::filesystem::path Dir() {
    if (const char* dir = std::getenv("QUILLMOOR_MEDIA_DIR")) {
        return dir;
    }
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "media-staging";
}

// The build tree's run directory (data.rar, the effect file, the loose images).
inline std::filesystem::path RunDir() {
    if (const char* dir = std::getenv("QUILLMOOR_RUN_DIR")) {
        return dir;
    }
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "run";
}

} // namespace BenchMedia
