// A blob drawn through EffectMesh::Draw with both techniques of the demo's own effect file
// (media/diffuse.fx). The expected pixels evaluate that file's shading formula here:
//   Diffuse(n) = colAmbient + colDiffuse1 * Wrapped(n, L1) + colDiffuse2 * Wrapped(n, L2),
//   Wrapped(n, L) = saturate(dot(n, -normalize(L)) * 0.8 + 0.2);
// the plain technique shows Diffuse(n); the textured one shows
//   lerp(base * Diffuse(n), env(r), envMapBlendFactor) + 0.5 * highlight(r),
// with r the eye ray reflected about n and highlight a power-24 lobe per light.

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>

#include "assets/effect_binding.h"
#include "assets/effect_mesh.h"
#include "assets/texture_object.h"
#include "tests/assets/asset_gl_test_fixture.h"

namespace {

using GlTest::Rgb;

struct Vec3 {
    float x, y, z;
};
Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator*(Vec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
float Dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 Normalize(Vec3 v) {
    return v * (1.0f / std::sqrt(Dot(v, v)));
}
float Saturate(float v) {
    return std::clamp(v, 0.0f, 1.0f);
}

constexpr int Rings = 24, Segments = 48;

// A unit sphere with its poles on the z axis, normals equal to positions, faces clockwise
// seen from outside (Direct3D's front faces).
void WriteSphere(const std::string& path) {
    std::ofstream out(path);
    const int count = 2 + (Rings - 1) * Segments;
    auto ring = [](int i, int j) { return 1 + (i - 1) * Segments + (j % Segments); };
    std::string vertices, faces;
    vertices += "0.0;0.0;-1.0;,\n";
    for (int i = 1; i < Rings; ++i) {
        const double theta = 3.14159265358979 * i / Rings;
        for (int j = 0; j < Segments; ++j) {
            const double phi = 2 * 3.14159265358979 * j / Segments;
            vertices += std::to_string(std::sin(theta) * std::cos(phi)) + ";" +
                        std::to_string(std::sin(theta) * std::sin(phi)) + ";" +
                        std::to_string(-std::cos(theta)) + ";,\n";
        }
    }
    vertices += "0.0;0.0;1.0;;\n";
    int faceCount = 0;
    auto face = [&](std::initializer_list<int> corners) {
        faces += faceCount == 0 ? "" : ",\n";
        faces += std::to_string(corners.size()) + ";";
        bool first = true;
        for (int c : corners) {
            faces += (first ? "" : ",") + std::to_string(c);
            first = false;
        }
        faces += ";";
        ++faceCount;
    };
    for (int j = 0; j < Segments; ++j) {
        face({0, ring(1, j + 1), ring(1, j)});
        for (int i = 1; i + 1 < Rings; ++i) {
            face({ring(i, j), ring(i, j + 1), ring(i + 1, j + 1), ring(i + 1, j)});
        }
        face({ring(Rings - 1, j), ring(Rings - 1, j + 1), count - 1});
    }
    faces += ";\n";
    const std::string faceList = std::to_string(faceCount) + ";\n" + faces;
    out << "xof 0303txt 0032\nMesh Blob {\n"
        << count << ";\n"
        << vertices << faceList << "MeshNormals {\n"
        << count << ";\n"
        << vertices << faceList << "}\n"
        << "MeshMaterialList {\n1;\n1;\n0;;\nMaterial "
           "{\n1.0;1.0;1.0;1.0;;\n0.0;\n0.0;0.0;0.0;;\n0.0;0.0;0.0;;\n}\n}\n}\n";
}

constexpr Rgb BaseColour = {200, 160, 120};
constexpr Rgb EnvColour = {40, 120, 220};
constexpr float Ambient[4] = {0.1f, 0.05f, 0.2f, 1.0f};
constexpr float Diffuse1[4] = {0.9f, 0.5f, 0.1f, 1.0f};
constexpr float Diffuse2[4] = {0.0f, 0.4f, 0.6f, 1.0f};
constexpr float LightDir1[4] = {0.5f, -0.5f, 1.0f, 0.0f};
constexpr float LightDir2[4] = {-0.6f, 0.3f, 0.7f, 0.0f};
constexpr float Blend[4] = {0.3f, 0.3f, 0.3f, 0.3f};
constexpr float EyePos[4] = {0.0f, 0.0f, -10.0f, 1.0f};
constexpr float Offset[3] = {0.0f, 0.0f, 0.0f};
// Clip space is the sphere scaled by 0.8 across and 0.4 in depth, pushed to depth 0.5.
constexpr float Scale = 0.8f;

float Wrapped(Vec3 n, const float (&light)[4]) {
    return Saturate(Dot(n, Normalize({-light[0], -light[1], -light[2]})) * 0.8f + 0.2f);
}

Rgb Expected(bool textured, UINT px, UINT py, UINT size) {
    // Direct3D 9 puts the centre of pixel (px, py) at screen coordinates (px, py).
    const float x = (static_cast<float>(px) / size * 2.0f - 1.0f) / Scale;
    const float y = (1.0f - static_cast<float>(py) / size * 2.0f) / Scale;
    const Vec3 n{x, y, -std::sqrt(1.0f - x * x - y * y)}; // the front of the unit sphere
    const float w1 = Wrapped(n, LightDir1), w2 = Wrapped(n, LightDir2);
    float diffuse[3];
    for (int c = 0; c < 3; ++c) {
        diffuse[c] = Ambient[c] + Diffuse1[c] * w1 + Diffuse2[c] * w2;
    }
    if (!textured) {
        return {GlTest::ToByte(diffuse[0]), GlTest::ToByte(diffuse[1]), GlTest::ToByte(diffuse[2])};
    }
    const Vec3 v = Normalize(n - Vec3{EyePos[0], EyePos[1], EyePos[2]});
    const Vec3 r = v - n * (2.0f * Dot(n, v));
    const float h1 =
        std::pow(Saturate(Dot(r, Normalize({-LightDir1[0], -LightDir1[1], -LightDir1[2]}))), 24.0f);
    const float h2 =
        std::pow(Saturate(Dot(r, Normalize({-LightDir2[0], -LightDir2[1], -LightDir2[2]}))), 24.0f);
    const int base[3] = {BaseColour.r, BaseColour.g, BaseColour.b};
    const int env[3] = {EnvColour.r, EnvColour.g, EnvColour.b};
    int out[3];
    for (int c = 0; c < 3; ++c) {
        const float lit = base[c] / 255.0f * diffuse[c];
        const float mixed = lit + (env[c] / 255.0f - lit) * Saturate(Blend[c]);
        out[c] = GlTest::ToByte(mixed + 0.5f * (Diffuse1[c] * h1 + Diffuse2[c] * h2));
    }
    return {out[0], out[1], out[2]};
}

class EffectMeshGlTest : public AssetGlTest {};

TEST_F(EffectMeshGlTest, BlobFollowsTheEffectFormulaInBothTechniques) {
    WriteSphere("blob.x");
    EffectMesh blob;
    blob.Load("blob.x", 0x112, 32);
    ASSERT_NE(blob.mesh, nullptr);
    EffectBinding binding;
    binding.Load(std::string(QUILLMOOR_TEST_DATA) + "/../../media/diffuse.fx");
    ASSERT_NE(binding.effect, nullptr);

    const Rgb baseTexels[1][1] = {{BaseColour}};
    const Rgb faces[6] = {EnvColour, EnvColour, EnvColour, EnvColour, EnvColour, EnvColour};
    Texture2D base;
    base.texture = MakeTexture(baseTexels);
    CubeTexture env;
    env.texture = MakeCube(faces);

    D3DXMATRIX scale, move, worldViewProj, world;
    D3DXMatrixScaling(&scale, Scale, Scale, 0.4f);
    D3DXMatrixTranslation(&move, 0.0f, 0.0f, 0.5f);
    D3DXMatrixMultiply(&worldViewProj, &scale, &move);
    D3DXMatrixIdentity(&world);
    ASSERT_EQ(binding.SetMatrix("matWorldViewProj", &worldViewProj), D3D_OK);
    ASSERT_EQ(binding.SetMatrix("matWorld", &world), D3D_OK);
    ASSERT_EQ(binding.SetValue("colAmbient", Ambient, sizeof(Ambient)), D3D_OK);
    ASSERT_EQ(binding.SetValue("colDiffuse1", Diffuse1, sizeof(Diffuse1)), D3D_OK);
    ASSERT_EQ(binding.SetValue("colDiffuse2", Diffuse2, sizeof(Diffuse2)), D3D_OK);
    ASSERT_EQ(binding.SetValue("vecLightDir1", LightDir1, sizeof(LightDir1)), D3D_OK);
    ASSERT_EQ(binding.SetValue("vecLightDir2", LightDir2, sizeof(LightDir2)), D3D_OK);
    ASSERT_EQ(binding.SetValue("envMapBlendFactor", Blend, sizeof(Blend)), D3D_OK);
    ASSERT_EQ(binding.SetValue("vecEyePos", EyePos, sizeof(EyePos)), D3D_OK);
    ASSERT_EQ(binding.SetValue("vecOffset", Offset, sizeof(Offset)), D3D_OK);
    ASSERT_EQ(binding.SetTexture("tBase", &base), D3D_OK);
    ASSERT_EQ(binding.SetTexture("tEnv", &env), D3D_OK);

    struct Case {
        const char* technique;
        bool textured;
    };
    const Case cases[] = {{"RenderScene2Lights", false}, {"RenderSceneTextured2LightsEnvMap", true}};
    const UINT pixels[][2] = {{32, 32}, {20, 24}, {44, 40}, {26, 46}, {40, 18}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.technique);
        ASSERT_EQ(binding.SetTechnique(c.technique), D3D_OK);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
        device->BeginScene();
        blob.Draw(&binding);
        device->EndScene();
        for (const auto& p : pixels) {
            // The faceted sphere's interpolated normals differ slightly from the true ones.
            GlTest::ExpectNear(ReadPixel(p[0], p[1]), Expected(c.textured, p[0], p[1], width), 4,
                               std::to_string(p[0]) + "," + std::to_string(p[1]));
        }
        GlTest::ExpectNear(ReadPixel(3, 3), {0, 0, 0}, 0, "outside the blob");
    }
    base.texture->Release();
    base.texture = nullptr;
    env.texture->Release();
    env.texture = nullptr;
    binding.effect->Release();
}

} // namespace
