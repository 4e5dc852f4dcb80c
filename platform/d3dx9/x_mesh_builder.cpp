#include "platform/d3dx9/x_mesh_builder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <utility>

namespace {

constexpr DWORD kNoIndex = 0xFFFFFFFF;
// Real meshes stay far below this; it bounds what a corrupt count can make us allocate.
constexpr double kMaxCount = 16u * 1024 * 1024;
constexpr int kMaxFrameDepth = 64;

// Reads the numbers of one data object in order, failing on the first read past the end.
class Numbers {
  public:
    explicit Numbers(const std::vector<double>& values) : v_(values) {}
    bool Next(double& out) {
        if (pos_ >= v_.size()) {
            return false;
        }
        out = v_[pos_++];
        return true;
    }
    bool Float(float& out) {
        double d;
        if (!Next(d)) {
            return false;
        }
        out = static_cast<float>(d);
        return true;
    }
    // A count or index: a whole number that is not negative and not absurd.
    bool Count(DWORD& out) {
        double d;
        if (!Next(d) || !(d >= 0) || d > kMaxCount || d != std::floor(d)) {
            return false;
        }
        out = static_cast<DWORD>(d);
        return true;
    }
    size_t Left() const { return v_.size() - pos_; }

  private:
    const std::vector<double>& v_;
    size_t pos_ = 0;
};

// Faces as one list of corners: face f's corners are corners[first[f]] to corners[first[f + 1]].
struct FaceList {
    std::vector<DWORD> first{0};
    std::vector<DWORD> corners;

    size_t Count() const { return first.size() - 1; }
    DWORD Size(size_t f) const { return first[f + 1] - first[f]; }
    const DWORD* Corners(size_t f) const { return corners.data() + first[f]; }
};

bool ReadFaces(Numbers& n, DWORD limit, FaceList& faces) {
    DWORD count = 0;
    if (!n.Count(count) || count > n.Left()) {
        return false;
    }
    faces.first.reserve(static_cast<size_t>(count) + 1);
    // Most meshes are triangles: one count and three indices per face.
    faces.corners.reserve(std::min<size_t>(n.Left(), static_cast<size_t>(count) * 3));
    for (DWORD f = 0; f < count; ++f) {
        DWORD corners = 0;
        if (!n.Count(corners) || corners < 3 || corners > n.Left()) {
            return false;
        }
        for (DWORD k = 0; k < corners; ++k) {
            DWORD c = 0;
            if (!n.Count(c) || c >= limit) {
                return false;
            }
            faces.corners.push_back(c);
        }
        faces.first.push_back(static_cast<DWORD>(faces.corners.size()));
    }
    return true;
}

bool ReadVectors(Numbers& n, int components, std::vector<float>& out, DWORD& count) {
    if (!n.Count(count) || count > n.Left() / components) {
        return false;
    }
    out.resize(static_cast<size_t>(count) * components);
    for (auto& f : out) {
        if (!n.Float(f)) {
            return false;
        }
    }
    return true;
}

bool ReadMaterial(const XObject& object, XMeshMaterial& out) {
    Numbers n(object.numbers);
    D3DMATERIAL9& m = out.material;
    m = D3DMATERIAL9{};
    // faceColor RGBA, power, specularColor RGB, emissiveColor RGB
    if (!n.Float(m.Diffuse.r) || !n.Float(m.Diffuse.g) || !n.Float(m.Diffuse.b) || !n.Float(m.Diffuse.a) ||
        !n.Float(m.Power) || !n.Float(m.Specular.r) || !n.Float(m.Specular.g) || !n.Float(m.Specular.b) ||
        !n.Float(m.Emissive.r) || !n.Float(m.Emissive.g) || !n.Float(m.Emissive.b)) {
        return false;
    }
    m.Specular.a = 1.0f;
    m.Emissive.a = 1.0f;
    for (const auto& child : object.children) {
        if (!child.isReference && child.type == "TextureFilename" && !child.strings.empty()) {
            out.hasTexture = true;
            out.textureFile = child.strings[0];
        }
    }
    return true;
}

using Matrix = D3DXMATRIX;

class Builder {
  public:
    explicit Builder(XMeshData& out) : out_(out) {}

    void CollectNamedMaterials(const std::vector<XObject>& objects, int depth) {
        if (depth > kMaxFrameDepth) {
            return;
        }
        for (const auto& o : objects) {
            if (!o.isReference && o.type == "Material" && !o.name.empty() && !named_.count(o.name)) {
                named_[o.name] = &o;
            }
            CollectNamedMaterials(o.children, depth + 1);
        }
    }

