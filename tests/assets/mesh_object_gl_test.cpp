// A textured mesh lit by the fixed-function pipeline through MeshObject::Draw. The expected
// pixels follow Direct3D's vertex lighting for a directional light,
//   colour = Emissive + Ambient * (D3DRS_AMBIENT + sum Light.Ambient)
//          + Diffuse * sum Light.Diffuse * max(0, N . -Light.Direction),
// clamped to [0, 1] and modulated by the texel, with the material's ambient equal to its
// diffuse colour as MeshObject sets it.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assets/mesh_object.h"
#include "tests/assets/asset_gl_test_fixture.h"

namespace {

using GlTest::Rgb;

// 2 x 2 texture, row by row from the top.
constexpr Rgb Texels[2][2] = {{{250, 200, 100}, {60, 240, 120}}, {{100, 150, 250}, {255, 255, 255}}};
constexpr float MaterialDiffuse[3] = {0.8f, 0.6f, 0.4f}; // tests/data/x/lit_quad.x
constexpr D3DCOLOR SceneAmbient = D3DCOLOR_XRGB(51, 26, 77);

// An uncompressed 24-bit TGA, rows from the top.
void WriteTga(const std::string& path) {
    std::vector<char> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0x20};
    for (const auto& row : Texels) {
        for (const Rgb& t : row) {
            bytes.insert(bytes.end(),
                         {static_cast<char>(t.b), static_cast<char>(t.g), static_cast<char>(t.r)});
        }
    }
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct LightCase {
    const char* name;
    D3DVECTOR direction;
    D3DCOLORVALUE diffuse;
    D3DCOLORVALUE ambient;
};

constexpr LightCase kLights[] = {
    {"slanted", {0.6f, 0.0f, 0.8f}, {1.0f, 0.9f, 0.5f, 1.0f}, {0.1f, 0.05f, 0.0f, 1.0f}},
    {"head on, bright", {0.0f, 0.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {0.2f, 0.2f, 0.2f, 1.0f}},
    {"from behind", {0.0f, 0.0f, -1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}},
};

class MeshObjectGlTest : public AssetGlTest {};

TEST_F(MeshObjectGlTest, TexturedQuadIsLitAsDirect3DLightsIt) {
    std::filesystem::create_directories("data/meshes");
    std::filesystem::copy_file(std::string(QUILLMOOR_TEST_DATA) + "/x/lit_quad.x", "data/meshes/lit_quad.x");
    WriteTga("data/meshes/lit_quad.tga");
    MeshObject quad;
    quad.Load("data/meshes/", "lit_quad.x");
    ASSERT_EQ(quad.materialCount, 1u);
    ASSERT_NE(quad.mesh, nullptr);

    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &identity);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, SceneAmbient);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    const float sceneAmbient[3] = {51 / 255.0f, 26 / 255.0f, 77 / 255.0f};

    for (const LightCase& c : kLights) {
        SCOPED_TRACE(c.name);
        D3DLIGHT9 light{};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Direction = c.direction;
        light.Diffuse = c.diffuse;
        light.Ambient = c.ambient;
        ASSERT_EQ(device->SetLight(0, &light), D3D_OK);
        ASSERT_EQ(device->LightEnable(0, TRUE), D3D_OK);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
        device->BeginScene();
        quad.Draw();
        device->EndScene();

        // The normal is (0, 0, -1); the direction has unit length.
        const float nDotL = std::max(0.0f, c.direction.z);
        const float lightDiffuse[3] = {c.diffuse.r, c.diffuse.g, c.diffuse.b};
        const float lightAmbient[3] = {c.ambient.r, c.ambient.g, c.ambient.b};
        float lit[3];
        for (int i = 0; i < 3; ++i) {
            const float material = MaterialDiffuse[i];
            lit[i] = std::clamp(material * (sceneAmbient[i] + lightAmbient[i]) +
                                    material * lightDiffuse[i] * nDotL,
                                0.0f, 1.0f);
        }
        // The square covers pixels 16..47 both ways; one texel per quadrant.
        const UINT at[2] = {20, 44};
        for (int ty = 0; ty < 2; ++ty) {
            for (int tx = 0; tx < 2; ++tx) {
                const Rgb& t = Texels[ty][tx];
                const Rgb expected{GlTest::ToByte(t.r / 255.0f * lit[0]),
                                   GlTest::ToByte(t.g / 255.0f * lit[1]),
                                   GlTest::ToByte(t.b / 255.0f * lit[2])};
                GlTest::ExpectNear(ReadPixel(at[tx], at[ty]), expected, 3,
                                   "texel " + std::to_string(tx) + "," + std::to_string(ty));
            }
        }
        GlTest::ExpectNear(ReadPixel(10, 32), {0, 0, 0}, 0, "outside");
    }
}

} // namespace
