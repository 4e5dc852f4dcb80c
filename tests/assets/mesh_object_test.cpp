#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assets/mesh_object.h"
#include "assets/texture_object.h"
#include "tests/assets/resource_cache_test_fixture.h"

namespace {

// --- MeshObject ---

void CopyFixture(const char* name, const std::string& to) {
    std::filesystem::copy_file(std::string(QUILLMOOR_TEST_DATA) + "/x/" + name, to,
                               std::filesystem::copy_options::overwrite_existing);
}

std::vector<std::string> Names(const std::vector<RecordedCall>& calls) {
    std::vector<std::string> names;
    for (const auto& c : calls) {
        names.push_back(c.name);
    }
    return names;
}

TEST_F(AssetTest, MeshLoadCopiesMaterialsAndLoadsTexturesBehindTheDirectory) {
    CopyFixture("two_materials.x", "data/meshes/room.x");
    WritePng("data/meshes/red.png");
    MeshObject mesh;
    mesh.Load("data//meshes//", "room.x");
    ASSERT_EQ(mesh.materialCount, 2u);
    ASSERT_NE(mesh.mesh, nullptr);
    EXPECT_FLOAT_EQ(mesh.materials[0].Ambient.r, 1.0f);
    EXPECT_FLOAT_EQ(mesh.materials[0].Ambient.a, 1.0f);
    EXPECT_FLOAT_EQ(mesh.materials[1].Ambient.g, 1.0f);
    EXPECT_FLOAT_EQ(mesh.materials[1].Ambient.a, 0.5f);
    EXPECT_FLOAT_EQ(mesh.materials[0].Power, 8.0f);
    ASSERT_EQ(mesh.textures.size(), 2u);
    ASSERT_NE(mesh.textures[0], nullptr);
    EXPECT_NE(mesh.textures[0]->texture, nullptr);
    EXPECT_EQ(mesh.textures[1], nullptr);
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{"Loading ... red.png", "Loading data//meshes//red.png ..."}));
    EXPECT_EQ(mesh.mesh->GetFVF(), 0x112u) << "the file's own vertex format";

    MeshObject other;
    other.Load("data//meshes//", "room.x");
    EXPECT_EQ(other.textures[0], mesh.textures[0]) << "same cache key, same texture object";
}

TEST_F(AssetTest, MeshDrawSetsWorldThenPerMaterialStateAndSubset) {
    CopyFixture("two_materials.x", "data/meshes/room.x");
    WritePng("data/meshes/red.png");
    MeshObject mesh;
    mesh.Load("data//meshes//", "room.x");
    device->ClearCalls();
    mesh.Draw();
    const std::vector<std::string> expected = {"SetTransform",         "SetMaterial",
                                               "SetTexture",           "SetTextureStageState",
                                               "SetTextureStageState", "SetTextureStageState",
                                               "SetTextureStageState", "SetFVF",
                                               "SetStreamSource",      "SetIndices",
                                               "DrawIndexedPrimitive", "SetMaterial",
                                               "SetTexture",           "SetFVF",
                                               "SetStreamSource",      "SetIndices",
                                               "DrawIndexedPrimitive"};
    const auto& calls = device->Calls();
    ASSERT_EQ(Names(calls), expected);
    EXPECT_EQ(calls[0].args[0], "D3DTS_WORLD");
    EXPECT_NE(calls[2].args[1], "null");
    EXPECT_EQ(calls[3].args, (std::vector<std::string>{"0", "D3DTSS_COLOROP", "4"}));   // D3DTOP_MODULATE
    EXPECT_EQ(calls[4].args, (std::vector<std::string>{"0", "D3DTSS_COLORARG1", "2"})); // D3DTA_TEXTURE
    EXPECT_EQ(calls[5].args, (std::vector<std::string>{"0", "D3DTSS_COLORARG2", "0"})); // D3DTA_DIFFUSE
    EXPECT_EQ(calls[6].args, (std::vector<std::string>{"0", "D3DTSS_ALPHAOP", "1"}));   // D3DTOP_DISABLE
    EXPECT_EQ(calls[12].args, (std::vector<std::string>{"0", "null"}));
    // Subset 0 is the triangle (one face from index 6); subset 1 the quad's two faces.
    EXPECT_EQ(calls[10].args[4], "6");
    EXPECT_EQ(calls[10].args[5], "1");
    EXPECT_EQ(calls[16].args[5], "2");
}

TEST_F(AssetTest, MeshWithoutMaterialsDrawsOnlyTheWorldTransform) {
    CopyFixture("frames.x", "data/meshes/plain.x");
    MeshObject mesh;
    mesh.Load("data//meshes//", "plain.x");
    EXPECT_EQ(mesh.materialCount, 0u);
    device->ClearCalls();
    mesh.Draw();
    EXPECT_EQ(Names(device->Calls()), (std::vector<std::string>{"SetTransform"}));
}

TEST_F(AssetTest, MissingOrCorruptMeshLeavesAnObjectThatDrawsNothing) {
    std::ofstream("data/meshes/bad.x") << "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;";
    for (const char* file : {"none.x", "bad.x"}) {
        MeshObject mesh;
        mesh.Load("data//meshes//", file);
        EXPECT_EQ(mesh.materialCount, 0u) << file;
        EXPECT_EQ(mesh.mesh, nullptr) << file;
        device->ClearCalls();
        mesh.Draw();
        EXPECT_TRUE(device->Calls().empty()) << file;
    }
}

} // namespace
