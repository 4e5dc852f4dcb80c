#include "platform/d3d9/call_formatter.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <cstdio>

#include "platform/win32/win32.h"
#include "rar/crc32.h"

namespace {

template <class T> struct NamedValue {
    T value;
    const char* name;
};

constexpr NamedValue<D3DRENDERSTATETYPE> renderStateNames[] = {
    {D3DRS_ZENABLE, "D3DRS_ZENABLE"},
    {D3DRS_FILLMODE, "D3DRS_FILLMODE"},
    {D3DRS_SHADEMODE, "D3DRS_SHADEMODE"},
    {D3DRS_ZWRITEENABLE, "D3DRS_ZWRITEENABLE"},
    {D3DRS_ALPHATESTENABLE, "D3DRS_ALPHATESTENABLE"},
    {D3DRS_SRCBLEND, "D3DRS_SRCBLEND"},
    {D3DRS_DESTBLEND, "D3DRS_DESTBLEND"},
    {D3DRS_CULLMODE, "D3DRS_CULLMODE"},
    {D3DRS_ZFUNC, "D3DRS_ZFUNC"},
    {D3DRS_ALPHAREF, "D3DRS_ALPHAREF"},
    {D3DRS_ALPHAFUNC, "D3DRS_ALPHAFUNC"},
    {D3DRS_DITHERENABLE, "D3DRS_DITHERENABLE"},
    {D3DRS_ALPHABLENDENABLE, "D3DRS_ALPHABLENDENABLE"},
    {D3DRS_FOGENABLE, "D3DRS_FOGENABLE"},
    {D3DRS_SPECULARENABLE, "D3DRS_SPECULARENABLE"},
    {D3DRS_STENCILENABLE, "D3DRS_STENCILENABLE"},
    {D3DRS_TEXTUREFACTOR, "D3DRS_TEXTUREFACTOR"},
    {D3DRS_LIGHTING, "D3DRS_LIGHTING"},
    {D3DRS_AMBIENT, "D3DRS_AMBIENT"},
    {D3DRS_COLORVERTEX, "D3DRS_COLORVERTEX"},
    {D3DRS_NORMALIZENORMALS, "D3DRS_NORMALIZENORMALS"},
    {D3DRS_DIFFUSEMATERIALSOURCE, "D3DRS_DIFFUSEMATERIALSOURCE"},
    {D3DRS_SPECULARMATERIALSOURCE, "D3DRS_SPECULARMATERIALSOURCE"},
    {D3DRS_AMBIENTMATERIALSOURCE, "D3DRS_AMBIENTMATERIALSOURCE"},
    {D3DRS_EMISSIVEMATERIALSOURCE, "D3DRS_EMISSIVEMATERIALSOURCE"},
    {D3DRS_POINTSIZE, "D3DRS_POINTSIZE"},
    {D3DRS_COLORWRITEENABLE, "D3DRS_COLORWRITEENABLE"},
    {D3DRS_BLENDOP, "D3DRS_BLENDOP"},
    {D3DRS_SRGBWRITEENABLE, "D3DRS_SRGBWRITEENABLE"},
    {D3DRS_SEPARATEALPHABLENDENABLE, "D3DRS_SEPARATEALPHABLENDENABLE"},
    {D3DRS_SRCBLENDALPHA, "D3DRS_SRCBLENDALPHA"},
    {D3DRS_DESTBLENDALPHA, "D3DRS_DESTBLENDALPHA"},
    {D3DRS_BLENDOPALPHA, "D3DRS_BLENDOPALPHA"},
};

constexpr NamedValue<D3DTEXTURESTAGESTATETYPE> stageStateNames[] = {
    {D3DTSS_COLOROP, "D3DTSS_COLOROP"},
    {D3DTSS_COLORARG1, "D3DTSS_COLORARG1"},
    {D3DTSS_COLORARG2, "D3DTSS_COLORARG2"},
    {D3DTSS_ALPHAOP, "D3DTSS_ALPHAOP"},
    {D3DTSS_ALPHAARG1, "D3DTSS_ALPHAARG1"},
    {D3DTSS_ALPHAARG2, "D3DTSS_ALPHAARG2"},
    {D3DTSS_TEXCOORDINDEX, "D3DTSS_TEXCOORDINDEX"},
    {D3DTSS_TEXTURETRANSFORMFLAGS, "D3DTSS_TEXTURETRANSFORMFLAGS"},
};

constexpr NamedValue<D3DSAMPLERSTATETYPE> samplerStateNames[] = {
    {D3DSAMP_ADDRESSU, "D3DSAMP_ADDRESSU"},   {D3DSAMP_ADDRESSV, "D3DSAMP_ADDRESSV"},
    {D3DSAMP_ADDRESSW, "D3DSAMP_ADDRESSW"},   {D3DSAMP_BORDERCOLOR, "D3DSAMP_BORDERCOLOR"},
    {D3DSAMP_MAGFILTER, "D3DSAMP_MAGFILTER"}, {D3DSAMP_MINFILTER, "D3DSAMP_MINFILTER"},
    {D3DSAMP_MIPFILTER, "D3DSAMP_MIPFILTER"},
};

constexpr NamedValue<D3DTRANSFORMSTATETYPE> transformNames[] = {
    {D3DTS_VIEW, "D3DTS_VIEW"},
    {D3DTS_PROJECTION, "D3DTS_PROJECTION"},
    {D3DTS_TEXTURE0, "D3DTS_TEXTURE0"},
    {D3DTS_WORLD, "D3DTS_WORLD"},
};

constexpr NamedValue<D3DPRIMITIVETYPE> primitiveNames[] = {
    {D3DPT_POINTLIST, "D3DPT_POINTLIST"},         {D3DPT_LINELIST, "D3DPT_LINELIST"},
    {D3DPT_LINESTRIP, "D3DPT_LINESTRIP"},         {D3DPT_TRIANGLELIST, "D3DPT_TRIANGLELIST"},
    {D3DPT_TRIANGLESTRIP, "D3DPT_TRIANGLESTRIP"}, {D3DPT_TRIANGLEFAN, "D3DPT_TRIANGLEFAN"},
};

constexpr NamedValue<D3DFORMAT> formatNames[] = {
    {D3DFMT_UNKNOWN, "D3DFMT_UNKNOWN"},
    {D3DFMT_R8G8B8, "D3DFMT_R8G8B8"},
    {D3DFMT_A8R8G8B8, "D3DFMT_A8R8G8B8"},
    {D3DFMT_X8R8G8B8, "D3DFMT_X8R8G8B8"},
    {D3DFMT_R5G6B5, "D3DFMT_R5G6B5"},
    {D3DFMT_X1R5G5B5, "D3DFMT_X1R5G5B5"},
    {D3DFMT_A1R5G5B5, "D3DFMT_A1R5G5B5"},
    {D3DFMT_A4R4G4B4, "D3DFMT_A4R4G4B4"},
    {D3DFMT_R3G3B2, "D3DFMT_R3G3B2"},
    {D3DFMT_A8, "D3DFMT_A8"},
    {D3DFMT_A8R3G3B2, "D3DFMT_A8R3G3B2"},
    {D3DFMT_X4R4G4B4, "D3DFMT_X4R4G4B4"},
    {D3DFMT_A2B10G10R10, "D3DFMT_A2B10G10R10"},
    {D3DFMT_A8B8G8R8, "D3DFMT_A8B8G8R8"},
    {D3DFMT_X8B8G8R8, "D3DFMT_X8B8G8R8"},
    {D3DFMT_G16R16, "D3DFMT_G16R16"},
    {D3DFMT_A2R10G10B10, "D3DFMT_A2R10G10B10"},
    {D3DFMT_A16B16G16R16, "D3DFMT_A16B16G16R16"},
    {D3DFMT_L8, "D3DFMT_L8"},
    {D3DFMT_D16_LOCKABLE, "D3DFMT_D16_LOCKABLE"},
    {D3DFMT_D32, "D3DFMT_D32"},
    {D3DFMT_D15S1, "D3DFMT_D15S1"},
    {D3DFMT_D24S8, "D3DFMT_D24S8"},
    {D3DFMT_D24X8, "D3DFMT_D24X8"},
    {D3DFMT_D24X4S4, "D3DFMT_D24X4S4"},
    {D3DFMT_D16, "D3DFMT_D16"},
    {D3DFMT_D32F_LOCKABLE, "D3DFMT_D32F_LOCKABLE"},
    {D3DFMT_D24FS8, "D3DFMT_D24FS8"},
    {D3DFMT_INDEX16, "D3DFMT_INDEX16"},
    {D3DFMT_INDEX32, "D3DFMT_INDEX32"},
    {D3DFMT_DXT1, "D3DFMT_DXT1"},
    {D3DFMT_DXT2, "D3DFMT_DXT2"},
    {D3DFMT_DXT3, "D3DFMT_DXT3"},
    {D3DFMT_DXT4, "D3DFMT_DXT4"},
    {D3DFMT_DXT5, "D3DFMT_DXT5"},
};

constexpr NamedValue<D3DPOOL> poolNames[] = {
    {D3DPOOL_DEFAULT, "D3DPOOL_DEFAULT"},
    {D3DPOOL_MANAGED, "D3DPOOL_MANAGED"},
    {D3DPOOL_SYSTEMMEM, "D3DPOOL_SYSTEMMEM"},
    {D3DPOOL_SCRATCH, "D3DPOOL_SCRATCH"},
};

constexpr NamedValue<UINT> messageNames[] = {
    {WM_NULL, "WM_NULL"},
    {WM_DESTROY, "WM_DESTROY"},
    {WM_SIZE, "WM_SIZE"},
    {WM_PAINT, "WM_PAINT"},
    {WM_CLOSE, "WM_CLOSE"},
    {WM_QUIT, "WM_QUIT"},
    {WM_ACTIVATEAPP, "WM_ACTIVATEAPP"},
    {WM_SETCURSOR, "WM_SETCURSOR"},
    {WM_KEYDOWN, "WM_KEYDOWN"},
    {WM_KEYUP, "WM_KEYUP"},
    {WM_CHAR, "WM_CHAR"},
    {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"},
    {WM_SYSKEYUP, "WM_SYSKEYUP"},
    {WM_SYSCHAR, "WM_SYSCHAR"},
    {WM_SYSCOMMAND, "WM_SYSCOMMAND"},
    {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
};

// Buffer contents up to this size are written out; larger ones only by checksum.
constexpr UINT maxHexBytes = 4096;

template <class T, size_t N> std::string Lookup(const NamedValue<T> (&table)[N], T value) {
    for (const auto& entry : table) {
        if (entry.value == value) {
            return entry.name;
        }
    }
    return std::to_string(static_cast<unsigned long>(value));
}

std::string Number(DWORD value) {
    return std::to_string(value);
}
std::string Signed(INT value) {
    return std::to_string(value);
}

std::string Hex(DWORD value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%0*X", digits, value);
    return buffer;
}

std::string Colour(const D3DCOLORVALUE& c) {
    return "(" + FloatText(c.r) + "," + FloatText(c.g) + "," + FloatText(c.b) + "," + FloatText(c.a) + ")";
}

std::string Vector(const D3DVECTOR& v) {
    return "(" + FloatText(v.x) + "," + FloatText(v.y) + "," + FloatText(v.z) + ")";
}

std::string Matrix(const D3DMATRIX* m) {
    if (m == nullptr) {
        return "null";
    }
    std::string out = "[";
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (r + c != 0) {
                out += ',';
            }
            out += FloatText(m->m[r][c]);
        }
    }
    return out + "]";
}

std::string Rect(const RECT* r) {
    if (r == nullptr) {
        return "null";
    }
    return "(" + Signed(r->left) + "," + Signed(r->top) + "," + Signed(r->right) + "," + Signed(r->bottom) +
           ")";
}

std::string Pointer(const void* p) {
    return p == nullptr ? "null" : "set";
}

bool IsColourState(D3DRENDERSTATETYPE state) {
    return state == D3DRS_AMBIENT || state == D3DRS_TEXTUREFACTOR;
}

} // namespace

