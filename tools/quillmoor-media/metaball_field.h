#pragma once

#include <vector>

#include "tools/quillmoor-media/mesh.h"

namespace media {

// A field of soft spheres, each contributing strength * (1 - d²/R²)³ inside its radius R.
// The surface is where the sum equals the threshold; the inside is above it.
struct Metaball {
    Vec3 centre;
    float radius = 1.0f;
    float strength = 1.0f; // negative strength carves
};

class MetaballField {
  public:
    explicit MetaballField(float threshold = 0.25f) : threshold_(threshold) {}

    void Add(Vec3 centre, float radius, float strength = 1.0f) {
        balls_.push_back({centre, radius, strength});
    }
    const std::vector<Metaball>& Balls() const { return balls_; }
    float Threshold() const { return threshold_; }

    // Field minus threshold: positive inside.
    float Value(Vec3 p) const;
    Vec3 Gradient(Vec3 p) const;
    Bounds Extent() const;

  private:
    float threshold_;
    std::vector<Metaball> balls_;
};

// Extracts the surface with surface nets on a grid of the given cell size, projects the vertices onto
// the exact surface, and gives outward normals from the field gradient. Texture coordinates are left
// empty; faces all use material 0.
Mesh PolygoniseField(const MetaballField& field, float cellSize);

// Texture coordinates that wrap continuously over any shape (a tiling texture is expected).
void AssignPlanarTextureCoordinates(Mesh& mesh, float scale);

} // namespace media
