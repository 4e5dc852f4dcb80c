#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/d3d9/recording_device.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/x_file_parser.h"
#include "platform/d3dx9/x_mesh_builder.h"
#include "platform/fs/windows_path.h"
#include "tests/temp_directory.h"
#include <unistd.h>

namespace {

struct Vertex {
    float x, y, z, nx, ny, nz, u, v;
};

std::wstring Fixture(const char* name) {
    return WindowsPath::Widen(std::string(QUILLMOOR_TEST_DATA) + "/x/" + name);
}

std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
    std::ifstream in(WindowsPath::Narrow(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class LoadMeshTest : public ::testing::Test {
  protected:
    void SetUp() override { device = new RecordingDevice(); }
    void TearDown() override { device->Release(); }

    std::vector<Vertex> Vertices(ID3DXMesh* mesh) {
        void* data = nullptr;
        EXPECT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
        std::vector<Vertex> out(mesh->GetNumVertices());
        std::memcpy(out.data(), data, out.size() * sizeof(Vertex));
        mesh->UnlockVertexBuffer();
        return out;
    }
    std::vector<DWORD> Indices(ID3DXMesh* mesh) {
        void* data = nullptr;
        EXPECT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
        std::vector<DWORD> out(mesh->GetNumFaces() * 3);
        for (size_t i = 0; i < out.size(); ++i) {
            out[i] = (mesh->GetOptions() & D3DXMESH_32BIT) ? static_cast<DWORD*>(data)[i]
                                                           : static_cast<WORD*>(data)[i];
        }
        mesh->UnlockIndexBuffer();
        return out;
    }
    std::vector<DWORD> Attributes(ID3DXMesh* mesh) {
        DWORD* data = nullptr;
        EXPECT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &data), D3D_OK);
        std::vector<DWORD> out(data, data + mesh->GetNumFaces());
        mesh->UnlockAttributeBuffer();
        return out;
    }

    RecordingDevice* device = nullptr;
};

// two_materials.x worked by hand: the quad (0,3,2,1) fans into (0,3,2) and (0,2,1) with
// normal 0; the triangle (1,2,4) has normal 1, so vertices 1 and 2 split into 5 and 6
// while 4, first used here, keeps its index.
const Vertex kTwoMaterialVertices[] = {
    {0, 0, 0, 0, 0, -1, 0, 1}, {1, 0, 0, 0, 0, -1, 1, 1},      {1, 1, 0, 0, 0, -1, 1, 0},
    {0, 1, 0, 0, 0, -1, 0, 0}, {2, 0, 0, 1, 0, 0, 0.5f, 0.5f}, {1, 0, 0, 1, 0, 0, 1, 1},
    {1, 1, 0, 1, 0, 0, 1, 0},
};
const DWORD kTwoMaterialIndices[] = {0, 3, 2, 0, 2, 1, 5, 6, 4};
const DWORD kTwoMaterialAttributes[] = {1, 1, 0};

class TwoMaterialsFile : public LoadMeshTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(TwoMaterialsFile, GivesHandComputedVerticesFacesAndMaterials) {
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 99;
    ASSERT_EQ(D3DXLoadMeshFromXW(Fixture(GetParam()).c_str(), D3DXMESH_SYSTEMMEM, device, nullptr, &materials,
                                 nullptr, &count, &mesh),
              D3D_OK);
    EXPECT_EQ(mesh->GetFVF(), D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    EXPECT_EQ(mesh->GetNumBytesPerVertex(), 32u);
    ASSERT_EQ(mesh->GetNumVertices(), 7u);
    ASSERT_EQ(mesh->GetNumFaces(), 3u);
    const auto vertices = Vertices(mesh);
    for (size_t i = 0; i < vertices.size(); ++i) {
        const float* got = &vertices[i].x;
        const float* want = &kTwoMaterialVertices[i].x;
        for (int c = 0; c < 8; ++c) {
            EXPECT_FLOAT_EQ(got[c], want[c]) << "vertex " << i << " component " << c;
        }
    }
    EXPECT_EQ(Indices(mesh),
              std::vector<DWORD>(std::begin(kTwoMaterialIndices), std::end(kTwoMaterialIndices)));
    EXPECT_EQ(Attributes(mesh),
              std::vector<DWORD>(std::begin(kTwoMaterialAttributes), std::end(kTwoMaterialAttributes)));

    ASSERT_EQ(count, 2u);
    const auto* m = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    EXPECT_FLOAT_EQ(m[0].MatD3D.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(m[0].MatD3D.Diffuse.g, 0.0f);
    EXPECT_FLOAT_EQ(m[0].MatD3D.Diffuse.a, 1.0f);
    EXPECT_FLOAT_EQ(m[0].MatD3D.Power, 8.0f);
    EXPECT_FLOAT_EQ(m[0].MatD3D.Specular.r, 0.5f);
    ASSERT_NE(m[0].pTextureFilename, nullptr);
    EXPECT_STREQ(m[0].pTextureFilename, "red.png");
    EXPECT_FLOAT_EQ(m[1].MatD3D.Diffuse.g, 1.0f);
    EXPECT_FLOAT_EQ(m[1].MatD3D.Diffuse.a, 0.5f);
    EXPECT_FLOAT_EQ(m[1].MatD3D.Power, 2.0f);
    EXPECT_FLOAT_EQ(m[1].MatD3D.Emissive.g, 0.2f);
    EXPECT_FLOAT_EQ(m[1].MatD3D.Emissive.b, 0.3f);
    EXPECT_EQ(m[1].pTextureFilename, nullptr);
    materials->Release();
    EXPECT_EQ(mesh->Release(), 0u);
}

INSTANTIATE_TEST_SUITE_P(TextBinaryCompressed, TwoMaterialsFile,
                         ::testing::Values("two_materials.x", "two_materials_bin.x", "two_materials_bzip.x"));

TEST_F(LoadMeshTest, DrawSubsetDrawsEachRunOfTheSubsetsFaces) {
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromXW(Fixture("two_materials.x").c_str(), D3DXMESH_SYSTEMMEM, device, nullptr,
                                 nullptr, nullptr, nullptr, &mesh),
              D3D_OK);
    device->ClearCalls();
    EXPECT_EQ(mesh->DrawSubset(0), D3D_OK);
    EXPECT_EQ(mesh->DrawSubset(1), D3D_OK);
    EXPECT_EQ(mesh->DrawSubset(7), D3D_OK);
    const auto draws = device->CallsNamed("DrawIndexedPrimitive");
    ASSERT_EQ(draws.size(), 2u);
    // Subset 0 is face 2 (vertices 4..6); subset 1 is faces 0 and 1 (vertices 0..3).
    EXPECT_EQ(draws[0].args, (std::vector<std::string>{"D3DPT_TRIANGLELIST", "0", "4", "3", "6", "1"}));
    EXPECT_EQ(draws[1].args, (std::vector<std::string>{"D3DPT_TRIANGLELIST", "0", "0", "4", "0", "2"}));
    // Each drawing subset sets its vertex format, stream and indices first.
    const auto calls = device->Calls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[0].name, "SetFVF");
    EXPECT_EQ(calls[0].args[0], "0x112");
    EXPECT_EQ(calls[1].name, "SetStreamSource");
    EXPECT_EQ(calls[2].name, "SetIndices");
    EXPECT_EQ(calls[3].name, "DrawIndexedPrimitive");
    EXPECT_EQ(device->CallsNamed("SetFVF").size(), 2u);
    mesh->Release();
}

TEST_F(LoadMeshTest, AttributeSortMakesEachMaterialContiguous) {
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromXW(Fixture("two_materials.x").c_str(), D3DXMESH_SYSTEMMEM, device, nullptr,
                                 nullptr, nullptr, nullptr, &mesh),
              D3D_OK);
    ID3DXMesh* sorted = nullptr;
    DWORD faceRemap[3] = {};
    ID3DXBuffer* vertexRemap = nullptr;
    ASSERT_EQ(mesh->Optimize(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, faceRemap, &vertexRemap, &sorted),
              D3D_OK);
    // Faces sorted stably by attribute: old 2, 0, 1; vertices in first use: 5,6,4,0,3,2,1.
    EXPECT_EQ(std::vector<DWORD>(faceRemap, faceRemap + 3), (std::vector<DWORD>{2, 0, 1}));
    const auto* remap = static_cast<const DWORD*>(vertexRemap->GetBufferPointer());
    EXPECT_EQ(std::vector<DWORD>(remap, remap + 7), (std::vector<DWORD>{5, 6, 4, 0, 3, 2, 1}));
    EXPECT_EQ(Indices(sorted), (std::vector<DWORD>{0, 1, 2, 3, 4, 5, 3, 5, 6}));
    EXPECT_EQ(Attributes(sorted), (std::vector<DWORD>{0, 1, 1}));
    const auto vertices = Vertices(sorted);
    EXPECT_FLOAT_EQ(vertices[0].x, 1.0f);
    EXPECT_FLOAT_EQ(vertices[0].nx, 1.0f);
    EXPECT_FLOAT_EQ(vertices[2].x, 2.0f);

