#include "platform/d3d9/recording_device.h"
#include "platform/d3d9/tracing_device.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/fs/windows_path.h"
#include "platform/trace/call_trace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

class RecordingDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override { device = new RecordingDevice(); }
    void TearDown() override { device->Release(); }
    RecordingDevice* device = nullptr;
};

TEST_F(RecordingDeviceTest, RecordsCallsInOrderAsJson) {
    device->SetRenderState(D3DRS_ZENABLE, 1);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF102030);
    device->SetFVF(0x142);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
    const std::vector<std::string> lines = device->JsonLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], R"({"call":"SetRenderState","args":["D3DRS_ZENABLE","1"]})");
    EXPECT_EQ(lines[1], R"({"call":"SetRenderState","args":["D3DRS_AMBIENT","0xFF102030"]})");
    EXPECT_EQ(lines[2], R"({"call":"SetFVF","args":["0x142"]})");
    EXPECT_EQ(lines[3], R"({"call":"DrawPrimitive","args":["D3DPT_TRIANGLELIST","0","2"]})");
    device->ClearCalls();
    EXPECT_TRUE(device->Calls().empty());
}

TEST_F(RecordingDeviceTest, GettersReturnWhatWasSetAndDefaultsOtherwise) {
    DWORD value = 0;
    device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_CCW));
    device->GetRenderState(D3DRS_LIGHTING, &value);
    EXPECT_EQ(value, static_cast<DWORD>(TRUE));
    device->GetTextureStageState(0, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE));
    device->GetTextureStageState(1, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_DISABLE));

    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_NONE));

    D3DMATRIX m{};
    for (int i = 0; i < 16; ++i) {
        m.m[i / 4][i % 4] = static_cast<float>(i);
    }
    device->SetTransform(D3DTS_VIEW, &m);
    D3DMATRIX back{};
    device->GetTransform(D3DTS_VIEW, &back);
    EXPECT_EQ(std::memcmp(&m, &back, sizeof m), 0);

    D3DLIGHT9 light{};
    EXPECT_EQ(device->GetLight(3, &light), D3DERR_INVALIDCALL);
    device->LightEnable(3, TRUE);
    ASSERT_EQ(device->GetLight(3, &light), D3D_OK);
    EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(light.Direction.z, 1.0f);

    D3DVIEWPORT9 viewport{};
    device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 800u);
    EXPECT_EQ(viewport.Height, 600u);
}

TEST_F(RecordingDeviceTest, BufferLockGivesBackWhatWasWritten) {
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(48, D3DUSAGE_DYNAMIC, 0x042, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
    void* data = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    std::memset(data, 0xAB, 48);
    vb->Unlock();
    ASSERT_EQ(vb->Lock(40, 8, &data, 0), D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(data)[7], 0xAB);
    vb->Unlock();
    EXPECT_EQ(vb->Lock(40, 16, &data, 0), D3DERR_INVALIDCALL);
    D3DVERTEXBUFFER_DESC desc{};
    vb->GetDesc(&desc);
    EXPECT_EQ(desc.Size, 48u);
    EXPECT_EQ(desc.FVF, 0x042u);
    const auto locks = device->CallsNamed("Lock");
    ASSERT_EQ(locks.size(), 3u);
    EXPECT_EQ(locks[0].args[0], "VertexBuffer#1");
    vb->Release();
}

TEST_F(RecordingDeviceTest, TextureLevelsHaveMipSizesAndLockablePixels) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 4, 0, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 5u);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(3, &desc);
    EXPECT_EQ(desc.Width, 2u);
    EXPECT_EQ(desc.Height, 1u);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 32); // four DXT1 blocks of eight bytes
    static_cast<BYTE*>(locked.pBits)[0] = 7;
    texture->UnlockRect(0);
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(0, &surface), D3D_OK);
    texture->Release(); // the surface keeps its texture alive
    ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(locked.pBits)[0], 7);
    surface->UnlockRect();
    surface->Release();
}

TEST_F(RecordingDeviceTest, BindingsHoldReferencesResourcesDoNotHoldTheDevice) {
    EXPECT_EQ(device->ReferenceCount(), 1u);
    IDirect3DTexture9* texture = nullptr;
    device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
    EXPECT_EQ(device->ReferenceCount(), 1u); // a resource does not keep its device
    device->SetTexture(0, texture);
    EXPECT_EQ(texture->AddRef(), 3u); // ours, the binding's, this AddRef
    texture->Release();
    IDirect3DBaseTexture9* bound = nullptr;
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, texture);
    EXPECT_EQ(bound->Release(), 2u);
    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(texture->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner, device);
    EXPECT_EQ(device->ReferenceCount(), 2u); // GetDevice's reference counts
    owner->Release();
    device->SetTexture(0, nullptr);
    EXPECT_EQ(texture->Release(), 0u);
    EXPECT_EQ(device->ReferenceCount(), 1u);
}

