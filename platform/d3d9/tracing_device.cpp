#include "platform/d3d9/tracing_device.h"

#include "platform/trace/call_trace.h"

#include <cstdio>

namespace {

DeviceCallFormatter& Formatter() {
    return CallTrace::Formatter();
}

} // namespace

TracingDevice::TracingDevice(IDirect3DDevice9* inner) : inner_(inner) {
    inner_->AddRef();
}

TracingDevice::~TracingDevice() {
    inner_->Release();
}

HRESULT TracingDevice::Write(const RecordedCall& call, HRESULT result) {
    if (!CallTrace::Enabled()) {
        return result;
    }
    std::string code;
    if (FAILED(result)) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "\"0x%08X\"", static_cast<unsigned>(result));
        code = buffer;
    }
    CallTrace::Record("IDirect3DDevice9", call, code);
    return result;
}

HRESULT TracingDevice::TestCooperativeLevel() {
    return Write(Formatter().TestCooperativeLevel(), inner_->TestCooperativeLevel());
}

HRESULT TracingDevice::GetDirect3D(IDirect3D9** direct3D) {
    return Write(Formatter().GetDirect3D(), inner_->GetDirect3D(direct3D));
}

HRESULT TracingDevice::GetDeviceCaps(D3DCAPS9* caps) {
    return Write(Formatter().GetDeviceCaps(), inner_->GetDeviceCaps(caps));
}

HRESULT TracingDevice::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) {
    return Write(Formatter().GetCreationParameters(), inner_->GetCreationParameters(parameters));
}

HRESULT TracingDevice::SetCursorProperties(UINT hotSpotX, UINT hotSpotY, IDirect3DSurface9* cursorBitmap) {
    return Write(Formatter().SetCursorProperties(hotSpotX, hotSpotY, cursorBitmap),
                 inner_->SetCursorProperties(hotSpotX, hotSpotY, cursorBitmap));
}

void TracingDevice::SetCursorPosition(int x, int y, DWORD flags) {
    inner_->SetCursorPosition(x, y, flags);
    Write(Formatter().SetCursorPosition(x, y, flags), D3D_OK);
}

BOOL TracingDevice::ShowCursor(BOOL show) {
    const BOOL previous = inner_->ShowCursor(show);
    Write(Formatter().ShowCursor(show), D3D_OK);
    return previous;
}

HRESULT TracingDevice::Reset(D3DPRESENT_PARAMETERS* presentationParameters) {
    const RecordedCall call = Formatter().Reset(presentationParameters);
    return Write(call, inner_->Reset(presentationParameters));
}

HRESULT TracingDevice::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                               const void* dirtyRegion) {
    const HRESULT result = inner_->Present(sourceRect, destRect, destWindowOverride, dirtyRegion);
    Write(Formatter().Present(sourceRect, destRect, destWindowOverride, dirtyRegion), result);
    if (CallTrace::Enabled()) {
        CallTrace::Flush();
    }
    return result;
}

HRESULT TracingDevice::GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                                     IDirect3DSurface9** surface) {
    return Write(Formatter().GetBackBuffer(swapChain, backBuffer, type),
                 inner_->GetBackBuffer(swapChain, backBuffer, type, surface));
}

HRESULT TracingDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                     D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* sharedHandle) {
    return Write(Formatter().CreateTexture(width, height, levels, usage, format, pool),
                 inner_->CreateTexture(width, height, levels, usage, format, pool, texture, sharedHandle));
}

HRESULT TracingDevice::CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format,
                                         D3DPOOL pool, IDirect3DCubeTexture9** cubeTexture,
                                         HANDLE* sharedHandle) {
    return Write(
        Formatter().CreateCubeTexture(edgeLength, levels, usage, format, pool),
        inner_->CreateCubeTexture(edgeLength, levels, usage, format, pool, cubeTexture, sharedHandle));
}

HRESULT TracingDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                          IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle) {
    return Write(Formatter().CreateVertexBuffer(length, usage, fvf, pool),
                 inner_->CreateVertexBuffer(length, usage, fvf, pool, vertexBuffer, sharedHandle));
}

HRESULT TracingDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                         IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) {
    return Write(Formatter().CreateIndexBuffer(length, usage, format, pool),
                 inner_->CreateIndexBuffer(length, usage, format, pool, indexBuffer, sharedHandle));
}

HRESULT TracingDevice::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                                   IDirect3DSurface9** surface, HANDLE* sharedHandle) {
    return Write(Formatter().CreateOffscreenPlainSurface(width, height, format, pool),
                 inner_->CreateOffscreenPlainSurface(width, height, format, pool, surface, sharedHandle));
}

