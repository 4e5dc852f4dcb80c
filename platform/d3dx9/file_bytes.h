#pragma once
// Whole-file reads for the D3DX loaders, through the Windows path rules.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace FileBytes {

// Empty when the file cannot be opened or read.
std::optional<std::vector<std::uint8_t>> Read(std::wstring_view windowsPath);

} // namespace FileBytes
