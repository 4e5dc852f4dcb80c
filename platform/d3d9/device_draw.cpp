// The OpenGL device's state calls, Clear and draws: Direct3D state is kept as set and
// applied to GL when something is drawn.
#include "platform/d3d9/cube_texture.h"
#include "platform/d3d9/draw_range_check.h"
#include "platform/d3d9/format_info.h"
#include "platform/d3d9/gl_device.h"
#include "platform/d3d9/gl_interop.h"
#include "platform/d3d9/index_buffer.h"
#include "platform/d3d9/pixel_centre.h"
#include "platform/d3d9/texture.h"
#include "platform/d3d9/vertex_buffer.h"

#include <algorithm>
#include <cstring>

namespace {

float FloatFromBits(DWORD bits) {
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

constexpr GLenum compareFunctions[] = {GL_ALWAYS,  GL_NEVER,    GL_LESS,   GL_EQUAL, GL_LEQUAL,
                                       GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};

constexpr GLenum blendFactors[] = {GL_ONE,
                                   GL_ZERO,
                                   GL_ONE,
                                   GL_SRC_COLOR,
                                   GL_ONE_MINUS_SRC_COLOR,
                                   GL_SRC_ALPHA,
                                   GL_ONE_MINUS_SRC_ALPHA,
                                   GL_DST_ALPHA,
                                   GL_ONE_MINUS_DST_ALPHA,
                                   GL_DST_COLOR,
                                   GL_ONE_MINUS_DST_COLOR,
                                   GL_SRC_ALPHA_SATURATE};

constexpr GLenum blendOperations[] = {GL_FUNC_ADD, GL_FUNC_ADD, GL_FUNC_SUBTRACT, GL_FUNC_REVERSE_SUBTRACT,
                                      GL_MIN,      GL_MAX};

GLenum Compare(DWORD f) {
    return f < std::size(compareFunctions) ? compareFunctions[f] : GL_ALWAYS;
}
GLenum BlendFactor(DWORD f) {
    return f < std::size(blendFactors) ? blendFactors[f] : GL_ONE;
}
GLenum BlendOperation(DWORD op) {
    return op < std::size(blendOperations) ? blendOperations[op] : GL_FUNC_ADD;
}

bool HasAlphaChannel(D3DFORMAT format) {
    return format != D3DFMT_X8R8G8B8 && format != D3DFMT_X1R5G5B5 && format != D3DFMT_R5G6B5 &&
           format != D3DFMT_X8B8G8R8 && format != D3DFMT_X4R4G4B4;
}

// The GL primitive of a Direct3D primitive type; false for an unknown type.
bool Primitive(D3DPRIMITIVETYPE type, GLenum* mode) {
    switch (type) {
    case D3DPT_POINTLIST:
        *mode = GL_POINTS;
        return true;
    case D3DPT_LINELIST:
        *mode = GL_LINES;
        return true;
    case D3DPT_LINESTRIP:
        *mode = GL_LINE_STRIP;
        return true;
    case D3DPT_TRIANGLELIST:
        *mode = GL_TRIANGLES;
        return true;
    case D3DPT_TRIANGLESTRIP:
        *mode = GL_TRIANGLE_STRIP;
        return true;
    case D3DPT_TRIANGLEFAN:
        *mode = GL_TRIANGLE_FAN;
        return true;
    }
    return false;
}

TextureStorage* StorageOf(IDirect3DBaseTexture9* texture) {
    if (auto* t = dynamic_cast<GlTexture*>(texture)) {
        return &t->Storage();
    }
    if (auto* c = dynamic_cast<GlCubeTexture*>(texture)) {
        return &c->Storage();
    }
    return nullptr;
}

} // namespace

HRESULT GlDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    return state_.SetTransform(state, matrix);
}
HRESULT GlDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    return state_.GetTransform(state, matrix);
}
HRESULT GlDevice::SetViewport(const D3DVIEWPORT9* viewport) {
    if (viewport != nullptr &&
        (static_cast<unsigned long long>(viewport->X) + viewport->Width > parameters_.BackBufferWidth ||
         static_cast<unsigned long long>(viewport->Y) + viewport->Height > parameters_.BackBufferHeight)) {
        return D3DERR_INVALIDCALL;
    }
    return state_.SetViewport(viewport);
}
HRESULT GlDevice::GetViewport(D3DVIEWPORT9* viewport) {
    return state_.GetViewport(viewport);
}
HRESULT GlDevice::SetMaterial(const D3DMATERIAL9* material) {
    return state_.SetMaterial(material);
}
HRESULT GlDevice::GetMaterial(D3DMATERIAL9* material) {
    return state_.GetMaterial(material);
}
HRESULT GlDevice::SetLight(DWORD index, const D3DLIGHT9* light) {
    return state_.SetLight(index, light);
}
HRESULT GlDevice::GetLight(DWORD index, D3DLIGHT9* light) {
    return state_.GetLight(index, light);
}
HRESULT GlDevice::LightEnable(DWORD index, BOOL enable) {
    return state_.LightEnable(index, enable);
}
HRESULT GlDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    return state_.SetRenderState(state, value);
}
HRESULT GlDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    return state_.GetRenderState(state, value);
}
HRESULT GlDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    MakeCurrent(); // releasing the last reference of the old texture deletes GL objects
    return state_.SetTexture(stage, texture);
}
HRESULT GlDevice::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
    return state_.GetTexture(stage, texture);
}
HRESULT GlDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    return state_.SetTextureStageState(stage, type, value);
}
HRESULT GlDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    return state_.GetTextureStageState(stage, type, value);
}
HRESULT GlDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    return state_.SetSamplerState(sampler, type, value);
}
HRESULT GlDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    return state_.GetSamplerState(sampler, type, value);
}
HRESULT GlDevice::SetFVF(DWORD fvf) {
    state_.fvf = fvf;
    return D3D_OK;
}
HRESULT GlDevice::GetFVF(DWORD* fvf) {
    if (fvf == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *fvf = state_.fvf;
    return D3D_OK;
}
HRESULT GlDevice::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes,
                                  UINT stride) {
    MakeCurrent();
    return state_.SetStreamSource(streamNumber, streamData, offsetInBytes, stride);
}
HRESULT GlDevice::SetIndices(IDirect3DIndexBuffer9* indexData) {
    MakeCurrent();
    return state_.SetIndices(indexData);
}

