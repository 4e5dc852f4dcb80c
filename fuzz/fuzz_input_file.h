#pragma once
// The loaders under test read files by name, as the demo does: each fuzz input is written
// to one file of this process under TMPDIR and loaded from there.

#include <cstddef>
#include <cstdint>
#include <string>

namespace FuzzInputFile {

// Replaces the file's contents with `data` and returns its absolute path. `extension`
// (".x", ".rar", ...) is kept, since some loaders look at it.
const std::string& Write(const std::uint8_t* data, std::size_t size, const char* extension);

} // namespace FuzzInputFile