std::string FloatText(float value) {
    char buffer[32];
#ifdef _LIBCPP_VERSION
    // This libc++ (the browser build's) cannot print floating point with to_chars: the
    // shortest %g that reads back as the same value gives the same digits.
    for (int precision = 1; precision <= 9; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*g", precision, static_cast<double>(value));
        if (std::strtof(buffer, nullptr) == value) {
            break;
        }
    }
    return buffer;
#else
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
#endif
}

std::string RenderStateName(D3DRENDERSTATETYPE state) {
    return Lookup(renderStateNames, state);
}
std::string TextureStageStateName(D3DTEXTURESTAGESTATETYPE type) {
    return Lookup(stageStateNames, type);
}
std::string SamplerStateName(D3DSAMPLERSTATETYPE type) {
    return Lookup(samplerStateNames, type);
}
std::string TransformStateName(D3DTRANSFORMSTATETYPE state) {
    if (state > D3DTS_TEXTURE0 && state < D3DTS_TEXTURE0 + 8) {
        return "D3DTS_TEXTURE" + std::to_string(state - D3DTS_TEXTURE0);
    }
    return Lookup(transformNames, state);
}
std::string PrimitiveTypeName(D3DPRIMITIVETYPE type) {
    return Lookup(primitiveNames, type);
}
std::string FormatName(D3DFORMAT format) {
    return Lookup(formatNames, format);
}
std::string PoolName(D3DPOOL pool) {
    return Lookup(poolNames, pool);
}