void GlDevice::BindTarget() {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    const D3DVIEWPORT9& vp = state_.viewport;
    // Direct3D counts viewport rows from the top, the framebuffer from the bottom.
    glViewport(static_cast<GLint>(vp.X), static_cast<GLint>(parameters_.BackBufferHeight - vp.Y - vp.Height),
               static_cast<GLsizei>(vp.Width), static_cast<GLsizei>(vp.Height));
    GlDepthRange(vp.MinZ, vp.MaxZ);
}

void GlDevice::ApplyRenderStates() {
    const auto& rs = state_.renderStates;
    if (rs[D3DRS_ZENABLE] != D3DZB_FALSE && depthBuffer_ != 0) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(Compare(rs[D3DRS_ZFUNC]));
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(rs[D3DRS_ZWRITEENABLE] != FALSE ? GL_TRUE : GL_FALSE);
    if (rs[D3DRS_ALPHABLENDENABLE] != FALSE) {
        glEnable(GL_BLEND);
        const bool separate = rs[D3DRS_SEPARATEALPHABLENDENABLE] != FALSE;
        glBlendFuncSeparate(BlendFactor(rs[D3DRS_SRCBLEND]), BlendFactor(rs[D3DRS_DESTBLEND]),
                            BlendFactor(separate ? rs[D3DRS_SRCBLENDALPHA] : rs[D3DRS_SRCBLEND]),
                            BlendFactor(separate ? rs[D3DRS_DESTBLENDALPHA] : rs[D3DRS_DESTBLEND]));
        glBlendEquationSeparate(BlendOperation(rs[D3DRS_BLENDOP]),
                                BlendOperation(separate ? rs[D3DRS_BLENDOPALPHA] : rs[D3DRS_BLENDOP]));
    } else {
        glDisable(GL_BLEND);
    }
    // Direct3D's front faces wind clockwise on screen; D3DCULL_CCW drops the others.
    switch (rs[D3DRS_CULLMODE]) {
    case D3DCULL_NONE:
        glDisable(GL_CULL_FACE);
        break;
    case D3DCULL_CW:
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glCullFace(GL_BACK);
        break;
    default:
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CW);
        glCullFace(GL_BACK);
        break;
    }
    GlPolygonMode(static_cast<D3DFILLMODE>(rs[D3DRS_FILLMODE]));
    const DWORD mask = rs[D3DRS_COLORWRITEENABLE];
    // A back buffer without alpha keeps reading alpha 1, as the missing channel does.
    const bool alphaWrites = (mask & 8) != 0 && HasAlphaChannel(parameters_.BackBufferFormat);
    glColorMask((mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, alphaWrites);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_SCISSOR_TEST);
    const float pointSize = FloatFromBits(rs[D3DRS_POINTSIZE]);
    GlPointSize(pointSize >= 1.0f ? std::min(pointSize, 64.0f) : 1.0f);
}

