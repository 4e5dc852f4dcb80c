#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace media {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline float Dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(Vec3 a) {
    return std::sqrt(Dot(a, a));
}
inline Vec3 Normalize(Vec3 a) {
    float l = Length(a);
    return l > 1e-20f ? a * (1.0f / l) : Vec3{0, 1, 0};
}

struct Vec2 {
    float u = 0, v = 0;
};

// One material as the .x Material template holds it.
struct MeshMaterial {
    std::string name;
    std::array<float, 4> diffuse{1, 1, 1, 1};
    float power = 8.0f;
    std::array<float, 3> specular{0, 0, 0};
    std::array<float, 3> emissive{0, 0, 0};
    std::string texture; // empty: no TextureFilename
};

// Indexed triangle mesh with per-vertex normals and one texture-coordinate pair.
struct Mesh {
    std::string name;
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;
    std::vector<Vec2> uvs;
    std::vector<std::array<uint32_t, 3>> faces;
    std::vector<uint32_t> faceMaterials;
    std::vector<MeshMaterial> materials;

    // Appends `other`, remapping its material indices behind ours.
    void Append(const Mesh& other);
    // Every face gets material `index`.
    void SetSingleMaterial(uint32_t index);
};

struct Bounds {
    Vec3 min{1e30f, 1e30f, 1e30f};
    Vec3 max{-1e30f, -1e30f, -1e30f};
};
Bounds ComputeBounds(const std::vector<Vec3>& points);

} // namespace media
