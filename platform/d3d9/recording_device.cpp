#include "platform/d3d9/recording_device.h"

#include "platform/d3d9/device_caps.h"
#include "platform/d3d9/draw_range_check.h"
#include "platform/d3d9/format_info.h"
#include "platform/d3d9/memory_buffer.h"
#include "platform/d3d9/memory_surface.h"
#include "platform/d3d9/memory_texture.h"

namespace {

D3DPRESENT_PARAMETERS DefaultParameters() {
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferWidth = 800;
    p.BackBufferHeight = 600;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = TRUE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    return p;
}

} // namespace

RecordingDevice::RecordingDevice(const D3DPRESENT_PARAMETERS* parameters, IDirect3D9* direct3D)
    : parameters_(parameters != nullptr ? *parameters : DefaultParameters()), direct3D_(direct3D) {
    if (direct3D_ != nullptr) {
        direct3D_->AddRef();
    }
    state_.SetDefaults(parameters_.BackBufferWidth, parameters_.BackBufferHeight,
                       parameters_.EnableAutoDepthStencil != FALSE);
}

RecordingDevice::~RecordingDevice() {
    if (direct3D_ != nullptr) {
        direct3D_->Release();
    }
}

std::vector<RecordedCall> RecordingDevice::CallsNamed(const std::string& name) const {
    std::vector<RecordedCall> out;
    for (const RecordedCall& call : calls_) {
        if (call.name == name) {
            out.push_back(call);
        }
    }
    return out;
}

std::vector<std::string> RecordingDevice::JsonLines() const {
    std::vector<std::string> out;
    out.reserve(calls_.size());
    for (const RecordedCall& call : calls_) {
        out.push_back(call.ToJson());
    }
    return out;
}

void RecordingDevice::SetCallResult(const std::string& name, HRESULT result) {
    if (result == D3D_OK) {
        injected_.erase(name);
    } else {
        injected_[name] = result;
    }
}

HRESULT RecordingDevice::Log(RecordedCall call) {
    const auto found = injected_.find(call.name);
    const HRESULT result = found == injected_.end() ? D3D_OK : found->second;
    calls_.push_back(std::move(call));
    return result;
}

HRESULT RecordingDevice::TestCooperativeLevel() {
    return Log(formatter_.TestCooperativeLevel());
}

HRESULT RecordingDevice::GetDirect3D(IDirect3D9** direct3D) {
    if (const HRESULT hr = Log(formatter_.GetDirect3D()); hr != D3D_OK) {
        return hr;
    }
    if (direct3D == nullptr || direct3D_ == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    direct3D_->AddRef();
    *direct3D = direct3D_;
    return D3D_OK;
}

HRESULT RecordingDevice::GetDeviceCaps(D3DCAPS9* caps) {
    if (const HRESULT hr = Log(formatter_.GetDeviceCaps()); hr != D3D_OK) {
        return hr;
    }
    if (caps == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *caps = MakeDeviceCaps(0, D3DDEVTYPE_HAL, D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE, 8192);
    return D3D_OK;
}

HRESULT RecordingDevice::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) {
    if (const HRESULT hr = Log(formatter_.GetCreationParameters()); hr != D3D_OK) {
        return hr;
    }
    if (parameters == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *parameters = {0, D3DDEVTYPE_HAL, parameters_.hDeviceWindow, D3DCREATE_HARDWARE_VERTEXPROCESSING};
    return D3D_OK;
}

HRESULT RecordingDevice::SetCursorProperties(UINT hotSpotX, UINT hotSpotY, IDirect3DSurface9* cursorBitmap) {
    if (const HRESULT hr = Log(formatter_.SetCursorProperties(hotSpotX, hotSpotY, cursorBitmap));
        hr != D3D_OK) {
        return hr;
    }
    return cursorBitmap == nullptr ? D3DERR_INVALIDCALL : D3D_OK;
}

void RecordingDevice::SetCursorPosition(int x, int y, DWORD flags) {
    Log(formatter_.SetCursorPosition(x, y, flags));
}

BOOL RecordingDevice::ShowCursor(BOOL show) {
    Log(formatter_.ShowCursor(show));
    const BOOL previous = cursorShown_ ? TRUE : FALSE;
    cursorShown_ = show != FALSE;
    return previous;
}

HRESULT RecordingDevice::Reset(D3DPRESENT_PARAMETERS* presentationParameters) {
    if (const HRESULT hr = Log(formatter_.Reset(presentationParameters)); hr != D3D_OK) {
        return hr;
    }
    if (presentationParameters == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    parameters_ = *presentationParameters;
    state_.SetDefaults(parameters_.BackBufferWidth, parameters_.BackBufferHeight,
                       parameters_.EnableAutoDepthStencil != FALSE);
    inScene_ = false;
    return D3D_OK;
}

HRESULT RecordingDevice::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                                 const void* dirtyRegion) {
    return Log(formatter_.Present(sourceRect, destRect, destWindowOverride, dirtyRegion));
}

HRESULT RecordingDevice::GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                                       IDirect3DSurface9** surface) {
    if (const HRESULT hr = Log(formatter_.GetBackBuffer(swapChain, backBuffer, type)); hr != D3D_OK) {
        return hr;
    }
    if (surface == nullptr || swapChain != 0 || backBuffer >= parameters_.BackBufferCount + 1) {
        return D3DERR_INVALIDCALL;
    }
    D3DSURFACE_DESC desc{};
    desc.Format =
        parameters_.BackBufferFormat == D3DFMT_UNKNOWN ? D3DFMT_X8R8G8B8 : parameters_.BackBufferFormat;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Usage = D3DUSAGE_RENDERTARGET;
    desc.Pool = D3DPOOL_DEFAULT;
    desc.Width = parameters_.BackBufferWidth;
    desc.Height = parameters_.BackBufferHeight;
    *surface = new MemorySurface(this, this, desc);
    return D3D_OK;
}

HRESULT RecordingDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                       D3DPOOL pool, IDirect3DTexture9** texture, HANDLE*) {
    if (const HRESULT hr = Log(formatter_.CreateTexture(width, height, levels, usage, format, pool));
        hr != D3D_OK) {
        return hr;
    }
    if (texture == nullptr || width == 0 || height == 0 || FormatInfo::BytesPerElement(format) == 0) {
        return D3DERR_INVALIDCALL;
    }
    *texture = new MemoryTexture(this, this, width, height, levels, usage, format, pool);
    return D3D_OK;
}

