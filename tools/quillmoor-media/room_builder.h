#pragma once

#include <string>

#include "tools/quillmoor-media/mesh.h"

namespace media {

class MetaballField;

// Builds room meshes from simple pieces, each subdivided finely enough for per-vertex lighting.
class RoomBuilder {
  public:
    explicit RoomBuilder(std::string name);

    // Adds (or finds) a material that shows `texture` (a bare file name) and returns its index.
    uint32_t Material(const std::string& texture, std::array<float, 4> diffuse = {0.9f, 0.9f, 0.9f, 1.0f},
                      std::array<float, 3> emissive = {0.04f, 0.04f, 0.06f});

    // A parallelogram from `origin` spanned by `edgeU` and `edgeV`, cut into tiles of at most `tile` units,
    // facing `edgeU × edgeV` (flip reverses it). Texture coordinates run `uvPerUnit` per unit of length.
    void Quad(Vec3 origin, Vec3 edgeU, Vec3 edgeV, uint32_t material, float tile, float uvPerUnit,
              bool flip = false);
    // The inside of an axis-aligned box: floor, ceiling and four walls, facing inwards.
    void Shell(Vec3 min, Vec3 max, uint32_t floor, uint32_t walls, uint32_t ceiling, float tile,
               float uvPerUnit);
    // A closed axis-aligned box facing outwards.
    void Block(Vec3 min, Vec3 max, uint32_t material, float tile, float uvPerUnit);
    // A closed cylinder standing on `base` along +Y.
    void Pillar(Vec3 base, float radius, float height, uint32_t material, float uvPerUnit);
    // An open cylinder along +Z from `start`, normals outwards.
    void TubeAlongZ(Vec3 start, float radius, float length, uint32_t material, float uvPerUnit);
    // A smooth blob surface from a metaball field.
    void Blob(const MetaballField& field, float cellSize, uint32_t material, float uvScale);

    Mesh Take() { return std::move(mesh_); }

  private:
    Mesh mesh_;
};

} // namespace media
