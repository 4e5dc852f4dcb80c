#pragma once
// The one place that turns Direct3D calls into RecordedCall text, shared by the recording
// device and the tracing device so both speak the same language.
//
// Rendering rules: state and enumeration names as the platform spells them
// ("D3DRS_ZENABLE", "D3DPT_TRIANGLELIST", "D3DFMT_A8R8G8B8"); plain numbers in decimal;
// colours (D3DRS_AMBIENT, D3DRS_TEXTUREFACTOR, Clear) and flexible vertex formats as 0x
// followed by eight or three hex digits; floats in their shortest exact form; objects as
// "null" or a kind and a number in order of first appearance ("Texture#1",
// "VertexBuffer#2"); structures as one string of their fields.

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/recorded_call.h"

#include <string>
#include <unordered_map>

class DeviceCallFormatter {
  public:
    // Device.
    RecordedCall TestCooperativeLevel();
    RecordedCall GetDirect3D();
    RecordedCall GetDeviceCaps();
    RecordedCall GetCreationParameters();
    RecordedCall SetCursorProperties(UINT hotSpotX, UINT hotSpotY, IDirect3DSurface9* bitmap);
    RecordedCall SetCursorPosition(int x, int y, DWORD flags);
    RecordedCall ShowCursor(BOOL show);
    RecordedCall Reset(const D3DPRESENT_PARAMETERS* parameters);
    RecordedCall Present(const RECT* sourceRect, const RECT* destRect, HWND window, const void* dirtyRegion);
    RecordedCall GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type);
    RecordedCall CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                               D3DPOOL pool);
    RecordedCall CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    RecordedCall CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
    RecordedCall CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    RecordedCall CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool);
    RecordedCall BeginScene();
    RecordedCall EndScene();
    RecordedCall Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                       DWORD stencil);
    RecordedCall SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix);
    RecordedCall GetTransform(D3DTRANSFORMSTATETYPE state);
    RecordedCall SetViewport(const D3DVIEWPORT9* viewport);
    RecordedCall GetViewport();
    RecordedCall SetMaterial(const D3DMATERIAL9* material);
    RecordedCall GetMaterial();
    RecordedCall SetLight(DWORD index, const D3DLIGHT9* light);
    RecordedCall GetLight(DWORD index);
    RecordedCall LightEnable(DWORD index, BOOL enable);
    RecordedCall SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
    RecordedCall GetRenderState(D3DRENDERSTATETYPE state);
    RecordedCall SetTexture(DWORD stage, IDirect3DBaseTexture9* texture);
    RecordedCall GetTexture(DWORD stage);
    RecordedCall SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    RecordedCall GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type);
    RecordedCall SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value);
    RecordedCall GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type);
    RecordedCall SetFVF(DWORD fvf);
    RecordedCall GetFVF();
    RecordedCall SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride);
    RecordedCall SetIndices(IDirect3DIndexBuffer9* indices);
    RecordedCall DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount);
    RecordedCall DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex,
                                      UINT numVertices, UINT startIndex, UINT primitiveCount);

    // Resource operations; the first argument names the object.
    RecordedCall Lock(IUnknown* resource, UINT offset, UINT size, DWORD flags);
    RecordedCall Unlock(IUnknown* resource);
    RecordedCall LockRect(IUnknown* resource, int face, UINT level, const RECT* rect, DWORD flags);
    RecordedCall UnlockRect(IUnknown* resource, int face, UINT level);

    // Buffer contents at Unlock: the object, the offset and size of the locked range, then its
    // bytes as lower-case hex when there are at most 4096 of them, else "crc32:" and the
    // CRC-32 of the range in eight hex digits.
    RecordedCall UnlockBytes(IUnknown* resource, UINT offset, const void* bytes, UINT size);

    // D3DX objects ("Effect#1", "Mesh#1"); effect parameters by name with their values.
    RecordedCall EffectSetValue(const void* effect, const char* parameter, const void* data, UINT bytes,
                                bool isTexture);
    RecordedCall EffectSetMatrix(const void* effect, const char* parameter, const D3DMATRIX* matrix);
    RecordedCall EffectSetFloat(const void* effect, const char* parameter, float value);
    RecordedCall EffectSetVector(const void* effect, const char* parameter, const float* xyzw);
    RecordedCall EffectSetTexture(const void* effect, const char* parameter, IDirect3DBaseTexture9* texture);
    RecordedCall EffectSetTechnique(const void* effect, const char* technique);
    RecordedCall EffectBegin(const void* effect, DWORD flags);
    RecordedCall EffectBeginPass(const void* effect, UINT pass);
    // CommitChanges, EndPass, End: the effect alone.
    RecordedCall EffectCall(const void* effect, const char* method);
    RecordedCall MeshDrawSubset(const void* mesh, DWORD attribute);

    // Sound and window functions, named as the platform names them.
    RecordedCall StreamGetTime(const void* stream);
    // PeekMessageW, DispatchMessageW, SendMessageW ...: window, message name, wParam, lParam.
    RecordedCall WindowMessage(const char* function, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // The name an object gets in calls ("null", "Texture#3").
    std::string ObjectName(IUnknown* object);
    // For objects outside Direct3D's interfaces, numbered per kind ("Effect#2").
    std::string ObjectName(const void* object, const char* kind);

  private:
    std::unordered_map<const void*, std::string> names_;
    std::unordered_map<std::string, unsigned> counts_;
};

// Names for values, usable on their own (tests, logs).
std::string RenderStateName(D3DRENDERSTATETYPE state);
std::string TextureStageStateName(D3DTEXTURESTAGESTATETYPE type);
std::string SamplerStateName(D3DSAMPLERSTATETYPE type);
std::string TransformStateName(D3DTRANSFORMSTATETYPE state);
std::string PrimitiveTypeName(D3DPRIMITIVETYPE type);
std::string FormatName(D3DFORMAT format);
std::string PoolName(D3DPOOL pool);
std::string FloatText(float value);
std::string WindowMessageName(UINT message);
