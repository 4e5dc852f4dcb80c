#include "platform/d3d9/device_state.h"

namespace {

struct StateDefault {
    D3DRENDERSTATETYPE state;
    DWORD value;
};

constexpr StateDefault renderStateDefaults[] = {
    {D3DRS_FILLMODE, D3DFILL_SOLID},
    {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
    {D3DRS_ZWRITEENABLE, TRUE},
    {D3DRS_ALPHATESTENABLE, FALSE},
    {D3DRS_SRCBLEND, D3DBLEND_ONE},
    {D3DRS_DESTBLEND, D3DBLEND_ZERO},
    {D3DRS_CULLMODE, D3DCULL_CCW},
    {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
    {D3DRS_ALPHAREF, 0},
    {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
    {D3DRS_DITHERENABLE, FALSE},
    {D3DRS_ALPHABLENDENABLE, FALSE},
    {D3DRS_FOGENABLE, FALSE},
    {D3DRS_SPECULARENABLE, FALSE},
    {D3DRS_STENCILENABLE, FALSE},
    {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
    {D3DRS_LIGHTING, TRUE},
    {D3DRS_AMBIENT, 0},
    {D3DRS_COLORVERTEX, TRUE},
    {D3DRS_NORMALIZENORMALS, FALSE},
    {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
    {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
    {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
    {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
    {D3DRS_POINTSIZE, 0x3F800000}, // 1.0f
    {D3DRS_COLORWRITEENABLE, 0x0000000F},
    {D3DRS_BLENDOP, D3DBLENDOP_ADD},
    {D3DRS_SRGBWRITEENABLE, FALSE},
    {D3DRS_SEPARATEALPHABLENDENABLE, FALSE},
    {D3DRS_SRCBLENDALPHA, D3DBLEND_ONE},
    {D3DRS_DESTBLENDALPHA, D3DBLEND_ZERO},
    {D3DRS_BLENDOPALPHA, D3DBLENDOP_ADD},
};

} // namespace

D3DMATRIX IdentityMatrix() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

D3DLIGHT9 DefaultLight() {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    light.Direction = {0.0f, 0.0f, 1.0f};
    return light;
}

DeviceState::DeviceState() {
    SetDefaults(0, 0, false);
}

void DeviceState::SetDefaults(UINT backBufferWidth, UINT backBufferHeight, bool autoDepthStencil) {
    renderStates.fill(0);
    for (const StateDefault& d : renderStateDefaults) {
        renderStates[d.state] = d.value;
    }
    renderStates[D3DRS_ZENABLE] = autoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    for (DWORD stage = 0; stage < MaxStages; ++stage) {
        auto& s = stageStates[stage];
        s.fill(0);
        s[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        s[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        s[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        s[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        s[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        s[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        s[D3DTSS_TEXCOORDINDEX] = stage;
        s[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
        auto& samp = samplerStates[stage];
        samp.fill(0);
        samp[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
        samp[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
        samp[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        samp[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
        samp[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        samp[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        textures[stage].Reset(nullptr);
        textureTransforms[stage] = IdentityMatrix();
    }
    world = view = projection = IdentityMatrix();
    viewport = {0, 0, backBufferWidth, backBufferHeight, 0.0f, 1.0f};
    material = {};
    lights.fill(D3DLIGHT9{});
    lightSet.fill(false);
    lightEnabled.fill(false);
    fvf = 0;
    for (Stream& s : streams) {
        s.buffer.Reset(nullptr);
        s.offset = 0;
        s.stride = 0;
    }
    indices.Reset(nullptr);
}

D3DMATRIX* DeviceState::Transform(D3DTRANSFORMSTATETYPE state) {
    switch (state) {
    case D3DTS_WORLD:
        return &world;
    case D3DTS_VIEW:
        return &view;
    case D3DTS_PROJECTION:
        return &projection;
    default:
        if (state >= D3DTS_TEXTURE0 && state < D3DTS_TEXTURE0 + MaxStages) {
            return &textureTransforms[state - D3DTS_TEXTURE0];
        }
        return nullptr;
    }
}

HRESULT DeviceState::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    D3DMATRIX* target = Transform(state);
    if (target == nullptr || matrix == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *target = *matrix;
    return D3D_OK;
}

HRESULT DeviceState::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    const D3DMATRIX* source = Transform(state);
    if (source == nullptr || matrix == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *matrix = *source;
    return D3D_OK;
}

HRESULT DeviceState::SetViewport(const D3DVIEWPORT9* v) {
    if (v == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    viewport = *v;
    return D3D_OK;
}

HRESULT DeviceState::GetViewport(D3DVIEWPORT9* v) const {
    if (v == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *v = viewport;
    return D3D_OK;
}

HRESULT DeviceState::SetMaterial(const D3DMATERIAL9* m) {
    if (m == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    material = *m;
    return D3D_OK;
}

HRESULT DeviceState::GetMaterial(D3DMATERIAL9* m) const {
    if (m == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *m = material;
    return D3D_OK;
}

HRESULT DeviceState::SetLight(DWORD index, const D3DLIGHT9* light) {
    if (light == nullptr || index >= MaxLights) {
        return D3DERR_INVALIDCALL;
    }
    lights[index] = *light;
    lightSet[index] = true;
    return D3D_OK;
}

HRESULT DeviceState::GetLight(DWORD index, D3DLIGHT9* light) const {
    if (light == nullptr || index >= MaxLights || !lightSet[index]) {
        return D3DERR_INVALIDCALL;
    }
    *light = lights[index];
    return D3D_OK;
}

HRESULT DeviceState::LightEnable(DWORD index, BOOL enable) {
    if (index >= MaxLights) {
        return D3DERR_INVALIDCALL;
    }
    if (!lightSet[index]) {
        lights[index] = DefaultLight();
        lightSet[index] = true;
    }
    lightEnabled[index] = enable != FALSE;
    return D3D_OK;
}

HRESULT DeviceState::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (!ValidRenderState(state)) {
        return D3DERR_INVALIDCALL;
    }
    renderStates[state] = value;
    return D3D_OK;
}

HRESULT DeviceState::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) const {
    if (value == nullptr || !ValidRenderState(state)) {
        return D3DERR_INVALIDCALL;
    }
    *value = renderStates[state];
    return D3D_OK;
}

HRESULT DeviceState::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    if (stage >= MaxStages) {
        return D3DERR_INVALIDCALL;
    }
    textures[stage].Reset(texture);
    return D3D_OK;
}

HRESULT DeviceState::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) const {
    if (texture == nullptr || stage >= MaxStages) {
        return D3DERR_INVALIDCALL;
    }
    *texture = textures[stage].Get();
    if (*texture != nullptr) {
        (*texture)->AddRef();
    }
    return D3D_OK;
}

HRESULT DeviceState::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage >= MaxStages || type >= MaxTextureStageState) {
        return D3DERR_INVALIDCALL;
    }
    stageStates[stage][type] = value;
    return D3D_OK;
}

HRESULT DeviceState::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) const {
    if (value == nullptr || stage >= MaxStages || type >= MaxTextureStageState) {
        return D3DERR_INVALIDCALL;
    }
    *value = stageStates[stage][type];
    return D3D_OK;
}

HRESULT DeviceState::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    if (sampler >= MaxStages || type >= MaxSamplerState) {
        return D3DERR_INVALIDCALL;
    }
    samplerStates[sampler][type] = value;
    return D3D_OK;
}

HRESULT DeviceState::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) const {
    if (value == nullptr || sampler >= MaxStages || type >= MaxSamplerState) {
        return D3DERR_INVALIDCALL;
    }
    *value = samplerStates[sampler][type];
    return D3D_OK;
}

HRESULT DeviceState::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* buffer, UINT offset,
                                     UINT stride) {
    if (streamNumber >= MaxStreams || stride > MaxStreamStride) {
        return D3DERR_INVALIDCALL;
    }
    streams[streamNumber].buffer.Reset(buffer);
    streams[streamNumber].offset = offset;
    streams[streamNumber].stride = stride;
    return D3D_OK;
}

HRESULT DeviceState::SetIndices(IDirect3DIndexBuffer9* buffer) {
    indices.Reset(buffer);
    return D3D_OK;
}
