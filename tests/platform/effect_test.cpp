// ID3DXEffect on the recording device: creation failures, parameter storage, techniques,
// passes and the render states they set and put back.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "platform/d3d9/recording_device.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/fs/windows_path.h"

namespace {

std::wstring FixturePath(const char* name) {
    return WindowsPath::Widen(std::string(QUILLMOOR_TEST_DATA) + "/fx/" + name);
}

class EffectFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        device = new RecordingDevice();
        ASSERT_EQ(D3DXCreateEffectFromFileW(device, FixturePath("two_pass.fx").c_str(), nullptr, nullptr, 0,
                                            nullptr, &effect, nullptr),
                  D3D_OK);
        ASSERT_NE(effect, nullptr);
    }
    void TearDown() override {
        if (effect != nullptr) {
            effect->Release();
        }
        device->Release();
    }
    std::vector<RecordedCall> Sets(const std::string& name) { return device->CallsNamed(name); }

    RecordingDevice* device = nullptr;
    ID3DXEffect* effect = nullptr;
};

TEST(Effect, FilesThatCannotBeUsedFailWithoutAnEffect) {
    struct Case {
        const char* file;
        const char* errorText;
    };
    const Case cases[] = {
        {"missing.fx", "cannot open"},
        {"broken_shader.fx", "undeclaredThing"},
        {"broken_syntax.fx", "line 4"},
        {"wrong_arguments.fx", "too many arguments"},
    };
    RecordingDevice* device = new RecordingDevice();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(0x1);
        ID3DXBuffer* errors = nullptr;
        HRESULT hr = D3DXCreateEffectFromFileW(device, FixturePath(c.file).c_str(), nullptr, nullptr, 0,
                                               nullptr, &effect, &errors);
        EXPECT_TRUE(FAILED(hr));
        EXPECT_EQ(effect, nullptr);
        ASSERT_NE(errors, nullptr);
        std::string text(static_cast<const char*>(errors->GetBufferPointer()));
        EXPECT_NE(text.find(c.errorText), std::string::npos) << text;
        errors->Release();
        // Without an error buffer the failure is the same.
        EXPECT_TRUE(FAILED(D3DXCreateEffectFromFileW(device, FixturePath(c.file).c_str(), nullptr, nullptr, 0,
                                                     nullptr, &effect, nullptr)));
    }
    device->Release();
}

TEST_F(EffectFixture, DefaultsFromTheFileAndValuesSetLater) {
    float colour[4] = {};
    ASSERT_EQ(effect->GetValue("colour", colour, sizeof(colour)), D3D_OK);
    EXPECT_EQ(colour[1], 0.5f);
    EXPECT_EQ(colour[3], 1.0f);

    const float red[4] = {1, 0, 0, 1};
    ASSERT_EQ(effect->SetValue("colour", red, sizeof(red)), D3D_OK);
    ASSERT_EQ(effect->GetValue("colour", colour, sizeof(colour)), D3D_OK);
    EXPECT_EQ(std::memcmp(colour, red, sizeof(red)), 0);

    // Twelve bytes into a float3, a scalar through SetFloat, a matrix row by row.
    const float offset[3] = {-1, -2, -3};
    ASSERT_EQ(effect->SetValue("offset", offset, 12), D3D_OK);
    float offsetBack[3] = {};
    effect->GetValue("offset", offsetBack, 12);
    EXPECT_EQ(offsetBack[2], -3.0f);
    ASSERT_EQ(effect->SetFloat("scale", 7.5f), D3D_OK);
    float scale = 0;
    effect->GetValue("scale", &scale, 4);
    EXPECT_EQ(scale, 7.5f);
    D3DXMATRIX m;
    for (int i = 0; i < 16; ++i) {
        m.m[i / 4][i % 4] = static_cast<float>(i);
    }
    ASSERT_EQ(effect->SetMatrix("matWorldViewProj", &m), D3D_OK);
    float back[16] = {};
    effect->GetValue("matWorldViewProj", back, sizeof(back));
    EXPECT_EQ(back[6], 6.0f); // row 1, column 2

    EXPECT_EQ(effect->SetValue("nothing", red, 16), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetTexture("colour", nullptr), D3DERR_INVALIDCALL);
}

TEST(Effect, IntDefaultsThatNoIntHoldsSaturate) {
    RecordingDevice* device = new RecordingDevice();
    ID3DXEffect* effect = nullptr;
    ASSERT_EQ(D3DXCreateEffectFromFileW(device, FixturePath("int_defaults.fx").c_str(), nullptr, nullptr, 0,
                                        nullptr, &effect, nullptr),
              D3D_OK);
    const struct {
        const char* name;
        std::int32_t value;
    } cases[] = {
        {"big", std::numeric_limits<std::int32_t>::max()},
        {"low", std::numeric_limits<std::int32_t>::min()},
        {"plain", 7},
        {"negative", -7},
    };
    for (const auto& c : cases) {
        std::int32_t value = 0;
        ASSERT_EQ(effect->GetValue(c.name, &value, sizeof(value)), D3D_OK) << c.name;
        EXPECT_EQ(value, c.value) << c.name;
    }
    effect->Release();
    device->Release();
}

