#include "platform/d3dx9/file_bytes.h"

#include <sys/stat.h>

#include "platform/fs/windows_path.h"

namespace FileBytes {

std::optional<std::vector<std::uint8_t>> Read(std::wstring_view windowsPath) {
    std::FILE* file = WindowsPath::OpenFile(windowsPath, "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    auto bytes = ReadOpen(file);
    std::fclose(file);
    return bytes;
}

std::optional<std::vector<std::uint8_t>> ReadOpen(std::FILE* file) {
    // Read straight into a buffer of the file's size (meshes run to megabytes); a file
    // that turns out longer than it said is read on to its end all the same.
    struct stat status {};
    std::size_t expected = 0;
    if (::fstat(::fileno(file), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        expected = static_cast<std::size_t>(status.st_size);
    }
    std::vector<std::uint8_t> bytes(expected + 1);
    std::size_t size = 0;
    bool ok = true;
    for (;;) {
        if (size == bytes.size()) {
            bytes.resize(bytes.size() * 2);
        }
        const std::size_t want = bytes.size() - size;
        const std::size_t got = std::fread(bytes.data() + size, 1, want, file);
        size += got;
        if (got < want) {
            ok = std::ferror(file) == 0;
            break;
        }
    }
    bytes.resize(size);
    if (!ok) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<Identity> IdentityOf(std::FILE* file) {
    struct stat status {};
    if (::fstat(::fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    constexpr std::int64_t kNsPerSecond = 1000000000;
    return Identity{status.st_dev, status.st_ino, status.st_size,
                    status.st_mtim.tv_sec * kNsPerSecond + status.st_mtim.tv_nsec,
                    status.st_ctim.tv_sec * kNsPerSecond + status.st_ctim.tv_nsec};
}

} // namespace FileBytes
