// Effect-drawn meshes and the effect binding, through the recording device.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "assets/effect_binding.h"
#include "assets/effect_mesh.h"
#include "assets/texture_object.h"
#include "platform/d3d9/recording_device.h"
#include "shell/device_holder.h"

namespace {

const std::string Data = QUILLMOOR_TEST_DATA;

class EffectMeshFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        device = new RecordingDevice();
        DeviceHolder::Get()->device = device;
    }
    void TearDown() override {
        DeviceHolder::Get()->device = nullptr;
        device->Release();
    }
    RecordingDevice* device = nullptr;
};

TEST_F(EffectMeshFixture, LoadSortsByMaterialAndConvertsTheFormat) {
    EffectMesh mesh;
    mesh.Load(Data + "/fx/three_materials.x", 0x112, 32);
    ASSERT_NE(mesh.mesh, nullptr);
    ASSERT_NE(mesh.vertexBuffer, nullptr);
    ASSERT_NE(mesh.indexBuffer, nullptr);
    EXPECT_EQ(mesh.mesh->GetFVF(), 0x112u);
    EXPECT_EQ(mesh.mesh->GetNumBytesPerVertex(), 32u);
    ASSERT_EQ(mesh.rangeCount, 3u);
    // The fixture's four triangles have their own three vertices each and the materials 2,
    // 0, 1, 0. Sorted by material the faces run 1, 3 | 2 | 0, and their vertices follow in
    // first use: 3-5 and 9-11 become 0-5, 6-8 stay 6-8, 0-2 become 9-11.
    const DWORD faceStart[3] = {0, 2, 3}, faceCount[3] = {2, 1, 1};
    const DWORD vertexStart[3] = {0, 6, 9}, vertexCount[3] = {6, 3, 3};
    for (DWORD j = 0; j < 3; ++j) {
        EXPECT_EQ(mesh.ranges[j].AttribId, j);
        EXPECT_EQ(mesh.ranges[j].FaceStart, faceStart[j]);
        EXPECT_EQ(mesh.ranges[j].FaceCount, faceCount[j]);
        EXPECT_EQ(mesh.ranges[j].VertexStart, vertexStart[j]);
        EXPECT_EQ(mesh.ranges[j].VertexCount, vertexCount[j]);
    }
    std::vector<RecordedCall> streams = device->CallsNamed("SetStreamSource");
    ASSERT_FALSE(streams.empty());
    EXPECT_EQ(streams.back().args[3], "32");
}

TEST_F(EffectMeshFixture, ThreeMaterialsTimesTwoPassesIsSixDrawsPassByPass) {
    EffectMesh mesh;
    mesh.Load(Data + "/fx/three_materials.x", 0x112, 32);
    EffectBinding binding;
    binding.Load(Data + "/fx/two_pass.fx");
    ASSERT_NE(binding.effect, nullptr);
    ASSERT_EQ(binding.SetTechnique("Twice"), D3D_OK);
    device->ClearCalls();
    mesh.Draw(&binding);

    const std::vector<RecordedCall>& calls = device->Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0].name, "SetIndices");
    EXPECT_EQ(calls[1].name, "SetStreamSource");
    EXPECT_EQ(calls[1].args[3], "32");
    EXPECT_EQ(calls[2].name, "SetFVF");
    EXPECT_EQ(calls[2].args[0], "0x112");
    // Pass markers: the first pass turns depth writes off, the second turns blending on.
    std::vector<std::string> sequence;
    for (const RecordedCall& call : calls) {
        if (call.name == "DrawIndexedPrimitive") {
            sequence.push_back(call.args[2] + "," + call.args[3] + "," + call.args[4] + "," + call.args[5]);
        } else if (call.name == "SetRenderState" && call.args[0] == "D3DRS_ZWRITEENABLE" &&
                   call.args[1] == "0") {
            sequence.push_back("pass 0");
        } else if (call.name == "SetRenderState" && call.args[0] == "D3DRS_ALPHABLENDENABLE" &&
                   call.args[1] == "1") {
            sequence.push_back("pass 1");
        }
    }
    // Per material: first vertex, vertex count, first index, triangle count (see the ranges
    // worked out in LoadSortsByMaterialAndConvertsTheFormat).
    EXPECT_EQ(sequence, (std::vector<std::string>{"pass 0", "0,6,0,2", "6,3,6,1", "9,3,9,1", "pass 1",
                                                  "0,6,0,2", "6,3,6,1", "9,3,9,1"}));
    for (const RecordedCall& call : device->CallsNamed("DrawIndexedPrimitive")) {
        EXPECT_EQ(call.args[0], "D3DPT_TRIANGLELIST");
        EXPECT_EQ(call.args[1], "0");
    }
}