TEST_F(EffectFixture, TwoEffectsFromOneFileAreIndependent) {
    ID3DXEffect* other = nullptr;
    ASSERT_EQ(D3DXCreateEffectFromFileW(device, FixturePath("two_pass.fx").c_str(), nullptr, nullptr, 0,
                                        nullptr, &other, nullptr),
              D3D_OK);
    const float green[4] = {0, 1, 0, 1};
    effect->SetValue("colour", green, sizeof(green));
    float colour[4] = {};
    other->GetValue("colour", colour, sizeof(colour));
    EXPECT_EQ(colour[0], 0.25f);
    EXPECT_EQ(colour[1], 0.5f);
    other->Release();
}

TEST_F(EffectFixture, PassesSetTheirStatesAndEndPutsThemBack) {
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    ASSERT_EQ(effect->SetTechnique("Twice"), D3D_OK);
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 2u);
    device->ClearCalls();
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    std::vector<RecordedCall> states = Sets("SetRenderState");
    ASSERT_EQ(states.size(), 2u);
    EXPECT_EQ(states[0].args, (std::vector<std::string>{"D3DRS_ZWRITEENABLE", "0"}));
    EXPECT_EQ(states[1].args[0], "D3DRS_CULLMODE");
    // The sampler's texture and states go to stage 0.
    ASSERT_EQ(Sets("SetTexture").size(), 1u);
    EXPECT_EQ(Sets("SetTexture")[0].args, (std::vector<std::string>{"0", "null"}));
    EXPECT_EQ(Sets("SetSamplerState").size(), 2u);
    EXPECT_EQ(effect->BeginPass(1), D3DERR_INVALIDCALL); // the first is still open
    ASSERT_EQ(effect->EndPass(), D3D_OK);
    ASSERT_EQ(effect->BeginPass(1), D3D_OK);
    ASSERT_EQ(effect->EndPass(), D3D_OK);
    EXPECT_EQ(effect->BeginPass(2), D3DERR_INVALIDCALL);
    ASSERT_EQ(effect->End(), D3D_OK);

    const std::pair<D3DRENDERSTATETYPE, DWORD> restored[] = {
        {D3DRS_ZWRITEENABLE, TRUE},
        {D3DRS_CULLMODE, D3DCULL_NONE},
        {D3DRS_ALPHABLENDENABLE, FALSE},
        {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
    };
    for (const auto& [state, value] : restored) {
        DWORD now = 0;
        device->GetRenderState(state, &now);
        EXPECT_EQ(now, value) << state;
    }
}

TEST_F(EffectFixture, DoNotSaveStateLeavesThePassStates) {
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    effect->SetTechnique("Twice");
    UINT passes = 0;
    effect->Begin(&passes, D3DXFX_DONOTSAVESTATE);
    effect->BeginPass(0);
    effect->EndPass();
    effect->End();
    DWORD now = 1;
    device->GetRenderState(D3DRS_ZWRITEENABLE, &now);
    EXPECT_EQ(now, 0u);
}

TEST_F(EffectFixture, TechniquesBySelection) {
    UINT passes = 0;
    ASSERT_EQ(effect->SetTechnique("Once"), D3D_OK);
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 1u);
    EXPECT_EQ(effect->SetTechnique("Twice"), D3DERR_INVALIDCALL); // not inside Begin/End
    effect->End();
    EXPECT_EQ(effect->SetTechnique("Thrice"), D3DERR_INVALIDCALL);
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 1u); // a failed selection keeps the technique
    effect->End();
    EXPECT_EQ(effect->End(), D3DERR_INVALIDCALL);
}

TEST_F(EffectFixture, TexturesAreReferencedWhileSet) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    ASSERT_EQ(effect->SetTexture("tBase", texture), D3D_OK);
    texture->AddRef();
    EXPECT_EQ(texture->Release(), 2u); // ours and the effect's
    effect->SetTechnique("Once");
    UINT passes = 0;
    effect->Begin(&passes, D3DXFX_DONOTSAVESTATE);
    device->ClearCalls();
    effect->BeginPass(0);
    ASSERT_EQ(Sets("SetTexture").size(), 1u);
    EXPECT_NE(Sets("SetTexture")[0].args[1], "null");
    effect->EndPass();
    effect->End();
    effect->SetTexture("tBase", nullptr);
    device->SetTexture(0, nullptr);
    EXPECT_EQ(texture->Release(), 0u);
}

} // namespace