    DWORD size = 0;
    ASSERT_EQ(sorted->GetAttributeTable(nullptr, &size), D3D_OK);
    ASSERT_EQ(size, 2u);
    D3DXATTRIBUTERANGE table[2];
    sorted->GetAttributeTable(table, &size);
    EXPECT_EQ(table[0].AttribId, 0u);
    EXPECT_EQ(table[0].FaceStart, 0u);
    EXPECT_EQ(table[0].FaceCount, 1u);
    EXPECT_EQ(table[0].VertexStart, 0u);
    EXPECT_EQ(table[0].VertexCount, 3u);
    EXPECT_EQ(table[1].AttribId, 1u);
    EXPECT_EQ(table[1].FaceStart, 1u);
    EXPECT_EQ(table[1].FaceCount, 2u);
    EXPECT_EQ(table[1].VertexStart, 3u);
    EXPECT_EQ(table[1].VertexCount, 4u);

    device->ClearCalls();
    sorted->DrawSubset(1);
    const auto draws = device->CallsNamed("DrawIndexedPrimitive");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].args, (std::vector<std::string>{"D3DPT_TRIANGLELIST", "0", "3", "4", "3", "2"}));
    vertexRemap->Release();
    sorted->Release();
    mesh->Release();
}

TEST_F(LoadMeshTest, CloneMeshFvfConvertsAndZeroFillsComponents) {
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromXW(Fixture("two_materials.x").c_str(), D3DXMESH_SYSTEMMEM, device, nullptr,
                                 nullptr, nullptr, nullptr, &mesh),
              D3D_OK);
    const struct {
        DWORD fvf;
        UINT stride;
    } cases[] = {{0x112, 32}, {0x212, 40}, {0x012, 24}, {0x002, 12}, {0x102, 20}};
    for (const auto& c : cases) {
        ID3DXMesh* clone = nullptr;
        ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_MANAGED | D3DXMESH_32BIT, c.fvf, device, &clone), D3D_OK);
        ASSERT_EQ(clone->GetNumBytesPerVertex(), c.stride);
        EXPECT_EQ(clone->GetFVF(), c.fvf);
        EXPECT_EQ(Indices(clone), Indices(mesh));
        EXPECT_EQ(Attributes(clone), Attributes(mesh));
        void* data = nullptr;
        clone->LockVertexBuffer(D3DLOCK_READONLY, &data);
        const float* v4 = reinterpret_cast<const float*>(static_cast<const char*>(data) + 4 * c.stride);
        EXPECT_FLOAT_EQ(v4[0], 2.0f) << std::hex << c.fvf;
        if (c.fvf & D3DFVF_NORMAL) {
            EXPECT_FLOAT_EQ(v4[3], 1.0f);
        }
        if (c.fvf == 0x102) {
            EXPECT_FLOAT_EQ(v4[3], 0.5f); // uv follows the position directly
        }
        if (c.fvf == 0x212) {
            EXPECT_FLOAT_EQ(v4[6], 0.5f);
            EXPECT_FLOAT_EQ(v4[8], 0.0f); // the second pair the source lacks
            EXPECT_FLOAT_EQ(v4[9], 0.0f);
        }
        clone->UnlockVertexBuffer();
        clone->Release();
    }
    mesh->Release();
}

