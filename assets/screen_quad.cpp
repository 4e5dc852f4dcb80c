#include "assets/screen_quad.h"

#include "assets/texture_object.h"
#include "shell/device_holder.h"

namespace {

constexpr D3DCOLOR OpaqueWhite = 0xFFFFFFFF;

// Two triangles covering -0.5..0.5 in x and y at z = 0, texture origin at the top left.
constexpr QuadVertex UnitQuad[6] = {
    {-0.5f, 0.5f, 0.0f, OpaqueWhite, 0.0f, 0.0f}, {0.5f, 0.5f, 0.0f, OpaqueWhite, 1.0f, 0.0f},
    {0.5f, -0.5f, 0.0f, OpaqueWhite, 1.0f, 1.0f}, {-0.5f, 0.5f, 0.0f, OpaqueWhite, 0.0f, 0.0f},
    {0.5f, -0.5f, 0.0f, OpaqueWhite, 1.0f, 1.0f}, {-0.5f, -0.5f, 0.0f, OpaqueWhite, 0.0f, 1.0f},
};

} // namespace

void ScreenQuad::Init(int count) {
    vertexCount = count;
    holder = DeviceHolder::Get();
    IDirect3DDevice9* device = holder->device;
    if (device == nullptr || count <= 0) {
        return;
    }
    device->CreateVertexBuffer(static_cast<UINT>(count) * sizeof(QuadVertex), D3DUSAGE_DYNAMIC, QuadVertexFvf,
                               D3DPOOL_DEFAULT, &vertexBuffer, nullptr);
}

void ScreenQuad::Create(TextureObject* textureObject) {
    texture = textureObject;
    Init(6);
}

void ScreenQuad::FillUnit() {
    // Fewer than six vertices cannot hold the quad; a failed lock leaves the buffer as it was.
    if (vertexBuffer == nullptr || vertexCount < 6) {
        return;
    }
    void* data = nullptr;
    if (FAILED(vertexBuffer->Lock(0, 0, &data, 0)) || data == nullptr) {
        return;
    }
    locked = true;
    auto* vertices = static_cast<QuadVertex*>(data);
    for (int i = 0; i < 6; ++i) {
        vertices[i] = UnitQuad[i];
    }
    locked = false;
    vertexBuffer->Unlock();
}

void ScreenQuad::Draw() {
    IDirect3DDevice9* device = holder != nullptr ? holder->device : nullptr;
    if (device == nullptr) {
        return;
    }
    if (texture != nullptr) {
        texture->Bind(0);
    }
    device->SetStreamSource(0, vertexBuffer, 0, sizeof(QuadVertex));
    device->SetFVF(QuadVertexFvf);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(vertexCount / 3));
}

void Billboard::Draw() {
    IDirect3DDevice9* device = holder != nullptr ? holder->device : nullptr;
    if (device == nullptr || vertexBuffer == nullptr || vertexCount < 6) {
        return;
    }
    D3DMATRIX view{};
    device->GetTransform(D3DTS_VIEW, &view);
    // The camera's right and up axes in world space are the view matrix's first two columns.
    const D3DXVECTOR3 right(view._11 * halfWidth, view._21 * halfWidth, view._31 * halfWidth);
    const D3DXVECTOR3 up(view._12 * halfHeight, view._22 * halfHeight, view._32 * halfHeight);
    const D3DXVECTOR3& p = position;
    auto corner = [&](float r, float u, float tu, float tv) {
        return QuadVertex{p.x + r * right.x + u * up.x,
                          p.y + r * right.y + u * up.y,
                          p.z + r * right.z + u * up.z,
                          OpaqueWhite,
                          tu,
                          tv};
    };
    void* data = nullptr;
    if (SUCCEEDED(vertexBuffer->Lock(0, 0, &data, 0)) && data != nullptr) {
        locked = true;
        auto* vertices = static_cast<QuadVertex*>(data);
        vertices[0] = corner(-1, -1, 0, 0);
        vertices[1] = corner(1, -1, 1, 0);
        vertices[2] = corner(1, 1, 1, 1);
        vertices[3] = corner(-1, -1, 0, 0);
        vertices[4] = corner(1, 1, 1, 1);
        vertices[5] = corner(-1, 1, 0, 1);
        locked = false;
        vertexBuffer->Unlock();
    }
    ScreenQuad::Draw();
}

void OverlayState() {
    IDirect3DDevice9* device = DeviceHolder::Get()->device;
    if (device == nullptr) {
        return;
    }
    D3DXMATRIX projection;
    D3DXMatrixOrthoLH(&projection, 1.0f, 1.0f, 0.0f, 1.0f);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_WORLD, &identity);

    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);

    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0x00202020);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
}
