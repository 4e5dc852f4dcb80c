#include "tools/quillmoor-media/blob_meshes.h"

#include <algorithm>
#include <cmath>

#include "tools/quillmoor-media/metaball_field.h"
#include "tools/quillmoor-media/seeded_random.h"

namespace media {

namespace {

constexpr float kPi = 3.14159265358979f;

MeshMaterial BlobMaterial() {
    MeshMaterial m;
    m.name = "BlobSkin";
    m.diffuse = {0.8f, 0.85f, 1.0f, 1.0f};
    m.power = 20.0f;
    m.specular = {0.5f, 0.5f, 0.5f};
    m.texture = "blob.jpg";
    return m;
}

Mesh Finish(Mesh mesh, const char* name, float uvScale) {
    mesh.name = name;
    AssignPlanarTextureCoordinates(mesh, uvScale);
    mesh.materials = {BlobMaterial()};
    mesh.SetSingleMaterial(0);
    return mesh;
}

// Scales the mesh about the origin so that its farthest vertex lies at `radius`.
void ScaleToRadius(Mesh& mesh, float radius) {
    float far = 0.0f;
    for (const Vec3& p : mesh.positions) {
        far = std::max(far, Length(p));
    }
    const float s = radius / far;
    for (Vec3& p : mesh.positions) {
        p = p * s;
    }
}

Vec3 RandomDirection(SeededRandom& r) {
    for (;;) {
        Vec3 d{r.Range(-1, 1), r.Range(-1, 1), r.Range(-1, 1)};
        const float l = Length(d);
        if (l > 0.2f && l <= 1.0f) {
            return d * (1.0f / l);
        }
    }
}

// A central ball with lobes around it; sized in units of the central radius.
MetaballField LumpyField(uint32_t seed, int lobes, float lobeDistance, float lobeRadius) {
    MetaballField field;
    SeededRandom r(seed);
    field.Add({0, 0, 0}, 1.0f);
    for (int i = 0; i < lobes; ++i) {
        const Vec3 d = RandomDirection(r);
        field.Add(d * (lobeDistance * r.Range(0.8f, 1.1f)), lobeRadius * r.Range(0.7f, 1.0f));
    }
    return field;
}

} // namespace

// The camera closes in to 15 units, and the twist keeps every vertex's distance from the origin, so
// a blob that reaches no further than 6.5 never swallows the camera; at 15 units its lobes still run
// past the edges of the 45-degree view while the valleys between them show the background. Every
// rest length stays under 10, so the twist turns the inner vertices more than the outer ones.
Mesh MakeOpeningBlob() {
    Mesh mesh = PolygoniseField(LumpyField(2, 9, 0.65f, 0.62f), 0.045f);
    ScaleToRadius(mesh, kOpeningBlobRadius);
    return Finish(std::move(mesh), "blobby02", 0.08f);
}

Mesh MakeFlightRing() {
    MetaballField field;
    SeededRandom r(12);
    const Vec3 centre{-145.0f, 37.0f, -28.0f};
    constexpr int kBalls = 40;
    for (int i = 0; i < kBalls; ++i) {
        const float a = 2.0f * kPi * float(i) / kBalls;
        const float wobble = 5.0f * std::sin(3.0f * a);
        const Vec3 p = centre + Vec3{wobble, std::cos(a) * 75.0f, std::sin(a) * 75.0f};
        field.Add(p, 26.0f + 6.0f * std::sin(5.0f * a + 1.0f));
    }
    // Knobs on the outside of the ring, kept off the camera's diagonal pass above it.
    for (int i = 0; i < 9; ++i) {
        const float a = 2.0f * kPi * (float(i) + 0.5f) / 9.0f + 0.3f;
        const Vec3 p = centre + Vec3{r.Range(-12, 12), std::cos(a) * 98.0f, std::sin(a) * 98.0f};
        if (Length(p - Vec3{-145.0f, 120.0f, 50.0f}) < 40.0f) {
            continue;
        }
        field.Add(p, r.Range(14.0f, 20.0f));
    }
    return Finish(PolygoniseField(field, 3.2f), "blobby12", 0.02f);
}

Mesh MakeWobbleBlob() {
    Mesh mesh = PolygoniseField(LumpyField(23, 12, 0.8f, 0.55f), 0.04f);
    ScaleToRadius(mesh, 70.0f);
    return Finish(std::move(mesh), "blobby23", 0.014f);
}

Mesh MakePulseBlob() {
    Mesh mesh = PolygoniseField(LumpyField(21, 10, 0.85f, 0.6f), 0.045f);
    ScaleToRadius(mesh, 70.0f);
    return Finish(std::move(mesh), "blobby21", 0.014f);
}

// Seen from a fixed eye 22.4 units away through a 45-degree view: at 9.2 units the lobes touch the
// edges of the view while the outline stays in the picture.
Mesh MakeCreditsBlob() {
    Mesh mesh = PolygoniseField(LumpyField(15, 8, 0.7f, 0.6f), 0.045f);
    ScaleToRadius(mesh, kCreditsBlobRadius);
    return Finish(std::move(mesh), "blobby15", 0.09f);
}

Mesh MakeHelixTower() {
    MetaballField field;
    constexpr int kStrands = 4;
    constexpr float kBottom = -80.0f, kTop = 440.0f, kHelixRadius = 65.5f, kTurns = 1.25f;
    for (int s = 0; s < kStrands; ++s) {
        const float start = 2.0f * kPi * float(s) / kStrands;
        constexpr int kSteps = 110;
        for (int i = 0; i <= kSteps; ++i) {
            const float f = float(i) / kSteps;
            const float a = start + 2.0f * kPi * kTurns * f;
            const float y = kBottom + (kTop - kBottom) * f;
            const float swell = 1.0f + 0.15f * std::sin(f * 23.0f + float(s));
            field.Add({std::cos(a) * kHelixRadius, y, std::sin(a) * kHelixRadius}, 9.5f * swell);
        }
    }
    // Rings that tie the strands together at a few heights.
    for (float y : {20.0f, 150.0f, 290.0f, 400.0f}) {
        constexpr int kRing = 40;
        for (int i = 0; i < kRing; ++i) {
            const float a = 2.0f * kPi * float(i) / kRing;
            field.Add({std::cos(a) * kHelixRadius, y, std::sin(a) * kHelixRadius}, 8.0f);
        }
    }
    return Finish(PolygoniseField(field, 2.8f), "blobby13", 0.02f);
}

Mesh MakeSwirlBlob() {
    MetaballField field;
    field.Add({0, 0, 0}, 22.0f);
    constexpr int kArms = 6;
    for (int arm = 0; arm < kArms; ++arm) {
        const float a = 2.0f * kPi * float(arm) / kArms;
        const float tilt = (arm % 2 == 0 ? 0.35f : -0.35f);
        for (int i = 1; i <= 6; ++i) {
            const float d = 6.0f * float(i);
            field.Add({std::cos(a) * d, std::sin(a) * d, tilt * d}, 15.0f - 1.3f * float(i));
        }
    }
    Mesh mesh = PolygoniseField(field, 1.2f);
    ScaleToRadius(mesh, 40.0f);
    return Finish(std::move(mesh), "blobby19", 0.035f);
}

Mesh MakeBackdropSphere() {
    // A latitude-longitude shell with bumps; the seam column is doubled so texture coordinates stay
    // continuous, and normals face inwards towards the camera inside it.
    constexpr int kRings = 48, kSegments = 96;
    constexpr float kRadius = 450.0f;
    auto radiusAt = [](float theta, float phi) {
        return kRadius + 28.0f * std::sin(3.0f * phi) * std::sin(4.0f * theta) +
               14.0f * std::cos(7.0f * phi + 2.0f * theta);
    };
    Mesh mesh;
    mesh.name = "blobby_sphere";
    for (int i = 0; i <= kRings; ++i) {
        const float theta = kPi * float(i) / kRings;
        for (int j = 0; j <= kSegments; ++j) {
            const float phi = 2.0f * kPi * float(j) / kSegments;
            const Vec3 dir{std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
            mesh.positions.push_back(dir * radiusAt(theta, phi));
            mesh.uvs.push_back({4.0f * float(j) / kSegments, 2.0f * float(i) / kRings});
        }
    }
    const int row = kSegments + 1;
    for (int i = 0; i < kRings; ++i) {
        for (int j = 0; j < kSegments; ++j) {
            const auto a = static_cast<uint32_t>(i * row + j), b = a + 1, c = a + row, d = c + 1;
            mesh.faces.push_back({a, b, c});
            mesh.faces.push_back({b, d, c});
        }
    }
    // Inward normals from the faces around each vertex.
    mesh.normals.assign(mesh.positions.size(), Vec3{});
    for (const auto& f : mesh.faces) {
        const Vec3 n =
            Cross(mesh.positions[f[1]] - mesh.positions[f[0]], mesh.positions[f[2]] - mesh.positions[f[0]]);
        for (uint32_t v : f) {
            mesh.normals[v] = mesh.normals[v] + n;
        }
    }
    for (size_t v = 0; v < mesh.positions.size(); ++v) {
        Vec3 n = Normalize(mesh.normals[v]);
        if (Dot(n, mesh.positions[v]) > 0.0f) {
            n = n * -1.0f;
        }
        mesh.normals[v] = n;
    }
    MeshMaterial m = BlobMaterial();
    m.name = "Backdrop";
    mesh.materials = {m};
    mesh.SetSingleMaterial(0);
    return mesh;
}

Mesh MakeStack() {
    MetaballField field;
    constexpr int kLevels = 10;
    for (int level = 0; level < kLevels; ++level) {
        const float z = 12.0f + 25.0f * float(level);
        const int count = level % 2 == 0 ? 4 : 5;
        const float turn = 0.3f * float(level);
        for (int i = 0; i < count; ++i) {
            const float a = turn + 2.0f * kPi * float(i) / float(count);
            field.Add({std::cos(a) * 46.0f, std::sin(a) * 46.0f, z}, 24.0f);
        }
        // A thinner ring between levels keeps the stack in one piece.
        if (level + 1 < kLevels) {
            for (int i = 0; i < 8; ++i) {
                const float a = turn + 2.0f * kPi * float(i) / 8.0f;
                field.Add({std::cos(a) * 40.0f, std::sin(a) * 40.0f, z + 12.5f}, 13.0f);
            }
        }
    }
    return Finish(PolygoniseField(field, 3.2f), "stapel", 0.02f);
}

} // namespace media