std::string DeviceCallFormatter::ObjectName(IUnknown* object) {
    if (object == nullptr) {
        return "null";
    }
    const auto found = names_.find(object);
    if (found != names_.end()) {
        return found->second;
    }
    const char* kind = "Object";
    if (dynamic_cast<IDirect3DTexture9*>(object) != nullptr) {
        kind = "Texture";
    } else if (dynamic_cast<IDirect3DCubeTexture9*>(object) != nullptr) {
        kind = "CubeTexture";
    } else if (dynamic_cast<IDirect3DSurface9*>(object) != nullptr) {
        kind = "Surface";
    } else if (dynamic_cast<IDirect3DVertexBuffer9*>(object) != nullptr) {
        kind = "VertexBuffer";
    } else if (dynamic_cast<IDirect3DIndexBuffer9*>(object) != nullptr) {
        kind = "IndexBuffer";
    } else if (dynamic_cast<IDirect3DDevice9*>(object) != nullptr) {
        kind = "Device";
    }
    std::string name = std::string(kind) + "#" + std::to_string(++counts_[kind]);
    names_.emplace(object, name);
    return name;
}

RecordedCall DeviceCallFormatter::TestCooperativeLevel() {
    return {"TestCooperativeLevel", {}};
}
RecordedCall DeviceCallFormatter::GetDirect3D() {
    return {"GetDirect3D", {}};
}
RecordedCall DeviceCallFormatter::GetDeviceCaps() {
    return {"GetDeviceCaps", {}};
}
RecordedCall DeviceCallFormatter::GetCreationParameters() {
    return {"GetCreationParameters", {}};
}

