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
};

// The light LightEnable switches on when no light was ever set at that index: white, diffuse,
// pointing down the z axis.
D3DLIGHT9 DefaultLight();
D3DMATRIX IdentityMatrix();