bool GlDevice::ApplyVertexInput(UINT stride, UINT arrayBase) {
    const DeviceState::Stream& stream = state_.streams[0];
    auto* buffer = dynamic_cast<GlVertexBuffer*>(stream.buffer.Get());
    if (buffer == nullptr) {
        return false;
    }
    const DWORD fvf = state_.fvf;
    glBindVertexArray(vertexArray_);
    glBindBuffer(GL_ARRAY_BUFFER, buffer->Name());
    auto offset =
        static_cast<std::uintptr_t>(stream.offset) + static_cast<std::uintptr_t>(arrayBase) * stride;
    const auto at = [&offset]() { return reinterpret_cast<const void*>(offset); };
    const auto s = static_cast<GLsizei>(stride);
    using namespace GlInterop;
    constexpr GLuint specularLocation = AttributeSpecular;
    glEnableVertexAttribArray(AttributePosition);
    if ((fvf & D3DFVF_XYZRHW) != 0) {
        glVertexAttribPointer(AttributePosition, 4, GL_FLOAT, GL_FALSE, s, at());
        offset += 16;
    } else {
        glVertexAttribPointer(AttributePosition, 3, GL_FLOAT, GL_FALSE, s, at());
        offset += 12;
    }
    if ((fvf & D3DFVF_NORMAL) != 0) {
        glEnableVertexAttribArray(AttributeNormal);
        glVertexAttribPointer(AttributeNormal, 3, GL_FLOAT, GL_FALSE, s, at());
        offset += 12;
    } else {
        glDisableVertexAttribArray(AttributeNormal);
        glVertexAttrib4f(AttributeNormal, 0.0f, 0.0f, 0.0f, 0.0f);
    }
    if ((fvf & D3DFVF_PSIZE) != 0) {
        offset += 4;
    }
    if ((fvf & D3DFVF_DIFFUSE) != 0) {
        // D3DCOLOR lies in memory as B, G, R, A bytes.
        glEnableVertexAttribArray(AttributeDiffuse);
        glVertexAttribPointer(AttributeDiffuse, kD3dColorComponents, GL_UNSIGNED_BYTE, GL_TRUE, s, at());
        offset += 4;
    } else {
        glDisableVertexAttribArray(AttributeDiffuse);
        glVertexAttrib4f(AttributeDiffuse, 1.0f, 1.0f, 1.0f, 1.0f);
    }
    if ((fvf & D3DFVF_SPECULAR) != 0) {
        glEnableVertexAttribArray(specularLocation);
        glVertexAttribPointer(specularLocation, kD3dColorComponents, GL_UNSIGNED_BYTE, GL_TRUE, s, at());
        offset += 4;
    } else {
        glDisableVertexAttribArray(specularLocation);
        glVertexAttrib4f(specularLocation, 0.0f, 0.0f, 0.0f, 0.0f);
    }
    const UINT texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    static constexpr GLint floatsForBits[4] = {2, 3, 4, 1};
    const GLuint texLocations[2] = {AttributeTexCoord0, AttributeTexCoord1};
    for (UINT i = 0; i < 2; ++i) {
        if (i < texCount) {
            const GLint size = floatsForBits[(fvf >> (16 + i * 2)) & 3];
            glEnableVertexAttribArray(texLocations[i]);
            glVertexAttribPointer(texLocations[i], size, GL_FLOAT, GL_FALSE, s, at());
            offset += static_cast<std::uintptr_t>(size) * 4;
        } else {
            glDisableVertexAttribArray(texLocations[i]);
            glVertexAttrib4f(texLocations[i], 0.0f, 0.0f, 0.0f, 1.0f);
        }
    }
    return true;
}