TEST_F(EffectMeshFixture, TwoMeshesFromOneFileAreIndependent) {
    EffectMesh first, second;
    first.Load(Data + "/fx/three_materials.x", 0x012, 24);
    second.Load(Data + "/fx/three_materials.x", 0x012, 24);
    ASSERT_NE(first.vertexBuffer, nullptr);
    ASSERT_NE(second.vertexBuffer, nullptr);
    void* data = nullptr;
    ASSERT_EQ(first.vertexBuffer->Lock(0, 0, &data, 0), D3D_OK);
    static_cast<float*>(data)[0] = 42.0f;
    first.vertexBuffer->Unlock();
    ASSERT_EQ(second.vertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
    EXPECT_NE(static_cast<float*>(data)[0], 42.0f);
    second.vertexBuffer->Unlock();
}

TEST_F(EffectMeshFixture, MissingFilesDrawNothingAndDoNoHarm) {
    EffectMesh mesh;
    mesh.Load(Data + "/fx/no_such_mesh.x", 0x112, 32);
    EXPECT_EQ(mesh.mesh, nullptr);
    EffectBinding binding;
    binding.Load(Data + "/fx/no_such_effect.fx");
    EXPECT_EQ(binding.effect, nullptr);
    const float value[4] = {1, 2, 3, 4};
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_TRUE(FAILED(binding.SetValue("colour", value, 16)));
    EXPECT_TRUE(FAILED(binding.SetMatrix("matWorldViewProj", &identity)));
    EXPECT_TRUE(FAILED(binding.SetTechnique("Twice")));
    EXPECT_TRUE(FAILED(binding.SetTexture("tBase", nullptr)));
    device->ClearCalls();
    mesh.Draw(&binding);
    EffectMesh loaded;
    loaded.Load(Data + "/fx/three_materials.x", 0x112, 32);
    loaded.Draw(&binding);
    EXPECT_TRUE(device->CallsNamed("DrawIndexedPrimitive").empty());
}

TEST_F(EffectMeshFixture, BindingsAreIndependentAndValuesPersistAcrossDraws) {
    EffectBinding first, second;
    first.Load(Data + "/fx/two_pass.fx");
    second.Load(Data + "/fx/two_pass.fx");
    ASSERT_NE(first.effect, nullptr);
    ASSERT_NE(second.effect, nullptr);
    EXPECT_EQ(first.holder, DeviceHolder::Get());
    const float blue[4] = {0, 0, 1, 1};
    ASSERT_EQ(first.SetValue("colour", blue, sizeof(blue)), D3D_OK);
    EffectMesh mesh;
    mesh.Load(Data + "/fx/three_materials.x", 0x112, 32);
    first.SetTechnique("Once");
    mesh.Draw(&first);
    mesh.Draw(&first);
    float value[4] = {};
    first.effect->GetValue("colour", value, sizeof(value));
    EXPECT_EQ(std::memcmp(value, blue, sizeof(blue)), 0);
    second.effect->GetValue("colour", value, sizeof(value));
    EXPECT_EQ(value[0], 0.25f); // the file's default
}

TEST_F(EffectMeshFixture, TextureObjectWithoutTexturePassesNull) {
    EffectBinding binding;
    binding.Load(Data + "/fx/two_pass.fx");
    ASSERT_NE(binding.effect, nullptr);
    IDirect3DTexture9* image = nullptr;
    device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &image, nullptr);
    Texture2D loaded;
    loaded.texture = image;
    Texture2D missing;
    missing.Load(Data + "/fx/no_such_texture.png");
    ASSERT_EQ(missing.texture, nullptr);

    EffectMesh mesh;
    mesh.Load(Data + "/fx/three_materials.x", 0x112, 32);
    binding.SetTechnique("Once");
    std::vector<std::string> bound;
    for (TextureObject* texture :
         {static_cast<TextureObject*>(&loaded), static_cast<TextureObject*>(&missing)}) {
        ASSERT_EQ(binding.SetTexture("tBase", texture), D3D_OK);
        device->ClearCalls();
        mesh.Draw(&binding);
        std::vector<RecordedCall> set = device->CallsNamed("SetTexture");
        ASSERT_FALSE(set.empty());
        bound.push_back(set.front().args[1]);
    }
    EXPECT_NE(bound[0], "null");
    EXPECT_EQ(bound[1], "null");
    loaded.texture = nullptr;
    image->Release();
}

} // namespace
