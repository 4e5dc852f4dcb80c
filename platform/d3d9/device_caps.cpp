#include "platform/d3d9/device_caps.h"

#include "platform/d3d9/device_state.h"

namespace {

// Bit values of the public headers for the caps fields filled below.
constexpr DWORD D3DPMISCCAPS_MASKZ = 0x00000002;
constexpr DWORD D3DPMISCCAPS_CULLNONE = 0x00000010;
constexpr DWORD D3DPMISCCAPS_CULLCW = 0x00000020;
constexpr DWORD D3DPMISCCAPS_CULLCCW = 0x00000040;
constexpr DWORD D3DPMISCCAPS_COLORWRITEENABLE = 0x00000080;
constexpr DWORD D3DPMISCCAPS_BLENDOP = 0x00000800;
constexpr DWORD D3DPMISCCAPS_SEPARATEALPHABLEND = 0x00020000;
constexpr DWORD D3DPMISCCAPS_POSTBLENDSRGBCONVERT = 0x00200000;
constexpr DWORD D3DPCMPCAPS_ALL = 0x000000FF;
constexpr DWORD D3DPBLENDCAPS_COMMON = 0x00001FFF;
constexpr DWORD D3DPSHADECAPS_COLORGOURAUDRGB = 0x00000008;
constexpr DWORD D3DPSHADECAPS_ALPHAGOURAUDBLEND = 0x00004000;
constexpr DWORD D3DPTEXTURECAPS_ALPHA = 0x00000004;
constexpr DWORD D3DPTEXTURECAPS_MIPMAP = 0x00004000;
constexpr DWORD D3DPTEXTURECAPS_CUBEMAP = 0x00000800;
constexpr DWORD D3DPTEXTURECAPS_MIPCUBEMAP = 0x00010000;
constexpr DWORD D3DPTFILTERCAPS_COMMON = 0x03030300; // point/linear min, mip and mag
constexpr DWORD D3DPTADDRESSCAPS_COMMON = 0x0000001F;
constexpr DWORD D3DTEXOPCAPS_COMMON = 0x0000007F; // disable to add
constexpr DWORD D3DVTXPCAPS_MATERIALSOURCE7 = 0x00000002;
constexpr DWORD D3DVTXPCAPS_DIRECTIONALLIGHTS = 0x00000008;
constexpr DWORD D3DVTXPCAPS_POSITIONALLIGHTS = 0x00000010;
constexpr DWORD D3DFVFCAPS_TEXCOORDCOUNTMASK8 = 0x00000008;
constexpr DWORD D3DDEVCAPS_COMMON = 0x00000010 /*EXECUTESYSTEMMEMORY*/ | 0x00000040 /*TLVERTEXSYSTEMMEMORY*/ |
                                    0x00000080 /*TLVERTEXVIDEOMEMORY*/ | 0x00000200 /*TEXTUREVIDEOMEMORY*/ |
                                    0x00002000 /*DRAWPRIMITIVES2*/ | 0x00008000 /*DRAWPRIMITIVES2EX*/;
constexpr DWORD D3DDEVCAPS_HWRASTERIZATION = 0x00080000;

} // namespace

D3DCAPS9 MakeDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, DWORD presentationIntervals,
                        DWORD maxTextureSize) {
    D3DCAPS9 caps{};
    caps.DeviceType = deviceType;
    caps.AdapterOrdinal = adapter;
    caps.PresentationIntervals = presentationIntervals;
    caps.CursorCaps = D3DCURSORCAPS_COLOR;
    caps.DevCaps = D3DDEVCAPS_COMMON | D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE;
    // The reference device rasterises in software (and, like Direct3D's own, still takes
    // every vertex processing mode).
    if (deviceType != D3DDEVTYPE_REF) {
        caps.DevCaps |= D3DDEVCAPS_HWRASTERIZATION;
    }
    caps.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW |
                             D3DPMISCCAPS_CULLCCW | D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_BLENDOP |
                             D3DPMISCCAPS_SEPARATEALPHABLEND | D3DPMISCCAPS_POSTBLENDSRGBCONVERT;
    caps.ZCmpCaps = D3DPCMPCAPS_ALL;
    caps.AlphaCmpCaps = D3DPCMPCAPS_ALL;
    caps.SrcBlendCaps = D3DPBLENDCAPS_COMMON;
    caps.DestBlendCaps = D3DPBLENDCAPS_COMMON;
    caps.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND;
    caps.TextureCaps =
        D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_CUBEMAP | D3DPTEXTURECAPS_MIPCUBEMAP;
    caps.TextureFilterCaps = D3DPTFILTERCAPS_COMMON;
    caps.CubeTextureFilterCaps = D3DPTFILTERCAPS_COMMON;
    caps.TextureAddressCaps = D3DPTADDRESSCAPS_COMMON;
    caps.MaxTextureWidth = maxTextureSize;
    caps.MaxTextureHeight = maxTextureSize;
    caps.MaxTextureRepeat = 8192;
    caps.MaxTextureAspectRatio = maxTextureSize;
    caps.MaxAnisotropy = 1;
    caps.MaxVertexW = 1e10f;
    caps.GuardBandLeft = -32768.0f;
    caps.GuardBandTop = -32768.0f;
    caps.GuardBandRight = 32767.0f;
    caps.GuardBandBottom = 32767.0f;
    caps.FVFCaps = D3DFVFCAPS_TEXCOORDCOUNTMASK8;
    caps.TextureOpCaps = D3DTEXOPCAPS_COMMON;
    caps.MaxTextureBlendStages = 8;
    caps.MaxSimultaneousTextures = 8;
    caps.VertexProcessingCaps =
        D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS | D3DVTXPCAPS_POSITIONALLIGHTS;
    caps.MaxActiveLights = 8;
    caps.MaxPointSize = 64.0f;
    caps.MaxPrimitiveCount = 0x00FFFFFF;
    caps.MaxVertexIndex = 0x00FFFFFF;
    caps.MaxStreams = DeviceState::MaxStreams;
    caps.MaxStreamStride = DeviceState::MaxStreamStride;
    caps.VertexShaderVersion = D3DVS_VERSION(3, 0);
    caps.MaxVertexShaderConst = 256;
    caps.PixelShaderVersion = D3DPS_VERSION(3, 0);
    caps.PixelShader1xMaxValue = 65504.0f;
    caps.MasterAdapterOrdinal = adapter;
    caps.NumberOfAdaptersInGroup = 1;
    caps.NumSimultaneousRTs = 1;
    return caps;
}