bool GlDevice::PrepareDraw(UINT* stride, UINT arrayBase) {
    if (lost_ || framebuffer_ == 0) {
        return false;
    }
    MakeCurrent();
    *stride = DrawRangeCheck::StreamStride(state_);
    if (*stride == 0 || (state_.fvf & (D3DFVF_XYZ | D3DFVF_XYZRHW)) == 0) {
        return false;
    }
    BindTarget();
    ApplyRenderStates();
    if (!ApplyVertexInput(*stride, arrayBase)) {
        return false;
    }
    if (externalProgram_ != 0) {
        glUseProgram(externalProgram_);
        const PixelCentre::Shift shift = PixelCentre::ForViewport(state_.viewport, subpixelBits_);
        glUniform2f(externalShiftLocation_, shift.x, shift.y);
        return true;
    }
    TextureStorage* storage = StorageOf(state_.textures[0].Get());
    const bool textured = storage != nullptr && state_.stageStates[0][D3DTSS_COLOROP] != D3DTOP_DISABLE;
    if (textured) {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(storage->Target(), storage->Name());
        storage->ApplySamplerStates(state_.samplerStates[0]);
    }
    FixedFunctionInputs inputs;
    inputs.fvf = state_.fvf;
    inputs.hasTexture = textured;
    inputs.depthFixup = !clipControl_;
    inputs.targetWidth = parameters_.BackBufferWidth;
    inputs.targetHeight = parameters_.BackBufferHeight;
    inputs.subpixelBits = subpixelBits_;
    return shaders_.Use(state_, inputs);
}

HRESULT GlDevice::DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) {
    GLenum mode = 0;
    UINT vertices = 0;
    if (!Primitive(primitiveType, &mode) ||
        !DrawRangeCheck::ElementCount(primitiveType, primitiveCount, &vertices)) {
        return D3DERR_INVALIDCALL;
    }
    if (primitiveCount == 0) {
        return D3D_OK;
    }
    if (!dynamic_cast<GlVertexBuffer*>(state_.streams[0].buffer.Get()) ||
        FAILED(DrawRangeCheck::CheckVertices(state_, startVertex, vertices))) {
        return D3DERR_INVALIDCALL;
    }
    UINT stride = 0;
    if (!PrepareDraw(&stride)) {
        return D3DERR_INVALIDCALL;
    }
    glDrawArrays(mode, static_cast<GLint>(startVertex), static_cast<GLsizei>(vertices));
    return D3D_OK;
}

