// The values the first-half scenes hand to the shader effect, seen through an effect that
// records its calls in place of the compiled one.

#include "assets/effect_binding.h"
#include "scenes/camera_flight_scene.h"
#include "scenes/credits_blob_scene.h"
#include "scenes/opening_blob_scene.h"
#include "scenes/twisting_stack_scene.h"
#include "scenes/wobbling_blob_scene.h"

#include <cmath>
#include <cstring>
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

TEST_F(SceneEffectTest, TexturedScenesSetTheirOwnBlendFactorsAndOffsets) {
    struct Case {
        const char* name;
        float t;
        std::vector<float> envMapBlend; // empty: never set
        std::vector<float> eye;
    };
    const Case cases[] = {
        {"flight", 35.0f, {0.125f, 0.125f, 0.125f, 1.0f}, {0, 10, -20, 0}},
        {"wobble", 50.0f, {0.125f, 0.125f, 0.125f, 0.125f}, {0, 10, -500, 0}},
        {"stack", 60.0f, {0.25f, 0.25f, 0.25f, 0.25f}, {0, 10, -20, 0}},
        {"credits", 75.0f, {}, {0, 10, -20, 0}},
    };
    CameraFlightScene flight;
    WobbleBlobScene wobble;
    TwistStackScene stack;
    CreditsBlobScene credits;
    Scene* scenes[] = {&flight, &wobble, &stack, &credits};
    flight.Init();
    wobble.Init();
    stack.Init();
    credits.Init();
    EffectBinding* bindings[] = {flight.effect, wobble.effect, stack.effect, credits.effect};
    for (int i = 0; i < 4; ++i) {
        const Case& c = cases[i];
        effect = RecordingEffect();
        bindings[i]->effect = &effect;
        Frame(*scenes[i], c.t, 0.02f);
        EXPECT_EQ(effect.technique, "RenderSceneTextured2LightsEnvMap") << c.name;
        if (c.envMapBlend.empty()) {
            EXPECT_EQ(effect.values.count("envMapBlendFactor"), 0u) << c.name;
        } else {
            ExpectValue("envMapBlendFactor", c.envMapBlend);
        }
        ExpectValue("vecEyePos", c.eye);
        ExpectValue("vecOffset", {0.5f * std::sin(0.5154639f * c.t), 0.5f * std::cos(c.t), 0.5f}, 1e-6f);
        EXPECT_EQ(effect.textures, (std::vector<std::string>{"tBase", "tEnv"})) << c.name;
        bindings[i]->effect = nullptr;
    }
}

} // namespace
