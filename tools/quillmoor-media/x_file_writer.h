#pragma once

#include <cstdint>
#include <vector>

#include "tools/quillmoor-media/mesh.h"

namespace media {

// DirectX .x files holding one Mesh with normals, texture coordinates (when present) and an inline
// material list. Text form "xof 0303txt 0032" and binary form "xof 0303bin 0032".
std::vector<uint8_t> WriteXText(const Mesh& mesh);
std::vector<uint8_t> WriteXBinary(const Mesh& mesh);

} // namespace media
