// A billboard under a camera rolled about its view axis stays parallel to the screen: its
// picture is an axis-aligned rectangle whose size is the billboard's in view units.

#include <cmath>
#include <string>

#include "assets/screen_quad.h"
#include "assets/texture_object.h"
#include "tests/assets/asset_gl_test_fixture.h"

namespace {

using GlTest::Rgb;

constexpr Rgb Colour = {230, 180, 40};
constexpr Rgb Background = {20, 30, 60};

class BillboardGlTest : public AssetGlTest {};

TEST_F(BillboardGlTest, StaysParallelToTheScreenUnderARolledCamera) {
    const Rgb texels[1][1] = {{Colour}};
    Texture2D texture;
    texture.texture = MakeTexture(texels);
    Billboard billboard;
    billboard.Create(&texture);
    billboard.position = {1.0f, 2.0f, 3.0f};
    billboard.halfWidth = 1.0f;
    billboard.halfHeight = 0.5f;

    D3DXMATRIX identity, projection;
    D3DXMatrixIdentity(&identity);
    // 4 x 4 view units over 64 x 64 pixels: the billboard is 32 x 16 pixels around the centre.
    D3DXMatrixOrthoLH(&projection, 4.0f, 4.0f, 0.1f, 20.0f);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);

    for (float rollDegrees : {0.0f, 30.0f, 90.0f, 135.0f}) {
        SCOPED_TRACE("roll " + std::to_string(rollDegrees));
        const float roll = rollDegrees * 3.14159265f / 180.0f;
        // Looking at the billboard along a slanted line, with the up vector turned by the roll.
        const D3DXVECTOR3 at = billboard.position;
        const D3DXVECTOR3 eye{at.x - 3.0f, at.y + 2.0f, at.z - 6.0f};
        auto normalize = [](D3DXVECTOR3 v) {
            const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
            return D3DXVECTOR3{v.x / length, v.y / length, v.z / length};
        };
        auto cross = [](const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
            return D3DXVECTOR3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
        };
        const D3DXVECTOR3 forward = normalize({at.x - eye.x, at.y - eye.y, at.z - eye.z});
        const D3DXVECTOR3 right = normalize(cross({0, 1, 0}, forward));
        const D3DXVECTOR3 up = cross(forward, right);
        const float c = std::cos(roll), s = std::sin(roll);
        const D3DXVECTOR3 rolledUp{up.x * c - right.x * s, up.y * c - right.y * s, up.z * c - right.z * s};
        D3DXMATRIX view;
        D3DXMatrixLookAtLH(&view, &eye, &at, &rolledUp);
        device->SetTransform(D3DTS_VIEW, &view);

        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                      D3DCOLOR_XRGB(Background.r, Background.g, Background.b), 1.0f, 0);
        device->BeginScene();
        billboard.Draw();
        device->EndScene();

        // Pixels 16..47 across and 24..39 down; two pixels in from each edge is inside, two
        // out is outside, all along every edge.
        for (UINT x = 18; x <= 45; x += 3) {
            GlTest::ExpectNear(ReadPixel(x, 26), Colour, 2, "top edge in, x " + std::to_string(x));
            GlTest::ExpectNear(ReadPixel(x, 37), Colour, 2, "bottom edge in, x " + std::to_string(x));
            GlTest::ExpectNear(ReadPixel(x, 21), Background, 2, "above, x " + std::to_string(x));
            GlTest::ExpectNear(ReadPixel(x, 42), Background, 2, "below, x " + std::to_string(x));
        }
        for (UINT y = 26; y <= 37; y += 3) {
            GlTest::ExpectNear(ReadPixel(18, y), Colour, 2, "left edge in, y " + std::to_string(y));
            GlTest::ExpectNear(ReadPixel(45, y), Colour, 2, "right edge in, y " + std::to_string(y));
            GlTest::ExpectNear(ReadPixel(13, y), Background, 2, "left of it, y " + std::to_string(y));
            GlTest::ExpectNear(ReadPixel(50, y), Background, 2, "right of it, y " + std::to_string(y));
        }
    }
    billboard.vertexBuffer->Release();
    texture.texture->Release();
    texture.texture = nullptr;
}

} // namespace
