#include "platform/d3dx9/file_bytes.h"

#include <cstdio>

#include "platform/fs/windows_path.h"

namespace FileBytes {

std::optional<std::vector<std::uint8_t>> Read(std::wstring_view windowsPath) {
    std::FILE* file = WindowsPath::OpenFile(windowsPath, "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    bool ok = true;
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk) {
            ok = std::ferror(file) == 0;
            break;
        }
    }
    std::fclose(file);
    if (!ok) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace FileBytes
