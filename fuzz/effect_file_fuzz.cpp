// An effect file through the effect parser and the HLSL-to-GLSL translation, then used the
// way the scenes use diffuse.fx: the parameters they set, the techniques they choose,
// every pass begun and ended on a device that records what the passes set.

#include <cstdint>
#include <string>

#include "fuzz/fuzz_input_file.h"
#include "platform/d3d9/recording_device.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/fs/windows_path.h"

namespace {

constexpr const char* kVectorParameters[] = {"vecEyePos",   "vecLightDir1", "vecLightDir2",      "colAmbient",
                                             "colDiffuse1", "colDiffuse2",  "envMapBlendFactor", "vecOffset"};
constexpr const char* kMatrixParameters[] = {"matWorldViewProj", "matWorld"};
constexpr const char* kTextureParameters[] = {"tBase", "tEnv"};
constexpr const char* kTechniques[] = {nullptr, "RenderSceneTextured2LightsEnvMap", "RenderScene2Lights"};

void RunPasses(ID3DXEffect* effect) {
    UINT passes = 0;
    if (FAILED(effect->Begin(&passes, 0))) {
        return;
    }
    for (UINT pass = 0; pass < passes; ++pass) {
        if (SUCCEEDED(effect->BeginPass(pass))) {
            effect->CommitChanges();
            effect->EndPass();
        }
    }
    effect->End();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring path = WindowsPath::Widen(FuzzInputFile::Write(data, size, ".fx"));
    auto* device = new RecordingDevice();
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    if (SUCCEEDED(D3DXCreateEffectFromFileW(device, path.c_str(), nullptr, nullptr, 0, nullptr, &effect,
                                            &errors)) &&
        effect != nullptr) {
        const D3DXVECTOR4 vector{0.5f, -0.5f, 1.0f, 1.0f};
        for (const char* name : kVectorParameters) {
            effect->SetValue(name, &vector, sizeof vector);
            effect->SetVector(name, &vector);
            effect->SetFloat(name, 0.25f);
        }
        D3DXMATRIX matrix;
        D3DXMatrixIdentity(&matrix);
        for (const char* name : kMatrixParameters) {
            effect->SetMatrix(name, &matrix);
        }
        IDirect3DTexture9* texture = nullptr;
        device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
        for (const char* name : kTextureParameters) {
            effect->SetTexture(name, texture);
        }
        for (const char* technique : kTechniques) {
            if (technique == nullptr || SUCCEEDED(effect->SetTechnique(technique))) {
                RunPasses(effect);
            }
        }
        effect->Release();
        if (texture != nullptr) {
            texture->Release();
        }
    }
    if (errors != nullptr) {
        errors->Release();
    }
    device->Release();
    return 0;
}