RecordedCall DeviceCallFormatter::SetCursorProperties(UINT hotSpotX, UINT hotSpotY,
                                                      IDirect3DSurface9* bitmap) {
    return {"SetCursorProperties", {Number(hotSpotX), Number(hotSpotY), ObjectName(bitmap)}};
}

RecordedCall DeviceCallFormatter::SetCursorPosition(int x, int y, DWORD flags) {
    return {"SetCursorPosition", {Signed(x), Signed(y), Number(flags)}};
}

RecordedCall DeviceCallFormatter::ShowCursor(BOOL show) {
    return {"ShowCursor", {Signed(show)}};
}

RecordedCall DeviceCallFormatter::Reset(const D3DPRESENT_PARAMETERS* p) {
    if (p == nullptr) {
        return {"Reset", {"null"}};
    }
    return {"Reset",
            {Number(p->BackBufferWidth), Number(p->BackBufferHeight), FormatName(p->BackBufferFormat),
             Number(p->BackBufferCount), Number(p->MultiSampleType), Number(p->SwapEffect),
             Signed(p->Windowed), Signed(p->EnableAutoDepthStencil), FormatName(p->AutoDepthStencilFormat),
             Number(p->Flags), Number(p->FullScreen_RefreshRateInHz), Hex(p->PresentationInterval, 8)}};
}

RecordedCall DeviceCallFormatter::Present(const RECT* sourceRect, const RECT* destRect, HWND window,
                                          const void* dirtyRegion) {
    return {"Present", {Rect(sourceRect), Rect(destRect), Pointer(window), Pointer(dirtyRegion)}};
}

