#pragma once
// Whole-file reads for the D3DX loaders, through the Windows path rules.

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

namespace FileBytes {

// Which file, and which version of its contents: writing a file changes its modification and
// change times, replacing it changes its inode.
struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;

    bool operator==(const Identity&) const = default;
};

// Empty when the file cannot be opened or read.
std::optional<std::vector<std::uint8_t>> Read(std::wstring_view windowsPath);

// The rest of an open file; empty when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadOpen(std::FILE* file);

// Empty for anything but a regular file.
std::optional<Identity> IdentityOf(std::FILE* file);

} // namespace FileBytes