TEST_F(LoadMeshTest, FramesTransformAndMergeMeshes) {
    ID3DXMesh* mesh = nullptr;
    DWORD count = 99;
    ID3DXBuffer* materials = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromXW(Fixture("frames.x").c_str(), D3DXMESH_SYSTEMMEM, device, nullptr, &materials,
                                 nullptr, &count, &mesh),
              D3D_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(mesh->GetFVF(), D3DFVF_XYZ | D3DFVF_NORMAL);
    ASSERT_EQ(mesh->GetNumVertices(), 7u);
    void* data = nullptr;
    mesh->LockVertexBuffer(D3DLOCK_READONLY, &data);
    const float* v = static_cast<const float*>(data);
    // A: scale 2, then +5 y (Child), then +10 x (Root). B: +10 x only, no normals.
    const float expected[7][6] = {{10, 5, 0, 0, 0, -1}, {12, 5, 0, 0, 0, -1}, {10, 7, 0, 0, 0, -1},
                                  {10, 0, 0, 0, 0, 0},  {11, 0, 0, 0, 0, 0},  {11, 1, 0, 0, 0, 0},
                                  {10, 1, 0, 0, 0, 0}};
    for (int i = 0; i < 7; ++i) {
        for (int c = 0; c < 6; ++c) {
            EXPECT_FLOAT_EQ(v[i * 6 + c], expected[i][c]) << i << "," << c;
        }
    }
    mesh->UnlockVertexBuffer();
    EXPECT_EQ(Indices(mesh), (std::vector<DWORD>{0, 1, 2, 3, 4, 5, 3, 5, 6}));
    EXPECT_EQ(Attributes(mesh), (std::vector<DWORD>{0, 0, 0}));
    materials->Release();
    mesh->Release();
}

