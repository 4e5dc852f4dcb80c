#pragma once
// Everything a Direct3D 9 device remembers between calls, with the platform's documented
// defaults. Shared by the recording device and the OpenGL device; bound objects hold a
// reference as the platform's SetTexture/SetStreamSource/SetIndices do.

#include "platform/d3d9/com_object.h"

#include <array>

class DeviceState {
  public:
    static constexpr DWORD MaxRenderState = 256;
    static constexpr DWORD MaxStages = 8;
    static constexpr DWORD MaxSamplerState = 14;
    static constexpr DWORD MaxTextureStageState = 33;
    static constexpr DWORD MaxLights = 8;
    static constexpr DWORD MaxStreams = 4;
    static constexpr UINT MaxStreamStride = 255;

    DeviceState();

    // Back to the defaults a freshly created (or reset) device has. The viewport covers the
    // back buffer; depth testing follows the automatic depth buffer.
    void SetDefaults(UINT backBufferWidth, UINT backBufferHeight, bool autoDepthStencil);

    std::array<DWORD, MaxRenderState> renderStates{};
    std::array<std::array<DWORD, MaxTextureStageState>, MaxStages> stageStates{};
    std::array<std::array<DWORD, MaxSamplerState>, MaxStages> samplerStates{};
    std::array<ComRef<IDirect3DBaseTexture9>, MaxStages> textures;
    D3DMATRIX world{};
    D3DMATRIX view{};
    D3DMATRIX projection{};
    std::array<D3DMATRIX, MaxStages> textureTransforms{};
    D3DVIEWPORT9 viewport{};
    D3DMATERIAL9 material{};
    std::array<D3DLIGHT9, MaxLights> lights{};
    std::array<bool, MaxLights> lightSet{};
    std::array<bool, MaxLights> lightEnabled{};
    DWORD fvf = 0;
    struct Stream {
        ComRef<IDirect3DVertexBuffer9> buffer;
        UINT offset = 0;
        UINT stride = 0;
    };
    std::array<Stream, MaxStreams> streams;
    ComRef<IDirect3DIndexBuffer9> indices;

    // The matrix a transform state names, or null for one this device does not keep.
    D3DMATRIX* Transform(D3DTRANSFORMSTATETYPE state);
    static bool ValidRenderState(D3DRENDERSTATETYPE state) { return state < MaxRenderState; }

    // The Set/Get calls of IDirect3DDevice9 on this state, with the platform's checks and results.
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix);
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix);
    HRESULT SetViewport(const D3DVIEWPORT9* viewport);
    HRESULT GetViewport(D3DVIEWPORT9* viewport) const;
    HRESULT SetMaterial(const D3DMATERIAL9* material);
    HRESULT GetMaterial(D3DMATERIAL9* material) const;
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light);
    HRESULT GetLight(DWORD index, D3DLIGHT9* light) const;
    HRESULT LightEnable(DWORD index, BOOL enable);
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) const;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture);
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) const;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) const;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value);
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) const;
    HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride);
    HRESULT SetIndices(IDirect3DIndexBuffer9* buffer);
};

// The light LightEnable switches on when no light was ever set at that index: white, diffuse,
// pointing down the z axis.
D3DLIGHT9 DefaultLight();
D3DMATRIX IdentityMatrix();
