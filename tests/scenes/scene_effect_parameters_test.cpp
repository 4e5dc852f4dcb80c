// The values the scenes hand to the shader effect, seen through an effect that records its
// calls in place of the compiled one, and the lights of the room scenes.

#include "assets/effect_binding.h"
#include "scenes/beat_room_scene.h"
#include "scenes/camera_flight_scene.h"
#include "scenes/credits_blob_scene.h"
#include "scenes/cut_blob_scene.h"
#include "scenes/final_room_scene.h"
#include "scenes/opening_blob_scene.h"
#include "scenes/swirl_blob_scene.h"
#include "scenes/twisting_stack_scene.h"
#include "scenes/water_room_scene.h"
#include "scenes/wobbling_blob_scene.h"

#include <cmath>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "scene_test_support.h"

namespace {

using namespace SceneTestSupport;

class RecordingEffect : public ID3DXEffect {
  public:
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT SetValue(D3DXHANDLE name, const void* data, UINT bytes) override {
        const auto* f = static_cast<const float*>(data);
        values[name] = std::vector<float>(f, f + bytes / 4);
        return D3D_OK;
    }
    HRESULT GetValue(D3DXHANDLE, void*, UINT) override { return D3D_OK; }
    HRESULT SetMatrix(D3DXHANDLE name, const D3DXMATRIX* m) override {
        matrices[name] = *m;
        return D3D_OK;
    }
    HRESULT SetFloat(D3DXHANDLE, float) override { return D3D_OK; }
    HRESULT SetVector(D3DXHANDLE, const D3DXVECTOR4*) override { return D3D_OK; }
    HRESULT SetTexture(D3DXHANDLE name, IDirect3DBaseTexture9*) override {
        textures.push_back(name);
        return D3D_OK;
    }
    HRESULT SetTechnique(D3DXHANDLE name) override {
        technique = name;
        return D3D_OK;
    }
    HRESULT Begin(UINT* passes, DWORD) override {
        *passes = 2;
        return D3D_OK;
    }
    HRESULT BeginPass(UINT) override { return D3D_OK; }
    HRESULT CommitChanges() override { return D3D_OK; }
    HRESULT EndPass() override { return D3D_OK; }
    HRESULT End() override { return D3D_OK; }
    HRESULT OnLostDevice() override { return D3D_OK; }
    HRESULT OnResetDevice() override { return D3D_OK; }

    std::map<std::string, std::vector<float>> values;
    std::map<std::string, D3DXMATRIX> matrices;
    std::vector<std::string> textures;
    std::string technique;
};

class SceneEffectTest : public SceneTest {
  protected:
    void ExpectValue(const char* name, std::vector<float> expected, float tolerance = 0.0f) {
        ASSERT_TRUE(effect.values.count(name)) << name << " was not set";
        const std::vector<float>& actual = effect.values[name];
        ASSERT_EQ(actual.size(), expected.size()) << name;
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_NEAR(actual[i], expected[i], tolerance) << name << "[" << i << "]";
        }
    }
    RecordingEffect effect;
};

TEST_F(SceneEffectTest, OpeningBlobLightsThroughFourComponentNormalisedDirections) {
    OpeningBlobScene scene;
    scene.Init();
    scene.effect->effect = &effect;
    Frame(scene, 5.0f, 0.02f);
    EXPECT_EQ(effect.technique, "RenderScene2Lights");
    ExpectValue("vecLightDir1", {0.3162f, 0.3162f, 0.6325f, 0.6325f}, 1e-4f);
    ExpectValue("vecLightDir2", {0.1601f, -0.8006f, 0.4804f, 0.3203f}, 1e-4f);
    ExpectValue("colDiffuse2", {0.0f, 1.0f, 1.6f, 1.0f});
    EXPECT_EQ(effect.values.count("vecEyePos"), 0u) << "the untextured technique gets no eye";
    EXPECT_TRUE(effect.textures.empty());
    D3DXMATRIX x, y, z;
    D3DXMatrixRotationX(&x, 1.25f * 5.0f);
    D3DXMatrixRotationY(&y, 5.0f);
    D3DXMatrixRotationZ(&z, 2.5f);
    ExpectMatrixNear(effect.matrices["matWorld"], x * y * z, 1e-5f);
    // One range, two passes: two indexed draws.
    EXPECT_EQ(device->CallsNamed("DrawIndexedPrimitive").size(), 2u);
}