HRESULT TracingDevice::BeginScene() {
    return Write(Formatter().BeginScene(), inner_->BeginScene());
}
HRESULT TracingDevice::EndScene() {
    return Write(Formatter().EndScene(), inner_->EndScene());
}

HRESULT TracingDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                             DWORD stencil) {
    return Write(Formatter().Clear(count, rects, flags, color, z, stencil),
                 inner_->Clear(count, rects, flags, color, z, stencil));
}

HRESULT TracingDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    return Write(Formatter().SetTransform(state, matrix), inner_->SetTransform(state, matrix));
}

HRESULT TracingDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    return Write(Formatter().GetTransform(state), inner_->GetTransform(state, matrix));
}

HRESULT TracingDevice::SetViewport(const D3DVIEWPORT9* viewport) {
    return Write(Formatter().SetViewport(viewport), inner_->SetViewport(viewport));
}

HRESULT TracingDevice::GetViewport(D3DVIEWPORT9* viewport) {
    return Write(Formatter().GetViewport(), inner_->GetViewport(viewport));
}

HRESULT TracingDevice::SetMaterial(const D3DMATERIAL9* material) {
    return Write(Formatter().SetMaterial(material), inner_->SetMaterial(material));
}

HRESULT TracingDevice::GetMaterial(D3DMATERIAL9* material) {
    return Write(Formatter().GetMaterial(), inner_->GetMaterial(material));
}

HRESULT TracingDevice::SetLight(DWORD index, const D3DLIGHT9* light) {
    return Write(Formatter().SetLight(index, light), inner_->SetLight(index, light));
}

HRESULT TracingDevice::GetLight(DWORD index, D3DLIGHT9* light) {
    return Write(Formatter().GetLight(index), inner_->GetLight(index, light));
}

HRESULT TracingDevice::LightEnable(DWORD index, BOOL enable) {
    return Write(Formatter().LightEnable(index, enable), inner_->LightEnable(index, enable));
}

HRESULT TracingDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    return Write(Formatter().SetRenderState(state, value), inner_->SetRenderState(state, value));
}

HRESULT TracingDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    return Write(Formatter().GetRenderState(state), inner_->GetRenderState(state, value));
}

HRESULT TracingDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    return Write(Formatter().SetTexture(stage, texture), inner_->SetTexture(stage, texture));
}

HRESULT TracingDevice::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
    return Write(Formatter().GetTexture(stage), inner_->GetTexture(stage, texture));
}

HRESULT TracingDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    return Write(Formatter().SetTextureStageState(stage, type, value),
                 inner_->SetTextureStageState(stage, type, value));
}

HRESULT TracingDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    return Write(Formatter().GetTextureStageState(stage, type),
                 inner_->GetTextureStageState(stage, type, value));
}

HRESULT TracingDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    return Write(Formatter().SetSamplerState(sampler, type, value),
                 inner_->SetSamplerState(sampler, type, value));
}

HRESULT TracingDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    return Write(Formatter().GetSamplerState(sampler, type), inner_->GetSamplerState(sampler, type, value));
}

HRESULT TracingDevice::SetFVF(DWORD fvf) {
    return Write(Formatter().SetFVF(fvf), inner_->SetFVF(fvf));
}
HRESULT TracingDevice::GetFVF(DWORD* fvf) {
    return Write(Formatter().GetFVF(), inner_->GetFVF(fvf));
}

HRESULT TracingDevice::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData,
                                       UINT offsetInBytes, UINT stride) {
    return Write(Formatter().SetStreamSource(streamNumber, streamData, offsetInBytes, stride),
                 inner_->SetStreamSource(streamNumber, streamData, offsetInBytes, stride));
}

HRESULT TracingDevice::SetIndices(IDirect3DIndexBuffer9* indexData) {
    return Write(Formatter().SetIndices(indexData), inner_->SetIndices(indexData));
}

HRESULT TracingDevice::DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) {
    return Write(Formatter().DrawPrimitive(primitiveType, startVertex, primitiveCount),
                 inner_->DrawPrimitive(primitiveType, startVertex, primitiveCount));
}

HRESULT TracingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex,
                                            UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                            UINT primitiveCount) {
    return Write(Formatter().DrawIndexedPrimitive(primitiveType, baseVertexIndex, minVertexIndex, numVertices,
                                                  startIndex, primitiveCount),
                 inner_->DrawIndexedPrimitive(primitiveType, baseVertexIndex, minVertexIndex, numVertices,
                                              startIndex, primitiveCount));
}