    HRESULT Walk(const std::vector<XObject>& objects, const Matrix& parent, int depth) {
        if (depth > kMaxFrameDepth) {
            return D3DXERR_INVALIDDATA;
        }
        for (const auto& o : objects) {
            if (o.isReference) {
                continue;
            }
            if (o.type == "Mesh") {
                if (const HRESULT hr = AddMesh(o, parent); FAILED(hr)) {
                    return hr;
                }
                meshCount_++;
            } else if (o.type == "Frame") {
                Matrix local;
                D3DXMatrixIdentity(&local);
                for (const auto& c : o.children) {
                    if (!c.isReference && c.type == "FrameTransformMatrix") {
                        Numbers n(c.numbers);
                        for (int i = 0; i < 16; ++i) {
                            if (!n.Float(local.m[i / 4][i % 4])) {
                                return D3DXERR_INVALIDDATA;
                            }
                        }
                    }
                }
                const Matrix world = local * parent;
                if (const HRESULT hr = Walk(o.children, world, depth + 1); FAILED(hr)) {
                    return hr;
                }
            }
        }
        return D3D_OK;
    }

    int MeshCount() const { return meshCount_; }

  private:
    HRESULT AddMesh(const XObject& mesh, const Matrix& world) {
        Numbers n(mesh.numbers);
        std::vector<float> positions;
        DWORD vertexCount = 0;
        FaceList faces;
        if (!ReadVectors(n, 3, positions, vertexCount) || !ReadFaces(n, vertexCount, faces)) {
            return D3DXERR_INVALIDDATA;
        }

        std::vector<float> normals;
        FaceList normalFaces;
        bool hasNormals = false;
        std::vector<float> uvs;
        DWORD uvCount = 0;
        std::vector<DWORD> faceMaterials(faces.Count(), 0);
        std::vector<XMeshMaterial> materials;
        bool hasMaterialList = false;
        for (const auto& c : mesh.children) {
            if (c.isReference) {
                continue;
            }
            Numbers cn(c.numbers);
            if (c.type == "MeshNormals") {
                DWORD normalCount = 0;
                if (!ReadVectors(cn, 3, normals, normalCount) || !ReadFaces(cn, normalCount, normalFaces) ||
                    normalFaces.Count() != faces.Count()) {
                    return D3DXERR_INVALIDDATA;
                }
                if (normalFaces.first != faces.first) {
                    return D3DXERR_INVALIDDATA; // a face with another corner count
                }
                hasNormals = true;
            } else if (c.type == "MeshTextureCoords") {
                if (!ReadVectors(cn, 2, uvs, uvCount)) {
                    return D3DXERR_INVALIDDATA;
                }
            } else if (c.type == "MeshMaterialList") {
                hasMaterialList = true;
                if (const HRESULT hr = ReadMaterialList(c, faces.Count(), faceMaterials, materials);
                    FAILED(hr)) {
                    return hr;
                }
            }
        }

        // Normals are carried by the inverse transpose so that scaled frames keep them
        // perpendicular to their surfaces.
        Matrix normalMatrix;
        if (D3DXMatrixInverse(&normalMatrix, nullptr, &world) != nullptr) {
            D3DXMatrixTranspose(&normalMatrix, &normalMatrix);
        } else {
            normalMatrix = world;
        }

        const DWORD base = static_cast<DWORD>(out_.vertices.size());
        const DWORD materialBase = static_cast<DWORD>(out_.materials.size());
        out_.vertices.reserve(out_.vertices.size() + vertexCount);
        const size_t triangles = faces.corners.size() - 2 * faces.Count();
        out_.indices.reserve(out_.indices.size() + 3 * triangles);
        out_.attributes.reserve(out_.attributes.size() + triangles);
        for (DWORD v = 0; v < vertexCount; ++v) {
            XMeshVertex vertex;
            D3DXVECTOR3 p(positions[v * 3], positions[v * 3 + 1], positions[v * 3 + 2]);
            D3DXVec3TransformCoord(&p, &p, &world);
            vertex.position[0] = p.x, vertex.position[1] = p.y, vertex.position[2] = p.z;
            if (v < uvCount) {
                vertex.uv[0] = uvs[v * 2];
                vertex.uv[1] = uvs[v * 2 + 1];
            }
            out_.vertices.push_back(vertex);
        }
        std::vector<DWORD> normalOf(vertexCount, kNoIndex);
        std::map<std::pair<DWORD, DWORD>, DWORD> splits;
        auto setNormal = [&](DWORD vertex, DWORD normalIndex) {
            const float* nv = &normals[static_cast<size_t>(normalIndex) * 3];
            D3DXVECTOR3 normal(nv[0] * normalMatrix._11 + nv[1] * normalMatrix._21 + nv[2] * normalMatrix._31,
                               nv[0] * normalMatrix._12 + nv[1] * normalMatrix._22 + nv[2] * normalMatrix._32,
                               nv[0] * normalMatrix._13 + nv[1] * normalMatrix._23 +
                                   nv[2] * normalMatrix._33);
            if (std::memcmp(&world, &Identity(), sizeof(Matrix)) != 0) {
                D3DXVec3Normalize(&normal, &normal);
            }
            float* dst = out_.vertices[vertex].normal;
            dst[0] = normal.x, dst[1] = normal.y, dst[2] = normal.z;
        };

        std::vector<DWORD> corners;
        for (size_t f = 0; f < faces.Count(); ++f) {
            corners.resize(faces.Size(f));
            for (size_t k = 0; k < corners.size(); ++k) {
                const DWORD v = faces.Corners(f)[k];
                DWORD index = base + v;
                if (hasNormals) {
                    const DWORD ni = normalFaces.Corners(f)[k];
                    if (normalOf[v] == kNoIndex) {
                        normalOf[v] = ni;
                        setNormal(index, ni);
                    } else if (normalOf[v] != ni) {
                        const auto key = std::make_pair(v, ni);
                        const auto found = splits.find(key);
                        if (found != splits.end()) {
                            index = found->second;
                        } else {
                            index = static_cast<DWORD>(out_.vertices.size());
                            out_.vertices.push_back(out_.vertices[base + v]);
                            setNormal(index, ni);
                            splits.emplace(key, index);
                        }
                    }
                }
                corners[k] = index;
            }
            for (size_t k = 1; k + 1 < corners.size(); ++k) {
                out_.indices.push_back(corners[0]);
                out_.indices.push_back(corners[k]);
                out_.indices.push_back(corners[k + 1]);
                out_.attributes.push_back(hasMaterialList ? materialBase + faceMaterials[f] : kNoIndex);
            }
        }
        out_.hasNormals = out_.hasNormals || hasNormals;
        out_.hasTexCoords = out_.hasTexCoords || uvCount > 0;
        for (auto& m : materials) {
            out_.materials.push_back(std::move(m));
        }
        return D3D_OK;
    }