// The swirl scene draws its sphere, then its blob: the blob's blend factor is the last set.
TEST_F(SceneEffectTest, TexturedScenesSetTheirOwnBlendFactorsAndOffsets) {
    struct Case {
        const char* name;
        float t;
        std::vector<float> envMapBlend; // empty: never set
        std::vector<float> eye;
        float offsetZ;
    };
    const Case cases[] = {
        {"flight", 35.0f, {0.125f, 0.125f, 0.125f, 1.0f}, {0, 10, -20, 0}, 0.5f},
        {"wobble", 50.0f, {0.125f, 0.125f, 0.125f, 0.125f}, {0, 10, -500, 0}, 0.5f},
        {"stack", 60.0f, {0.25f, 0.25f, 0.25f, 0.25f}, {0, 10, -20, 0}, 0.5f},
        {"credits", 75.0f, {}, {0, 10, -20, 0}, 0.5f},
        {"cuts", 90.0f, {0.125f, 0.125f, 0.125f, 1.0f}, {-50, -20, -21, 0}, 0.0f},
        {"swirl", 105.0f, {0.25f, 0.25f, 0.25f, 0.25f}, {0, 10, -20, 0}, 0.5f},
        {"beat room", 130.0f, {0.125f, 0.125f, 0.125f, 0.125f}, {0, 10, -20, 0}, 0.5f},
    };
    CameraFlightScene flight;
    WobbleBlobScene wobble;
    TwistStackScene stack;
    CreditsBlobScene credits;
    CutBlobScene cuts;
    SwirlBlobScene swirl;
    BeatRoomScene beatRoom;
    Scene* scenes[] = {&flight, &wobble, &stack, &credits, &cuts, &swirl, &beatRoom};
    flight.Init();
    wobble.Init();
    stack.Init();
    credits.Init();
    cuts.Init();
    swirl.Init();
    beatRoom.Init();
    EffectBinding* bindings[] = {flight.effect, wobble.effect, stack.effect,   credits.effect,
                                 cuts.effect,   swirl.effect,  beatRoom.effect};
    static_assert(std::size(cases) == std::size(scenes) && std::size(scenes) == std::size(bindings));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        effect = RecordingEffect();
        bindings[i]->effect = &effect;
        Frame(*scenes[i], c.t, 0.02f);
        EXPECT_EQ(effect.technique, "RenderSceneTextured2LightsEnvMap");
        if (c.envMapBlend.empty()) {
            EXPECT_EQ(effect.values.count("envMapBlendFactor"), 0u);
        } else {
            ExpectValue("envMapBlendFactor", c.envMapBlend);
        }
        ExpectValue("vecEyePos", c.eye);
        ExpectValue("vecOffset", {0.5f * std::sin(0.5154639f * c.t), 0.5f * std::cos(c.t), c.offsetZ}, 1e-6f);
        EXPECT_EQ(effect.textures, (std::vector<std::string>{"tBase", "tEnv"}));
        bindings[i]->effect = nullptr;
    }
}

// The three rooms are lit by four point lights each, reaching 21000 units, without
// specular light or falloff.
TEST_F(SceneEffectTest, RoomScenesLightTheirRoomsWithFourPointLights) {
    struct Light {
        float r, g, b;
        float x, y, z;
        float attenuation; // all three factors
    };
    struct Case {
        const char* name;
        float t;
        float ambient;
        Light lights[4];
    };
    const Case cases[] = {
        {"beat room",
         130.0f,
         0.1f,
         {{0.06f, 0.2f, 0.6f, -50, 120, -130, 0.0000625f},
          {0.05f, 0.5f, 0.1f, 120, 120, 300, 0.0000625f},
          {0.05f, 0.2f, 0.6f, -500, 120, 0, 0.00005f},
          {0.05f, 0.1f, 0.5f, -1000, 120, 0, 0.00005f}}},
        {"water room",
         150.0f,
         0.1f,
         {{0.06f, 0.2f, 0.6f, -50, 120, -30, 0.0000625f},
          {0.05f, 0.5f, 0.1f, 20, 120, 100, 0.0000625f},
          {0.05f, 0.2f, 0.6f, -500, 120, 0, 0.00005f},
          {0.05f, 0.1f, 0.5f, -1000, 120, 0, 0.00005f}}},
        {"final room",
         165.0f,
         0.05f,
         {{0.1f, 0.1f, 0.7f, 100, 10, -100, 0.00005f},
          {0.1f, 0.3f, 0.8f, 100, 120, -200, 0.00005f},
          {0.3f, 0.1f, 0.7f, -50, 10, 0, 0.00005f},
          {0.1f, 0.1f, 0.7f, -10, 20, -50, 0.00005f}}},
    };
    BeatRoomScene beatRoom;
    WaterRoomScene waterRoom;
    FinalRoomScene finalRoom;
    Scene* scenes[] = {&beatRoom, &waterRoom, &finalRoom};
    beatRoom.Init();
    waterRoom.Init();
    finalRoom.Init();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        Frame(*scenes[i], c.t, 0.02f);
        std::vector<std::string> enabled;
        for (const RecordedCall& call : device->CallsNamed("LightEnable")) {
            enabled.push_back(call.args[0] + "," + call.args[1]);
        }
        EXPECT_EQ(enabled, (std::vector<std::string>{"0,1", "1,1", "2,1", "3,1"}));
        for (DWORD k = 0; k < 4; ++k) {
            SCOPED_TRACE(k);
            const Light& expected = c.lights[k];
            D3DLIGHT9 light{};
            ASSERT_EQ(device->GetLight(k, &light), D3D_OK);
            EXPECT_EQ(light.Type, D3DLIGHT_POINT);
            EXPECT_FLOAT_EQ(light.Diffuse.r, expected.r);
            EXPECT_FLOAT_EQ(light.Diffuse.g, expected.g);
            EXPECT_FLOAT_EQ(light.Diffuse.b, expected.b);
            EXPECT_EQ(light.Diffuse.a, 0.0f);
            EXPECT_FLOAT_EQ(light.Ambient.r, c.ambient);
            EXPECT_FLOAT_EQ(light.Ambient.g, c.ambient);
            EXPECT_FLOAT_EQ(light.Ambient.b, c.ambient);
            EXPECT_EQ(light.Ambient.a, 0.0f);
            EXPECT_EQ(light.Specular.r + light.Specular.g + light.Specular.b + light.Specular.a, 0.0f);
            EXPECT_EQ(light.Position.x, expected.x);
            EXPECT_EQ(light.Position.y, expected.y);
            EXPECT_EQ(light.Position.z, expected.z);
            EXPECT_EQ(light.Range, 21000.0f);
            EXPECT_EQ(light.Falloff, 0.0f);
            EXPECT_FLOAT_EQ(light.Attenuation0, expected.attenuation);
            EXPECT_FLOAT_EQ(light.Attenuation1, expected.attenuation);
            EXPECT_FLOAT_EQ(light.Attenuation2, expected.attenuation);
        }
    }
}

} // namespace
