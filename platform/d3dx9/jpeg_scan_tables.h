#pragma once
// stb_image decodes a JPEG scan with whatever Huffman table its header selects, defined or
// not: an undefined one is uninitialised memory, which ends in an assertion (Debian builds
// stb with them) or in reads through garbage indices. This walk of the markers finds such
// files before stb sees them.

#include <cstddef>
#include <cstdint>

namespace JpegScanTables {

// False when `data` is a JPEG in which a scan uses a Huffman table no DHT segment before it
// defined; true for every other input (other formats and other faults are left to stb).
bool ScansUseDefinedTables(const std::uint8_t* data, std::size_t size);

} // namespace JpegScanTables