RecordedCall DeviceCallFormatter::GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type) {
    return {"GetBackBuffer", {Number(swapChain), Number(backBuffer), Number(type)}};
}

RecordedCall DeviceCallFormatter::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                                D3DFORMAT format, D3DPOOL pool) {
    return {
        "CreateTexture",
        {Number(width), Number(height), Number(levels), Hex(usage, 8), FormatName(format), PoolName(pool)}};
}

RecordedCall DeviceCallFormatter::CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage,
                                                    D3DFORMAT format, D3DPOOL pool) {
    return {"CreateCubeTexture",
            {Number(edgeLength), Number(levels), Hex(usage, 8), FormatName(format), PoolName(pool)}};
}

RecordedCall DeviceCallFormatter::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool) {
    return {"CreateVertexBuffer", {Number(length), Hex(usage, 8), Hex(fvf, 3), PoolName(pool)}};
}

RecordedCall DeviceCallFormatter::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                                    D3DPOOL pool) {
    return {"CreateIndexBuffer", {Number(length), Hex(usage, 8), FormatName(format), PoolName(pool)}};
}

RecordedCall DeviceCallFormatter::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format,
                                                              D3DPOOL pool) {
    return {"CreateOffscreenPlainSurface",
            {Number(width), Number(height), FormatName(format), PoolName(pool)}};
}

RecordedCall DeviceCallFormatter::BeginScene() {
    return {"BeginScene", {}};
}
RecordedCall DeviceCallFormatter::EndScene() {
    return {"EndScene", {}};
}

RecordedCall DeviceCallFormatter::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                                        float z, DWORD stencil) {
    return {"Clear",
            {Number(count), Pointer(rects), Number(flags), Hex(color, 8), FloatText(z), Number(stencil)}};
}

RecordedCall DeviceCallFormatter::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    return {"SetTransform", {TransformStateName(state), Matrix(matrix)}};
}

RecordedCall DeviceCallFormatter::GetTransform(D3DTRANSFORMSTATETYPE state) {
    return {"GetTransform", {TransformStateName(state)}};
}

RecordedCall DeviceCallFormatter::SetViewport(const D3DVIEWPORT9* v) {
    if (v == nullptr) {
        return {"SetViewport", {"null"}};
    }
    return {"SetViewport",
            {Number(v->X), Number(v->Y), Number(v->Width), Number(v->Height), FloatText(v->MinZ),
             FloatText(v->MaxZ)}};
}

RecordedCall DeviceCallFormatter::GetViewport() {
    return {"GetViewport", {}};
}

RecordedCall DeviceCallFormatter::SetMaterial(const D3DMATERIAL9* m) {
    if (m == nullptr) {
        return {"SetMaterial", {"null"}};
    }
    return {"SetMaterial",
            {"diffuse" + Colour(m->Diffuse) + " ambient" + Colour(m->Ambient) + " specular" +
             Colour(m->Specular) + " emissive" + Colour(m->Emissive) + " power " + FloatText(m->Power)}};
}

RecordedCall DeviceCallFormatter::GetMaterial() {
    return {"GetMaterial", {}};
}

RecordedCall DeviceCallFormatter::SetLight(DWORD index, const D3DLIGHT9* l) {
    if (l == nullptr) {
        return {"SetLight", {Number(index), "null"}};
    }
    static constexpr const char* typeNames[] = {"?", "POINT", "SPOT", "DIRECTIONAL"};
    const char* type = l->Type <= 3 ? typeNames[l->Type] : "?";
    return {"SetLight",
            {Number(index), std::string(type) + " diffuse" + Colour(l->Diffuse) + " specular" +
                                Colour(l->Specular) + " ambient" + Colour(l->Ambient) + " position" +
                                Vector(l->Position) + " direction" + Vector(l->Direction) + " range " +
                                FloatText(l->Range) + " attenuation(" + FloatText(l->Attenuation0) + "," +
                                FloatText(l->Attenuation1) + "," + FloatText(l->Attenuation2) + ") falloff " +
                                FloatText(l->Falloff) + " theta " + FloatText(l->Theta) + " phi " +
                                FloatText(l->Phi)}};
}