    // The material count, the per-face indices (fewer than the faces: the last one repeats,
    // as exporters write a single index for a one-material mesh), then the materials,
    // inline or by reference to a named one.
    HRESULT ReadMaterialList(const XObject& list, size_t faceCount, std::vector<DWORD>& faceMaterials,
                             std::vector<XMeshMaterial>& materials) {
        Numbers n(list.numbers);
        DWORD materialCount = 0, indexCount = 0;
        if (!n.Count(materialCount) || !n.Count(indexCount) || indexCount > n.Left()) {
            return D3DXERR_INVALIDDATA;
        }
        for (DWORD i = 0; i < indexCount; ++i) {
            DWORD m = 0;
            if (!n.Count(m) || m >= materialCount) {
                return D3DXERR_INVALIDDATA;
            }
            if (i < faceCount) {
                faceMaterials[i] = m;
            }
        }
        for (size_t i = indexCount; i < faceCount && indexCount > 0; ++i) {
            faceMaterials[i] = faceMaterials[indexCount - 1];
        }
        for (const auto& c : list.children) {
            if (materials.size() == materialCount) {
                break;
            }
            const XObject* source = nullptr;
            if (c.isReference) {
                const auto found = named_.find(c.name);
                if (found == named_.end()) {
                    return D3DXERR_INVALIDDATA;
                }
                source = found->second;
            } else if (c.type == "Material") {
                source = &c;
            } else {
                continue;
            }
            XMeshMaterial material;
            if (!ReadMaterial(*source, material)) {
                return D3DXERR_INVALIDDATA;
            }
            materials.push_back(std::move(material));
        }
        if (materials.size() != materialCount) {
            return D3DXERR_INVALIDDATA;
        }
        return D3D_OK;
    }

    static const Matrix& Identity() {
        static const Matrix identity = [] {
            Matrix m;
            D3DXMatrixIdentity(&m);
            return m;
        }();
        return identity;
    }

    XMeshData& out_;
    std::map<std::string, const XObject*> named_;
    int meshCount_ = 0;
};

} // namespace

namespace XMeshBuilder {

HRESULT Build(const std::vector<XObject>& objects, XMeshData& out) {
    out = XMeshData{};
    Builder builder(out);
    builder.CollectNamedMaterials(objects, 0);
    Matrix identity;
    D3DXMatrixIdentity(&identity);
    if (const HRESULT hr = builder.Walk(objects, identity, 0); FAILED(hr)) {
        return hr;
    }
    if (out.indices.empty() || out.vertices.empty()) {
        return E_FAIL;
    }
    // Faces of a mesh without a material list: attribute 0 when no mesh has materials (the
    // file then has none), else a plain white material appended after the file's own.
    DWORD plain = 0;
    for (auto& a : out.attributes) {
        if (a != kNoIndex) {
            continue;
        }
        if (plain == 0 && !out.materials.empty()) {
            XMeshMaterial white;
            white.material.Diffuse = {1, 1, 1, 1};
            white.material.Specular = {0, 0, 0, 1};
            white.material.Emissive = {0, 0, 0, 1};
            out.materials.push_back(white);
            plain = static_cast<DWORD>(out.materials.size() - 1);
        }
        a = plain;
    }
    return D3D_OK;
}

} // namespace XMeshBuilder
