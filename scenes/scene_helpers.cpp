#include "scenes/scene_helpers.h"

namespace {

constexpr float FrameOverlayU = 0.78125f;   // 800 / 1024
constexpr float FrameOverlayV = 0.5859375f; // 600 / 1024
constexpr float FrameOverlayUv[6][2] = {
    {0, 0},
    {FrameOverlayU, 0},
    {FrameOverlayU, FrameOverlayV},
    {0, 0},
    {FrameOverlayU, FrameOverlayV},
    {0, FrameOverlayV},
};

} // namespace

DWORD SceneHelpers::ColourByte(float value) {
    if (value >= 1.0f) {
        return 255;
    }
    if (value <= 0.0f) {
        return 0;
    }
    return static_cast<DWORD>(value * 255.0f + 0.5f);
}

D3DCOLOR SceneHelpers::PackColour(float r, float g, float b, float a) {
    return (ColourByte(a) << 24) | (ColourByte(r) << 16) | (ColourByte(g) << 8) | ColourByte(b);
}

D3DXVECTOR3 SceneHelpers::PixelToOverlay(float x, float y) {
    return D3DXVECTOR3(x * 0.00125f - 0.5f, (600.0f - y) * 0.0016666667f - 0.5f, 0.0f);
}

void SceneHelpers::SetQuadColour(ScreenQuad* quad, D3DCOLOR colour) {
    QuadVertex* vertices = nullptr;
    if (quad->vertexBuffer == nullptr ||
        FAILED(quad->vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        return;
    }
    quad->locked = true;
    for (int i = 0; i < quad->vertexCount; ++i) {
        vertices[i].colour = colour;
    }
    quad->locked = false;
    quad->vertexBuffer->Unlock();
}

void SceneHelpers::SetQuadCorners(ScreenQuad* quad, float left, float top, float right, float bottom) {
    const D3DXVECTOR3 corners[6] = {
        PixelToOverlay(left, top), PixelToOverlay(right, top),    PixelToOverlay(right, bottom),
        PixelToOverlay(left, top), PixelToOverlay(right, bottom), PixelToOverlay(left, bottom),
    };
    QuadVertex* vertices = nullptr;
    if (quad->vertexBuffer == nullptr ||
        FAILED(quad->vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        return;
    }
    quad->locked = true;
    for (int i = 0; i < 6; ++i) {
        vertices[i].x = corners[i].x;
        vertices[i].y = corners[i].y;
        vertices[i].z = corners[i].z;
    }
    quad->locked = false;
    quad->vertexBuffer->Unlock();
}

ScreenQuad* SceneHelpers::CreateFrameOverlay(TextureObject* texture) {
    auto* quad = new ScreenQuad();
    quad->Create(texture);
    quad->FillUnit();
    QuadVertex* vertices = nullptr;
    if (quad->vertexBuffer != nullptr &&
        SUCCEEDED(quad->vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        quad->locked = true;
        for (int i = 0; i < 6; ++i) {
            vertices[i].u = FrameOverlayUv[i][0];
            vertices[i].v = FrameOverlayUv[i][1];
        }
        quad->locked = false;
        quad->vertexBuffer->Unlock();
    }
    return quad;
}

ScreenQuad* SceneHelpers::CreateFadeQuad(TextureObject* texture) {
    auto* quad = new ScreenQuad();
    quad->Create(texture);
    quad->FillUnit();
    SetQuadColour(quad, 0x00FFFFFF);
    return quad;
}

std::vector<D3DXVECTOR3> SceneHelpers::ReadPositions(IDirect3DVertexBuffer9* vertexBuffer, std::size_t count,
                                                     UINT stride) {
    std::vector<D3DXVECTOR3> positions;
    BYTE* vertices = nullptr;
    if (vertexBuffer == nullptr || FAILED(vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        return positions;
    }
    positions.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto* p = reinterpret_cast<const float*>(vertices + i * stride);
        positions[i] = D3DXVECTOR3(p[0], p[1], p[2]);
    }
    vertexBuffer->Unlock();
    return positions;
}

void SceneHelpers::SetRoomLights(IDirect3DDevice9* device, std::span<const RoomLight> lights, float ambient) {
    for (DWORD index = 0; index < lights.size(); ++index) {
        const RoomLight& room = lights[index];
        D3DLIGHT9 light{};
        light.Type = D3DLIGHT_POINT;
        light.Diffuse = {room.diffuse.r, room.diffuse.g, room.diffuse.b, 0.0f};
        light.Specular = {0.0f, 0.0f, 0.0f, 0.0f};
        light.Ambient = {ambient, ambient, ambient, 0.0f};
        light.Position = room.position;
        light.Range = 21000.0f;
        light.Falloff = 0.0f;
        light.Attenuation0 = room.attenuation;
        light.Attenuation1 = room.attenuation;
        light.Attenuation2 = room.attenuation;
        device->SetLight(index, &light);
        device->LightEnable(index, TRUE);
    }
}

void SceneHelpers::SetLinearSampling(IDirect3DDevice9* device) {
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
}

void SceneHelpers::BeginAdditive(IDirect3DDevice9* device) {
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
}

void SceneHelpers::EndAdditive(IDirect3DDevice9* device) {
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
}