RecordedCall DeviceCallFormatter::GetLight(DWORD index) {
    return {"GetLight", {Number(index)}};
}

RecordedCall DeviceCallFormatter::LightEnable(DWORD index, BOOL enable) {
    return {"LightEnable", {Number(index), Signed(enable)}};
}

RecordedCall DeviceCallFormatter::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    std::string text;
    if (IsColourState(state)) {
        text = Hex(value, 8);
    } else {
        text = Number(value);
    }
    return {"SetRenderState", {RenderStateName(state), text}};
}

RecordedCall DeviceCallFormatter::GetRenderState(D3DRENDERSTATETYPE state) {
    return {"GetRenderState", {RenderStateName(state)}};
}

RecordedCall DeviceCallFormatter::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    return {"SetTexture", {Number(stage), ObjectName(texture)}};
}

RecordedCall DeviceCallFormatter::GetTexture(DWORD stage) {
    return {"GetTexture", {Number(stage)}};
}

RecordedCall DeviceCallFormatter::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                                       DWORD value) {
    return {"SetTextureStageState", {Number(stage), TextureStageStateName(type), Number(value)}};
}

RecordedCall DeviceCallFormatter::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) {
    return {"GetTextureStageState", {Number(stage), TextureStageStateName(type)}};
}

RecordedCall DeviceCallFormatter::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    return {"SetSamplerState", {Number(sampler), SamplerStateName(type), Number(value)}};
}

RecordedCall DeviceCallFormatter::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type) {
    return {"GetSamplerState", {Number(sampler), SamplerStateName(type)}};
}

RecordedCall DeviceCallFormatter::SetFVF(DWORD fvf) {
    return {"SetFVF", {Hex(fvf, 3)}};
}
RecordedCall DeviceCallFormatter::GetFVF() {
    return {"GetFVF", {}};
}

RecordedCall DeviceCallFormatter::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                                  UINT stride) {
    return {"SetStreamSource", {Number(stream), ObjectName(buffer), Number(offset), Number(stride)}};
}

RecordedCall DeviceCallFormatter::SetIndices(IDirect3DIndexBuffer9* indices) {
    return {"SetIndices", {ObjectName(indices)}};
}

RecordedCall DeviceCallFormatter::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex,
                                                UINT primitiveCount) {
    return {"DrawPrimitive", {PrimitiveTypeName(type), Number(startVertex), Number(primitiveCount)}};
}

RecordedCall DeviceCallFormatter::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex,
                                                       UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                                       UINT primitiveCount) {
    return {"DrawIndexedPrimitive",
            {PrimitiveTypeName(type), Signed(baseVertexIndex), Number(minVertexIndex), Number(numVertices),
             Number(startIndex), Number(primitiveCount)}};
}

RecordedCall DeviceCallFormatter::Lock(IUnknown* resource, UINT offset, UINT size, DWORD flags) {
    return {"Lock", {ObjectName(resource), Number(offset), Number(size), Hex(flags, 8)}};
}

RecordedCall DeviceCallFormatter::Unlock(IUnknown* resource) {
    return {"Unlock", {ObjectName(resource)}};
}

RecordedCall DeviceCallFormatter::LockRect(IUnknown* resource, int face, UINT level, const RECT* rect,
                                           DWORD flags) {
    return {"LockRect", {ObjectName(resource), Signed(face), Number(level), Rect(rect), Hex(flags, 8)}};
}

RecordedCall DeviceCallFormatter::UnlockRect(IUnknown* resource, int face, UINT level) {
    return {"UnlockRect", {ObjectName(resource), Signed(face), Number(level)}};
}

std::string WindowMessageName(UINT message) {
    return Lookup(messageNames, message);
}

RecordedCall DeviceCallFormatter::UnlockBytes(IUnknown* resource, UINT offset, const void* bytes, UINT size) {
    std::string content;
    const auto* data = static_cast<const unsigned char*>(bytes);
    if (data == nullptr) {
        content = "null";
    } else if (size <= maxHexBytes) {
        static constexpr char digits[] = "0123456789abcdef";
        content.reserve(size * 2);
        for (UINT i = 0; i < size; ++i) {
            content += digits[data[i] >> 4];
            content += digits[data[i] & 15];
        }
    } else {
        content = "crc32:" + Hex(static_cast<DWORD>(Crc32::Compute(data, size)), 8).substr(2);
    }
    return {"Unlock", {ObjectName(resource), Number(offset), Number(size), content}};
}