HRESULT RecordingDevice::CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format,
                                           D3DPOOL pool, IDirect3DCubeTexture9** cubeTexture, HANDLE*) {
    if (const HRESULT hr = Log(formatter_.CreateCubeTexture(edgeLength, levels, usage, format, pool));
        hr != D3D_OK) {
        return hr;
    }
    if (cubeTexture == nullptr || edgeLength == 0 || FormatInfo::BytesPerElement(format) == 0) {
        return D3DERR_INVALIDCALL;
    }
    *cubeTexture = new MemoryCubeTexture(this, this, edgeLength, levels, usage, format, pool);
    return D3D_OK;
}

HRESULT RecordingDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                            IDirect3DVertexBuffer9** vertexBuffer, HANDLE*) {
    if (const HRESULT hr = Log(formatter_.CreateVertexBuffer(length, usage, fvf, pool)); hr != D3D_OK) {
        return hr;
    }
    if (vertexBuffer == nullptr || length == 0) {
        return D3DERR_INVALIDCALL;
    }
    const D3DVERTEXBUFFER_DESC desc{D3DFMT_UNKNOWN, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
    *vertexBuffer = new MemoryVertexBuffer(this, this, desc);
    return D3D_OK;
}

HRESULT RecordingDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                           IDirect3DIndexBuffer9** indexBuffer, HANDLE*) {
    if (const HRESULT hr = Log(formatter_.CreateIndexBuffer(length, usage, format, pool)); hr != D3D_OK) {
        return hr;
    }
    if (indexBuffer == nullptr || length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) {
        return D3DERR_INVALIDCALL;
    }
    const D3DINDEXBUFFER_DESC desc{format, D3DRTYPE_INDEXBUFFER, usage, pool, length};
    *indexBuffer = new MemoryIndexBuffer(this, this, desc);
    return D3D_OK;
}

HRESULT RecordingDevice::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                                     IDirect3DSurface9** surface, HANDLE*) {
    if (const HRESULT hr = Log(formatter_.CreateOffscreenPlainSurface(width, height, format, pool));
        hr != D3D_OK) {
        return hr;
    }
    if (surface == nullptr || width == 0 || height == 0 || FormatInfo::BytesPerElement(format) == 0) {
        return D3DERR_INVALIDCALL;
    }
    D3DSURFACE_DESC desc{};
    desc.Format = format;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Pool = pool;
    desc.Width = width;
    desc.Height = height;
    *surface = new MemorySurface(this, this, desc);
    return D3D_OK;
}

HRESULT RecordingDevice::BeginScene() {
    if (const HRESULT hr = Log(formatter_.BeginScene()); hr != D3D_OK) {
        return hr;
    }
    if (inScene_) {
        return D3DERR_INVALIDCALL;
    }
    inScene_ = true;
    return D3D_OK;
}

