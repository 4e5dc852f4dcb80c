#include "scenes/blob_effect.h"

#include <cmath>

#include "assets/effect_binding.h"

void SetBlobEffectValues(EffectBinding* effect, const BlobEffectValues& values) {
    effect->SetMatrix("matWorldViewProj", &values.worldViewProjection);
    effect->SetMatrix("matWorld", &values.world);
    effect->SetValue("vecEyePos", &values.eyePosition, 16);
    effect->SetValue("vecLightDir1", &values.lightDirection1, 16);
    effect->SetValue("vecLightDir2", &values.lightDirection2, 16);
    effect->SetValue("colAmbient", &values.ambient, 16);
    effect->SetValue("colDiffuse1", &values.diffuse1, 16);
    effect->SetValue("colDiffuse2", &values.diffuse2, 16);
    if (values.envMapBlend) {
        effect->SetValue("envMapBlendFactor", &*values.envMapBlend, 16);
    }
    effect->SetTexture("tBase", values.base);
    effect->SetTexture("tEnv", values.environment);
    effect->SetValue("vecOffset", values.offset, 12);
}

void SetBlobOffset(float offset[3], float t, float z) {
    offset[0] = 0.5f * std::sin(0.5154639f * t);
    offset[1] = 0.5f * std::cos(t);
    offset[2] = z;
}

void SetModulateStage(IDirect3DDevice9* device) {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}

void SetBlobDrawStates(IDirect3DDevice9* device) {
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0x00202020);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    SetModulateStage(device);
}