std::string DeviceCallFormatter::ObjectName(const void* object, const char* kind) {
    if (object == nullptr) {
        return "null";
    }
    const auto found = names_.find(object);
    if (found != names_.end()) {
        return found->second;
    }
    std::string name = std::string(kind) + "#" + std::to_string(++counts_[kind]);
    names_.emplace(object, name);
    return name;
}

namespace {

std::string Text(const char* text) {
    return text == nullptr ? "null" : text;
}

std::string FloatList(const float* values, size_t count) {
    std::string out = "[";
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) {
            out += ',';
        }
        out += FloatText(values[i]);
    }
    out += ']';
    return out;
}

} // namespace

RecordedCall DeviceCallFormatter::EffectSetValue(const void* effect, const char* parameter, const void* data,
                                                 UINT bytes, bool isTexture) {
    std::string value = "null";
    if (data != nullptr && isTexture && bytes == sizeof(IDirect3DBaseTexture9*)) {
        IDirect3DBaseTexture9* texture = nullptr;
        std::memcpy(&texture, data, sizeof texture);
        value = ObjectName(texture);
    } else if (data != nullptr) {
        // Numeric parameters are floats in every effect the demo uses.
        std::vector<float> values(bytes / sizeof(float));
        std::memcpy(values.data(), data, values.size() * sizeof(float));
        value = FloatList(values.data(), values.size());
    }
    return {"SetValue", {ObjectName(effect, "Effect"), Text(parameter), value, Number(bytes)}};
}

RecordedCall DeviceCallFormatter::EffectSetMatrix(const void* effect, const char* parameter,
                                                  const D3DMATRIX* matrix) {
    return {"SetMatrix", {ObjectName(effect, "Effect"), Text(parameter), Matrix(matrix)}};
}

RecordedCall DeviceCallFormatter::EffectSetFloat(const void* effect, const char* parameter, float value) {
    return {"SetFloat", {ObjectName(effect, "Effect"), Text(parameter), FloatText(value)}};
}

RecordedCall DeviceCallFormatter::EffectSetVector(const void* effect, const char* parameter,
                                                  const float* xyzw) {
    return {"SetVector",
            {ObjectName(effect, "Effect"), Text(parameter), xyzw == nullptr ? "null" : FloatList(xyzw, 4)}};
}

RecordedCall DeviceCallFormatter::EffectSetTexture(const void* effect, const char* parameter,
                                                   IDirect3DBaseTexture9* texture) {
    return {"SetTexture", {ObjectName(effect, "Effect"), Text(parameter), ObjectName(texture)}};
}

RecordedCall DeviceCallFormatter::EffectSetTechnique(const void* effect, const char* technique) {
    return {"SetTechnique", {ObjectName(effect, "Effect"), Text(technique)}};
}

RecordedCall DeviceCallFormatter::EffectBegin(const void* effect, DWORD flags) {
    return {"Begin", {ObjectName(effect, "Effect"), Hex(flags, 8)}};
}

RecordedCall DeviceCallFormatter::EffectBeginPass(const void* effect, UINT pass) {
    return {"BeginPass", {ObjectName(effect, "Effect"), Number(pass)}};
}

RecordedCall DeviceCallFormatter::EffectCall(const void* effect, const char* method) {
    return {method, {ObjectName(effect, "Effect")}};
}

RecordedCall DeviceCallFormatter::MeshDrawSubset(const void* mesh, DWORD attribute) {
    return {"DrawSubset", {ObjectName(mesh, "Mesh"), Number(attribute)}};
}

RecordedCall DeviceCallFormatter::StreamGetTime(const void* stream) {
    return {"FSOUND_Stream_GetTime", {ObjectName(stream, "Stream")}};
}

RecordedCall DeviceCallFormatter::WindowMessage(const char* function, HWND window, UINT message,
                                                WPARAM wParam, LPARAM lParam) {
    return {function,
            {ObjectName(window, "Window"), WindowMessageName(message),
             std::to_string(static_cast<unsigned long long>(wParam)),
             std::to_string(static_cast<long long>(lParam))}};
}