TEST_F(LoadMeshTest, MissingFileFails) {
    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
    EXPECT_TRUE(FAILED(D3DXLoadMeshFromXW(Fixture("no_such_file.x").c_str(), D3DXMESH_SYSTEMMEM, device,
                                          nullptr, nullptr, nullptr, nullptr, &mesh)));
    EXPECT_EQ(mesh, nullptr);
}

// Every prefix of each fixture, and each fixture with any single byte inverted, must parse
// and build or fail cleanly: no crash, no hang, no partial result. In memory, as the file
// reading around it is the same for every input.
TEST(XFileParsing, TruncatedAndCorruptFilesFailCleanly) {
    int failures = 0, loads = 0;
    auto attempt = [&](const std::vector<std::uint8_t>& bytes) {
        std::vector<XObject> objects;
        XMeshData mesh;
        HRESULT hr = XFileParser::Parse(bytes.data(), bytes.size(), objects);
        if (SUCCEEDED(hr)) {
            hr = XMeshBuilder::Build(objects, mesh);
        } else {
            EXPECT_TRUE(objects.empty());
        }
        if (FAILED(hr)) {
            ++failures;
            return;
        }
        ++loads;
        EXPECT_EQ(mesh.indices.size(), mesh.attributes.size() * 3);
        for (DWORD index : mesh.indices) {
            ASSERT_LT(index, mesh.vertices.size());
        }
        for (DWORD attribute : mesh.attributes) {
            ASSERT_TRUE(mesh.materials.empty() ? attribute == 0 : attribute < mesh.materials.size());
        }
    };
    for (const char* name : {"two_materials.x", "two_materials_bin.x", "two_materials_bzip.x", "frames.x"}) {
        const auto original = ReadBytes(Fixture(name));
        ASSERT_FALSE(original.empty()) << name;
        for (size_t length = 0; length < original.size(); ++length) {
            attempt(std::vector<std::uint8_t>(original.begin(), original.begin() + length));
        }
        for (size_t i = 0; i < original.size(); ++i) {
            for (std::uint8_t flip : {0xFF, 0x01, 0x80}) {
                auto corrupt = original;
                corrupt[i] ^= flip;
                attempt(corrupt);
            }
        }
    }
    EXPECT_GT(failures, 0);
    EXPECT_GT(loads, 0);
}

TEST_F(LoadMeshTest, TruncatedFileFailsWithoutMesh) {
    const auto dir = TestTemp::MakeDirectory("d3dx_truncated");
    const std::string path = (dir / "mesh.x").string();
    const auto original = ReadBytes(Fixture("two_materials_bin.x"));
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(original.data()),
                  static_cast<std::streamsize>(original.size() / 2));
    }
    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
    ID3DXBuffer* materials = reinterpret_cast<ID3DXBuffer*>(1);
    EXPECT_EQ(D3DXLoadMeshFromXW(WindowsPath::Widen(path).c_str(), D3DXMESH_SYSTEMMEM, device, nullptr,
                                 &materials, nullptr, nullptr, &mesh),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(materials, nullptr);
    std::filesystem::remove_all(dir);
}

} // namespace