HRESULT RecordingDevice::EndScene() {
    if (const HRESULT hr = Log(formatter_.EndScene()); hr != D3D_OK) {
        return hr;
    }
    if (!inScene_) {
        return D3DERR_INVALIDCALL;
    }
    inScene_ = false;
    return D3D_OK;
}

HRESULT RecordingDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                               DWORD stencil) {
    return Log(formatter_.Clear(count, rects, flags, color, z, stencil));
}

HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    if (const HRESULT hr = Log(formatter_.SetTransform(state, matrix)); hr != D3D_OK) {
        return hr;
    }
    D3DMATRIX* target = state_.Transform(state);
    if (target == nullptr || matrix == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *target = *matrix;
    return D3D_OK;
}

HRESULT RecordingDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    if (const HRESULT hr = Log(formatter_.GetTransform(state)); hr != D3D_OK) {
        return hr;
    }
    const D3DMATRIX* source = state_.Transform(state);
    if (source == nullptr || matrix == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *matrix = *source;
    return D3D_OK;
}

HRESULT RecordingDevice::SetViewport(const D3DVIEWPORT9* viewport) {
    if (const HRESULT hr = Log(formatter_.SetViewport(viewport)); hr != D3D_OK) {
        return hr;
    }
    if (viewport == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    state_.viewport = *viewport;
    return D3D_OK;
}

HRESULT RecordingDevice::GetViewport(D3DVIEWPORT9* viewport) {
    if (const HRESULT hr = Log(formatter_.GetViewport()); hr != D3D_OK) {
        return hr;
    }
    if (viewport == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *viewport = state_.viewport;
    return D3D_OK;
}

HRESULT RecordingDevice::SetMaterial(const D3DMATERIAL9* material) {
    if (const HRESULT hr = Log(formatter_.SetMaterial(material)); hr != D3D_OK) {
        return hr;
    }
    if (material == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    state_.material = *material;
    return D3D_OK;
}

HRESULT RecordingDevice::GetMaterial(D3DMATERIAL9* material) {
    if (const HRESULT hr = Log(formatter_.GetMaterial()); hr != D3D_OK) {
        return hr;
    }
    if (material == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *material = state_.material;
    return D3D_OK;
}

HRESULT RecordingDevice::SetLight(DWORD index, const D3DLIGHT9* light) {
    if (const HRESULT hr = Log(formatter_.SetLight(index, light)); hr != D3D_OK) {
        return hr;
    }
    if (light == nullptr || index >= DeviceState::MaxLights) {
        return D3DERR_INVALIDCALL;
    }
    state_.lights[index] = *light;
    state_.lightSet[index] = true;
    return D3D_OK;
}

HRESULT RecordingDevice::GetLight(DWORD index, D3DLIGHT9* light) {
    if (const HRESULT hr = Log(formatter_.GetLight(index)); hr != D3D_OK) {
        return hr;
    }
    if (light == nullptr || index >= DeviceState::MaxLights || !state_.lightSet[index]) {
        return D3DERR_INVALIDCALL;
    }
    *light = state_.lights[index];
    return D3D_OK;
}

HRESULT RecordingDevice::LightEnable(DWORD index, BOOL enable) {
    if (const HRESULT hr = Log(formatter_.LightEnable(index, enable)); hr != D3D_OK) {
        return hr;
    }
    if (index >= DeviceState::MaxLights) {
        return D3DERR_INVALIDCALL;
    }
    if (!state_.lightSet[index]) {
        state_.lights[index] = DefaultLight();
        state_.lightSet[index] = true;
    }
    state_.lightEnabled[index] = enable != FALSE;
    return D3D_OK;
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (const HRESULT hr = Log(formatter_.SetRenderState(state, value)); hr != D3D_OK) {
        return hr;
    }
    if (!DeviceState::ValidRenderState(state)) {
        return D3DERR_INVALIDCALL;
    }
    state_.renderStates[state] = value;
    return D3D_OK;
}

HRESULT RecordingDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (const HRESULT hr = Log(formatter_.GetRenderState(state)); hr != D3D_OK) {
        return hr;
    }
    if (value == nullptr || !DeviceState::ValidRenderState(state)) {
        return D3DERR_INVALIDCALL;
    }
    *value = state_.renderStates[state];
    return D3D_OK;
}

HRESULT RecordingDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    if (const HRESULT hr = Log(formatter_.SetTexture(stage, texture)); hr != D3D_OK) {
        return hr;
    }
    if (stage >= DeviceState::MaxStages) {
        return D3DERR_INVALIDCALL;
    }
    state_.textures[stage].Reset(texture);
    return D3D_OK;
}

HRESULT RecordingDevice::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
    if (const HRESULT hr = Log(formatter_.GetTexture(stage)); hr != D3D_OK) {
        return hr;
    }
    if (texture == nullptr || stage >= DeviceState::MaxStages) {
        return D3DERR_INVALIDCALL;
    }
    *texture = state_.textures[stage].Get();
    if (*texture != nullptr) {
        (*texture)->AddRef();
    }
    return D3D_OK;
}

HRESULT RecordingDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (const HRESULT hr = Log(formatter_.SetTextureStageState(stage, type, value)); hr != D3D_OK) {
        return hr;
    }
    if (stage >= DeviceState::MaxStages || type >= DeviceState::MaxTextureStageState) {
        return D3DERR_INVALIDCALL;
    }
    state_.stageStates[stage][type] = value;
    return D3D_OK;
}

