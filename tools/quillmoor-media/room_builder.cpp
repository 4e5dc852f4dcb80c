#include "tools/quillmoor-media/room_builder.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "tools/quillmoor-media/metaball_field.h"

namespace media {

namespace {
constexpr float kPi = 3.14159265358979f;
}

RoomBuilder::RoomBuilder(std::string name) {
    mesh_.name = std::move(name);
}

uint32_t RoomBuilder::Material(const std::string& texture, std::array<float, 4> diffuse,
                               std::array<float, 3> emissive) {
    for (size_t i = 0; i < mesh_.materials.size(); ++i) {
        const MeshMaterial& m = mesh_.materials[i];
        if (m.texture == texture && m.diffuse == diffuse && m.emissive == emissive) {
            return static_cast<uint32_t>(i);
        }
    }
    MeshMaterial m;
    m.name = "Mat" + std::to_string(mesh_.materials.size());
    for (char c : texture) {
        m.name += (std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
    }
    m.diffuse = diffuse;
    m.emissive = emissive;
    m.power = 10.0f;
    m.texture = texture;
    mesh_.materials.push_back(m);
    return static_cast<uint32_t>(mesh_.materials.size() - 1);
}

void RoomBuilder::Quad(Vec3 origin, Vec3 edgeU, Vec3 edgeV, uint32_t material, float tile, float uvPerUnit,
                       bool flip) {
    const float lu = Length(edgeU), lv = Length(edgeV);
    const int nu = std::max(1, static_cast<int>(std::ceil(lu / tile)));
    const int nv = std::max(1, static_cast<int>(std::ceil(lv / tile)));
    Vec3 normal = Normalize(Cross(edgeU, edgeV));
    if (flip) {
        normal = normal * -1.0f;
    }
    const auto base = static_cast<uint32_t>(mesh_.positions.size());
    for (int j = 0; j <= nv; ++j) {
        for (int i = 0; i <= nu; ++i) {
            const float fu = float(i) / nu, fv = float(j) / nv;
            mesh_.positions.push_back(origin + edgeU * fu + edgeV * fv);
            mesh_.normals.push_back(normal);
            mesh_.uvs.push_back({fu * lu * uvPerUnit, fv * lv * uvPerUnit});
        }
    }
    const auto row = static_cast<uint32_t>(nu + 1);
    for (int j = 0; j < nv; ++j) {
        for (int i = 0; i < nu; ++i) {
            const uint32_t a = base + static_cast<uint32_t>(j) * row + static_cast<uint32_t>(i);
            const uint32_t b = a + 1, c = a + row, d = c + 1;
            // Clockwise seen from the side the normal points to.
            if (!flip) {
                mesh_.faces.push_back({a, b, c});
                mesh_.faces.push_back({b, d, c});
            } else {
                mesh_.faces.push_back({a, c, b});
                mesh_.faces.push_back({b, c, d});
            }
            mesh_.faceMaterials.push_back(material);
            mesh_.faceMaterials.push_back(material);
        }
    }
}

void RoomBuilder::Shell(Vec3 lo, Vec3 hi, uint32_t floor, uint32_t walls, uint32_t ceiling, float tile,
                        float uv) {
    const Vec3 dx{hi.x - lo.x, 0, 0}, dy{0, hi.y - lo.y, 0}, dz{0, 0, hi.z - lo.z};
    Quad(lo, dz, dx, floor, tile, uv);                   // floor, facing +Y
    Quad({lo.x, hi.y, lo.z}, dx, dz, ceiling, tile, uv); // ceiling, facing -Y
    Quad(lo, dy, dz, walls, tile, uv);                   // x = min, facing +X
    Quad({hi.x, lo.y, lo.z}, dz, dy, walls, tile, uv);   // x = max, facing -X
    Quad(lo, dx, dy, walls, tile, uv);                   // z = min, facing +Z
    Quad({lo.x, lo.y, hi.z}, dy, dx, walls, tile, uv);   // z = max, facing -Z
}

void RoomBuilder::Block(Vec3 lo, Vec3 hi, uint32_t material, float tile, float uv) {
    const Vec3 dx{hi.x - lo.x, 0, 0}, dy{0, hi.y - lo.y, 0}, dz{0, 0, hi.z - lo.z};
    Quad(lo, dx, dz, material, tile, uv);                 // bottom, facing -Y
    Quad({lo.x, hi.y, lo.z}, dz, dx, material, tile, uv); // top, facing +Y
    Quad(lo, dz, dy, material, tile, uv);                 // facing -X
    Quad({hi.x, lo.y, lo.z}, dy, dz, material, tile, uv); // facing +X
    Quad(lo, dy, dx, material, tile, uv);                 // facing -Z
    Quad({lo.x, lo.y, hi.z}, dx, dy, material, tile, uv); // facing +Z
}

void RoomBuilder::Pillar(Vec3 base, float radius, float height, uint32_t material, float uv) {
    constexpr int kSegments = 20;
    const int rings = std::max(1, static_cast<int>(std::ceil(height / 20.0f)));
    const auto first = static_cast<uint32_t>(mesh_.positions.size());
    const float circumference = 2.0f * kPi * radius;
    for (int j = 0; j <= rings; ++j) {
        for (int i = 0; i <= kSegments; ++i) {
            const float a = 2.0f * kPi * float(i) / kSegments;
            const Vec3 n{std::cos(a), 0, std::sin(a)};
            mesh_.positions.push_back(base + n * radius + Vec3{0, height * float(j) / rings, 0});
            mesh_.normals.push_back(n);
            mesh_.uvs.push_back({circumference * uv * float(i) / kSegments, height * uv * float(j) / rings});
        }
    }
    for (int j = 0; j < rings; ++j) {
        for (int i = 0; i < kSegments; ++i) {
            const uint32_t a = first + static_cast<uint32_t>(j * (kSegments + 1) + i);
            const uint32_t b = a + 1, c = a + kSegments + 1, d = c + 1;
            mesh_.faces.push_back({a, c, b});
            mesh_.faces.push_back({b, c, d});
            mesh_.faceMaterials.insert(mesh_.faceMaterials.end(), {material, material});
        }
    }
    // Caps: a fan around a centre vertex at each end.
    for (int end = 0; end < 2; ++end) {
        const float y = end == 0 ? 0.0f : height;
        const Vec3 n{0, end == 0 ? -1.0f : 1.0f, 0};
        const auto centre = static_cast<uint32_t>(mesh_.positions.size());
        mesh_.positions.push_back(base + Vec3{0, y, 0});
        mesh_.normals.push_back(n);
        mesh_.uvs.push_back({0.5f, 0.5f});
        for (int i = 0; i <= kSegments; ++i) {
            const float a = 2.0f * kPi * float(i) / kSegments;
            mesh_.positions.push_back(base + Vec3{std::cos(a) * radius, y, std::sin(a) * radius});
            mesh_.normals.push_back(n);
            mesh_.uvs.push_back({0.5f + 0.5f * std::cos(a), 0.5f + 0.5f * std::sin(a)});
        }
        for (int i = 0; i < kSegments; ++i) {
            const uint32_t a = centre + 1 + static_cast<uint32_t>(i);
            if (end == 0) {
                mesh_.faces.push_back({centre, a, a + 1});
            } else {
                mesh_.faces.push_back({centre, a + 1, a});
            }
            mesh_.faceMaterials.push_back(material);
        }
    }
}

void RoomBuilder::TubeAlongZ(Vec3 start, float radius, float length, uint32_t material, float uv) {
    constexpr int kSegments = 24;
    const int rings = std::max(1, static_cast<int>(std::ceil(length / 15.0f)));
    const auto first = static_cast<uint32_t>(mesh_.positions.size());
    for (int j = 0; j <= rings; ++j) {
        for (int i = 0; i <= kSegments; ++i) {
            const float a = 2.0f * kPi * float(i) / kSegments;
            const Vec3 n{std::cos(a), std::sin(a), 0};
            mesh_.positions.push_back(start + n * radius + Vec3{0, 0, length * float(j) / rings});
            mesh_.normals.push_back(n);
            mesh_.uvs.push_back({float(i) / kSegments, length * uv * float(j) / rings});
        }
    }
    for (int j = 0; j < rings; ++j) {
        for (int i = 0; i < kSegments; ++i) {
            const uint32_t a = first + static_cast<uint32_t>(j * (kSegments + 1) + i);
            const uint32_t b = a + 1, c = a + kSegments + 1, d = c + 1;
            mesh_.faces.push_back({a, b, c});
            mesh_.faces.push_back({b, d, c});
            mesh_.faceMaterials.insert(mesh_.faceMaterials.end(), {material, material});
        }
    }
}

void RoomBuilder::Blob(const MetaballField& field, float cellSize, uint32_t material, float uvScale) {
    Mesh blob = PolygoniseField(field, cellSize);
    AssignPlanarTextureCoordinates(blob, uvScale);
    blob.SetSingleMaterial(material);
    const auto base = static_cast<uint32_t>(mesh_.positions.size());
    mesh_.positions.insert(mesh_.positions.end(), blob.positions.begin(), blob.positions.end());
    mesh_.normals.insert(mesh_.normals.end(), blob.normals.begin(), blob.normals.end());
    mesh_.uvs.insert(mesh_.uvs.end(), blob.uvs.begin(), blob.uvs.end());
    for (const auto& f : blob.faces) {
        mesh_.faces.push_back({f[0] + base, f[1] + base, f[2] + base});
        mesh_.faceMaterials.push_back(material);
    }
}

} // namespace media