TEST(RecordingDeviceLifetime, MeshesAndEffectsDoNotHoldTheDevice) {
    auto* device = new RecordingDevice();
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(2, 4, D3DXMESH_MANAGED, D3DFVF_XYZ, device, &mesh), D3D_OK);
    ID3DXEffect* effect = nullptr;
    const std::wstring path = WindowsPath::Widen(std::string(QUILLMOOR_TEST_DATA) + "/fx/two_pass.fx");
    ASSERT_EQ(D3DXCreateEffectFromFileW(device, path.c_str(), nullptr, nullptr, 0, nullptr, &effect, nullptr),
              D3D_OK);
    EXPECT_EQ(device->ReferenceCount(), 1u);
    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(mesh->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(device->ReferenceCount(), 2u);
    owner->Release();
    // A leak still shows: the device is released with an explicit reference left.
    device->AddRef();
    EXPECT_EQ(device->Release(), 1u);
    EXPECT_EQ(device->Release(), 0u);
    // Everything made on it outlives it harmlessly.
    EXPECT_EQ(mesh->GetDevice(&owner), D3DERR_INVALIDCALL);
    EXPECT_EQ(owner, nullptr);
    UINT passes = 0;
    EXPECT_EQ(effect->Begin(&passes, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->Release(), 0u);
    EXPECT_EQ(mesh->Release(), 0u);
}

TEST(RecordingDeviceLifetime, ResourcesReleasedAfterTheDeviceDoNoHarm) {
    auto* device = new RecordingDevice();
    IDirect3DTexture9* texture = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateVertexBuffer(48, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
    device->SetTexture(0, texture);
    device->SetStreamSource(0, vb, 0, 12);
    EXPECT_EQ(device->Release(), 0u); // the bindings go with it
    void* data = nullptr;
    EXPECT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK); // plain memory, no call log any more
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    IDirect3DDevice9* owner = nullptr;
    EXPECT_EQ(texture->GetDevice(&owner), D3DERR_INVALIDCALL);
    EXPECT_EQ(level->Release(), 0u); // and gives back its texture
    EXPECT_EQ(texture->Release(), 0u);
    EXPECT_EQ(vb->Release(), 0u);
}

TEST_F(RecordingDeviceTest, InjectedResultIsReturnedAndCallStillRecorded) {
    device->SetCallResult("TestCooperativeLevel", D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    device->SetCallResult("TestCooperativeLevel", D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device->CallsNamed("TestCooperativeLevel").size(), 2u);
}

TEST_F(RecordingDeviceTest, ResetTakesNewSizeAndRestoresDefaultStates) {
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    D3DPRESENT_PARAMETERS p = device->PresentParameters();
    p.BackBufferWidth = 1024;
    p.BackBufferHeight = 768;
    ASSERT_EQ(device->Reset(&p), D3D_OK);
    DWORD lighting = 0;
    device->GetRenderState(D3DRS_LIGHTING, &lighting);
    EXPECT_EQ(lighting, static_cast<DWORD>(TRUE));
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DSURFACE_DESC desc{};
    back->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 1024u);
    EXPECT_EQ(desc.Height, 768u);
    back->Release();
}

TEST_F(RecordingDeviceTest, SceneBracketsMustPair) {
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->EndScene(), D3D_OK);
}

TEST(TracingDevice, ForwardsAndWritesOneLinePerCallWithFrameAndTime) {
    RecordingDevice* inner = new RecordingDevice();
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    ASSERT_NE(out, nullptr);
    CallTrace::SetOutput(out);
    CallTrace::SetFrame(12, 3.25f);
    CallTrace::SetEnabled(true);
    TracingDevice* tracing = new TracingDevice(inner);
    tracing->SetRenderState(D3DRS_ZENABLE, 1);
    inner->SetCallResult("Present", D3DERR_DEVICELOST);
    EXPECT_EQ(tracing->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    CallTrace::SetEnabled(false);
    tracing->SetRenderState(D3DRS_ZENABLE, 0);
    DWORD value = 7;
    inner->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(tracing->Release(), 0u);
    CallTrace::SetOutput(nullptr);
    std::fclose(out);
    EXPECT_EQ(std::string(text, size),
              "{\"frame\":12,\"t\":3.25,\"call\":\"IDirect3DDevice9::SetRenderState\","
              "\"args\":[\"D3DRS_ZENABLE\",\"1\"]}\n"
              "{\"frame\":12,\"t\":3.25,\"call\":\"IDirect3DDevice9::Present\","
              "\"args\":[\"null\",\"null\",\"null\",\"null\"],\"result\":\"0x88760868\"}\n");
    std::free(text);
    EXPECT_EQ(inner->Release(), 0u);
}

// The reflected CRC-32 (polynomial 0xEDB88320) bit by bit, as its definition states it.
unsigned ReferenceCrc32(const std::vector<unsigned char>& bytes) {
    unsigned crc = 0xFFFFFFFFu;
    for (const unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ ((crc & 1u) != 0 ? 0xEDB88320u : 0u);
        }
    }
    return ~crc;
}

// Unlock shows what was written: up to 4096 bytes as hex, a larger range by its CRC-32.
TEST(DeviceCallFormatter, UnlockBytesAreHexUpTo4096AndACrcAbove) {
    EXPECT_EQ(ReferenceCrc32({'1', '2', '3', '4', '5', '6', '7', '8', '9'}), 0xCBF43926u);
    for (const size_t size : {size_t{4}, size_t{4096}, size_t{4097}}) {
        std::vector<unsigned char> bytes(size);
        for (size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<unsigned char>(i * 37 + 11);
        }
        std::string expected;
        if (size <= 4096) {
            for (const unsigned char byte : bytes) {
                char pair[3];
                std::snprintf(pair, sizeof pair, "%02x", byte);
                expected += pair;
            }
        } else {
            char crc[16];
            std::snprintf(crc, sizeof crc, "%08X", ReferenceCrc32(bytes));
            expected = std::string("crc32:") + crc;
        }
        DeviceCallFormatter formatter;
        const RecordedCall call = formatter.UnlockBytes(nullptr, 8, bytes.data(), static_cast<UINT>(size));
        EXPECT_EQ(call.name, "Unlock");
        EXPECT_EQ(call.args, (std::vector<std::string>{"null", "8", std::to_string(size), expected})) << size;
    }
}

} // namespace