HRESULT RecordingDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    if (const HRESULT hr = Log(formatter_.GetTextureStageState(stage, type)); hr != D3D_OK) {
        return hr;
    }
    if (value == nullptr || stage >= DeviceState::MaxStages || type >= DeviceState::MaxTextureStageState) {
        return D3DERR_INVALIDCALL;
    }
    *value = state_.stageStates[stage][type];
    return D3D_OK;
}

HRESULT RecordingDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    if (const HRESULT hr = Log(formatter_.SetSamplerState(sampler, type, value)); hr != D3D_OK) {
        return hr;
    }
    if (sampler >= DeviceState::MaxStages || type >= DeviceState::MaxSamplerState) {
        return D3DERR_INVALIDCALL;
    }
    state_.samplerStates[sampler][type] = value;
    return D3D_OK;
}

HRESULT RecordingDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    if (const HRESULT hr = Log(formatter_.GetSamplerState(sampler, type)); hr != D3D_OK) {
        return hr;
    }
    if (value == nullptr || sampler >= DeviceState::MaxStages || type >= DeviceState::MaxSamplerState) {
        return D3DERR_INVALIDCALL;
    }
    *value = state_.samplerStates[sampler][type];
    return D3D_OK;
}

HRESULT RecordingDevice::SetFVF(DWORD fvf) {
    if (const HRESULT hr = Log(formatter_.SetFVF(fvf)); hr != D3D_OK) {
        return hr;
    }
    state_.fvf = fvf;
    return D3D_OK;
}

HRESULT RecordingDevice::GetFVF(DWORD* fvf) {
    if (const HRESULT hr = Log(formatter_.GetFVF()); hr != D3D_OK) {
        return hr;
    }
    if (fvf == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *fvf = state_.fvf;
    return D3D_OK;
}

HRESULT RecordingDevice::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData,
                                         UINT offsetInBytes, UINT stride) {
    if (const HRESULT hr = Log(formatter_.SetStreamSource(streamNumber, streamData, offsetInBytes, stride));
        hr != D3D_OK) {
        return hr;
    }
    return state_.SetStreamSource(streamNumber, streamData, offsetInBytes, stride);
}

HRESULT RecordingDevice::SetIndices(IDirect3DIndexBuffer9* indexData) {
    if (const HRESULT hr = Log(formatter_.SetIndices(indexData)); hr != D3D_OK) {
        return hr;
    }
    state_.indices.Reset(indexData);
    return D3D_OK;
}

HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex,
                                       UINT primitiveCount) {
    if (const HRESULT hr = Log(formatter_.DrawPrimitive(primitiveType, startVertex, primitiveCount));
        hr != D3D_OK) {
        return hr;
    }
    UINT vertices = 0;
    if (!DrawRangeCheck::ElementCount(primitiveType, primitiveCount, &vertices)) {
        return D3DERR_INVALIDCALL;
    }
    if (primitiveCount == 0) {
        return D3D_OK;
    }
    return DrawRangeCheck::CheckVertices(state_, startVertex, vertices);
}

HRESULT RecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex,
                                              UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                              UINT primitiveCount) {
    if (const HRESULT hr = Log(formatter_.DrawIndexedPrimitive(primitiveType, baseVertexIndex, minVertexIndex,
                                                               numVertices, startIndex, primitiveCount));
        hr != D3D_OK) {
        return hr;
    }
    UINT indices = 0;
    if (!DrawRangeCheck::ElementCount(primitiveType, primitiveCount, &indices)) {
        return D3DERR_INVALIDCALL;
    }
    if (primitiveCount == 0) {
        return D3D_OK;
    }
    return DrawRangeCheck::CheckIndexedRanges(state_, baseVertexIndex, minVertexIndex, numVertices,
                                              startIndex, indices);
}
