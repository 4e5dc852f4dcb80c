#include "tools/quillmoor-media/mesh.h"

#include <algorithm>

namespace media {

void Mesh::Append(const Mesh& other) {
    const auto base = static_cast<uint32_t>(positions.size());
    const auto materialBase = static_cast<uint32_t>(materials.size());
    positions.insert(positions.end(), other.positions.begin(), other.positions.end());
    normals.insert(normals.end(), other.normals.begin(), other.normals.end());
    uvs.insert(uvs.end(), other.uvs.begin(), other.uvs.end());
    for (const auto& f : other.faces) {
        faces.push_back({f[0] + base, f[1] + base, f[2] + base});
    }
    for (uint32_t m : other.faceMaterials) {
        faceMaterials.push_back(m + materialBase);
    }
    materials.insert(materials.end(), other.materials.begin(), other.materials.end());
}

void Mesh::SetSingleMaterial(uint32_t index) {
    faceMaterials.assign(faces.size(), index);
}

Bounds ComputeBounds(const std::vector<Vec3>& points) {
    Bounds b;
    for (const Vec3& p : points) {
        b.min = {std::min(b.min.x, p.x), std::min(b.min.y, p.y), std::min(b.min.z, p.z)};
        b.max = {std::max(b.max.x, p.x), std::max(b.max.y, p.y), std::max(b.max.z, p.z)};
    }
    return b;
}

} // namespace media