HRESULT GlDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex,
                                       UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                       UINT primitiveCount) {
    GLenum mode = 0;
    UINT indices = 0;
    if (!Primitive(primitiveType, &mode) ||
        !DrawRangeCheck::ElementCount(primitiveType, primitiveCount, &indices)) {
        return D3DERR_INVALIDCALL;
    }
    if (primitiveCount == 0) {
        return D3D_OK;
    }
    auto* indexBuffer = dynamic_cast<GlIndexBuffer*>(state_.indices.Get());
    if (indexBuffer == nullptr || !dynamic_cast<GlVertexBuffer*>(state_.streams[0].buffer.Get()) ||
        FAILED(DrawRangeCheck::CheckIndexedRanges(state_, baseVertexIndex, minVertexIndex, numVertices,
                                                  startIndex, indices))) {
        return D3DERR_INVALIDCALL;
    }
    // Direct3D leaves an index outside the stream to the hardware; GL would read past the
    // buffer, so such a draw is refused. The buffer's largest index settles most draws.
    const UINT streamVertices = DrawRangeCheck::StreamVertices(state_);
    const D3DFORMAT indexFormat = indexBuffer->Description().Format;
    if (static_cast<long long>(indexBuffer->LargestIndex()) + baseVertexIndex >= streamVertices &&
        !DrawRangeCheck::IndicesInside(indexBuffer->Data().data(), indexFormat, startIndex, indices,
                                       baseVertexIndex, streamVertices)) {
        return D3DERR_INVALIDCALL;
    }
    // ES has no base-vertex draw: there the attribute arrays start at the base vertex.
    if (kGlEs && baseVertexIndex < 0) {
        return D3DERR_INVALIDCALL;
    }
    UINT stride = 0;
    if (!PrepareDraw(&stride, kGlEs ? static_cast<UINT>(baseVertexIndex) : 0)) {
        return D3DERR_INVALIDCALL;
    }
    const UINT indexSize = indexFormat == D3DFMT_INDEX32 ? 4 : 2;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer->Name());
    GlDrawElementsBaseVertex(
        mode, static_cast<GLsizei>(indices), indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
        reinterpret_cast<const void*>(static_cast<std::uintptr_t>(startIndex) * indexSize), baseVertexIndex);
    return D3D_OK;
}

HRESULT GlDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                        DWORD stencil) {
    if (lost_ || framebuffer_ == 0) {
        return D3DERR_INVALIDCALL;
    }
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0 && depthBuffer_ == 0) {
        return D3DERR_INVALIDCALL;
    }
    MakeCurrent();
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    // Write masks are render state; a clear writes everything it is asked to.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFFFFFFFF);
    const bool alpha = HasAlphaChannel(parameters_.BackBufferFormat);
    glClearColor(((color >> 16) & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f, (color & 0xFF) / 255.0f,
                 alpha ? ((color >> 24) & 0xFF) / 255.0f : 1.0f);
    GlClearDepth(std::clamp(z, 0.0f, 1.0f));
    glClearStencil(static_cast<GLint>(stencil));
    GLbitfield bits = 0;
    if ((flags & D3DCLEAR_TARGET) != 0) {
        bits |= GL_COLOR_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_ZBUFFER) != 0) {
        bits |= GL_DEPTH_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_STENCIL) != 0 && parameters_.AutoDepthStencilFormat == D3DFMT_D24S8) {
        bits |= GL_STENCIL_BUFFER_BIT;
    }
    // Clear covers the viewport (or the given rectangles within it), not the whole buffer.
    const D3DVIEWPORT9& vp = state_.viewport;
    const D3DRECT whole{static_cast<LONG>(vp.X), static_cast<LONG>(vp.Y), static_cast<LONG>(vp.X + vp.Width),
                        static_cast<LONG>(vp.Y + vp.Height)};
    const DWORD rectCount = (count == 0 || rects == nullptr) ? 1 : count;
    glEnable(GL_SCISSOR_TEST);
    for (DWORD i = 0; i < rectCount; ++i) {
        const D3DRECT& r = (count == 0 || rects == nullptr) ? whole : rects[i];
        const LONG x1 = std::max(r.x1, whole.x1);
        const LONG y1 = std::max(r.y1, whole.y1);
        const LONG x2 = std::min(r.x2, whole.x2);
        const LONG y2 = std::min(r.y2, whole.y2);
        if (x2 <= x1 || y2 <= y1) {
            continue;
        }
        glScissor(x1, static_cast<GLint>(parameters_.BackBufferHeight) - y2, x2 - x1, y2 - y1);
        glClear(bits);
    }
    glDisable(GL_SCISSOR_TEST);
    return D3D_OK;
}
