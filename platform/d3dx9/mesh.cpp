// ID3DXMesh: vertex and index buffers made through the device, an attribute (material id)
// per face kept in memory, and an attribute table once the mesh is optimised. DrawSubset
// draws through the device; before an attribute sort it draws each contiguous run of the
// subset's faces.

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/d3d9/device_lifetime.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/fvf_layout.h"
#include "platform/trace/call_trace.h"

namespace {

constexpr DWORD kUnusedAdjacency = 0xFFFFFFFF;
constexpr DWORD kMax16BitVertices = 0xFFFF;

D3DPOOL PoolFor(DWORD options, DWORD systemMem, DWORD managed) {
    if (options & systemMem) {
        return D3DPOOL_SYSTEMMEM;
    }
    if (options & managed) {
        return D3DPOOL_MANAGED;
    }
    return D3DPOOL_DEFAULT;
}

DWORD UsageFor(DWORD options, DWORD writeOnly, DWORD dynamic) {
    return ((options & writeOnly) ? D3DUSAGE_WRITEONLY : 0) | ((options & dynamic) ? D3DUSAGE_DYNAMIC : 0);
}

struct FaceRun {
    DWORD attribId;
    DWORD faceStart;
    DWORD faceCount;
    DWORD minVertex;
    DWORD vertexCount;
};

class Mesh final : public ID3DXMesh {
  public:
    static HRESULT Create(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf,
                          IDirect3DDevice9* device, Mesh** out) {
        *out = nullptr;
        const FvfLayout layout = FvfLayout::From(fvf);
        if (device == nullptr || !layout.valid || numFaces == 0 || numVertices == 0 ||
            numFaces > 0x3FFFFFFF) {
            return D3DERR_INVALIDCALL;
        }
        if (numVertices > kMax16BitVertices) {
            options |= D3DXMESH_32BIT;
        }
        Mesh* mesh = new (std::nothrow) Mesh(device, options, fvf, layout.stride, numFaces, numVertices);
        if (mesh == nullptr) {
            return E_OUTOFMEMORY;
        }
        const unsigned long long vbBytes = static_cast<unsigned long long>(layout.stride) * numVertices;
        const unsigned long long ibBytes = 3ull * numFaces * ((options & D3DXMESH_32BIT) ? 4 : 2);
        HRESULT hr = vbBytes > 0xFFFFFFFFull || ibBytes > 0xFFFFFFFFull ? E_OUTOFMEMORY : D3D_OK;
        if (SUCCEEDED(hr)) {
            hr = device->CreateVertexBuffer(
                static_cast<UINT>(vbBytes), UsageFor(options, D3DXMESH_VB_WRITEONLY, D3DXMESH_VB_DYNAMIC),
                fvf, PoolFor(options, D3DXMESH_VB_SYSTEMMEM, D3DXMESH_VB_MANAGED), &mesh->vb_, nullptr);
        }
        if (SUCCEEDED(hr)) {
            hr = device->CreateIndexBuffer(
                static_cast<UINT>(ibBytes), UsageFor(options, D3DXMESH_IB_WRITEONLY, D3DXMESH_IB_DYNAMIC),
                (options & D3DXMESH_32BIT) ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                PoolFor(options, D3DXMESH_IB_SYSTEMMEM, D3DXMESH_IB_MANAGED), &mesh->ib_, nullptr);
        }
        if (FAILED(hr) || mesh->vb_ == nullptr || mesh->ib_ == nullptr) {
            mesh->Release();
            return FAILED(hr) ? hr : E_FAIL;
        }
        *out = mesh;
        return D3D_OK;
    }

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT DrawSubset(DWORD attribId) override {
        if (CallTrace::Enabled()) {
            CallTrace::Record("ID3DXMesh", CallTrace::Formatter().MeshDrawSubset(this, attribId));
        }
        IDirect3DDevice9* device = link_.Follow();
        if (device == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        if (!table_.empty()) {
            for (const auto& range : table_) {
                if (range.AttribId == attribId && range.FaceCount > 0) {
                    Bind(device);
                    return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, range.VertexStart,
                                                        range.VertexCount, range.FaceStart * 3,
                                                        range.FaceCount);
                }
            }
            return D3D_OK;
        }
        if (runsDirty_) {
            ComputeRuns();
        }
        bool bound = false;
        for (const auto& run : runs_) {
            if (run.attribId != attribId) {
                continue;
            }
            if (!bound) {
                Bind(device);
                bound = true;
            }
            const HRESULT hr = device->DrawIndexedPrimitive(
                D3DPT_TRIANGLELIST, 0, run.minVertex, run.vertexCount, run.faceStart * 3, run.faceCount);
            if (FAILED(hr)) {
                return hr;
            }
        }
        return D3D_OK;
    }

    DWORD GetNumFaces() override { return numFaces_; }
    DWORD GetNumVertices() override { return numVertices_; }
    DWORD GetFVF() override { return fvf_; }
    DWORD GetNumBytesPerVertex() override { return stride_; }
    HRESULT GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) override {
        return D3DXDeclaratorFromFVF(fvf_, declaration);
    }
    DWORD GetOptions() override { return options_; }
    HRESULT GetDevice(IDirect3DDevice9** device) override {
        if (device == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        *device = link_.Get();
        if (*device == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        (*device)->AddRef();
        return D3D_OK;
    }

    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** cloneMesh) override {
        if (cloneMesh == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        *cloneMesh = nullptr;
        Mesh* clone = nullptr;
        HRESULT hr = Create(numFaces_, numVertices_, options, fvf,
                            device != nullptr ? device : link_.Follow(), &clone);
        if (FAILED(hr)) {
            return hr;
        }
        std::vector<DWORD> identity(numVertices_);
        for (DWORD i = 0; i < numVertices_; ++i) {
            identity[i] = i;
        }
        std::vector<DWORD> faces(numFaces_);
        for (DWORD i = 0; i < numFaces_; ++i) {
            faces[i] = i;
        }
        hr = clone->FillFrom(*this, faces, identity);
        if (FAILED(hr)) {
            clone->Release();
            return hr;
        }
        clone->table_ = table_;
        *cloneMesh = clone;
        return D3D_OK;
    }

    HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** vertexBuffer) override {
        if (vertexBuffer == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        vb_->AddRef();
        *vertexBuffer = vb_;
        return D3D_OK;
    }
    HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** indexBuffer) override {
        if (indexBuffer == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        ib_->AddRef();
        *indexBuffer = ib_;
        return D3D_OK;
    }
    HRESULT LockVertexBuffer(DWORD flags, void** data) override { return vb_->Lock(0, 0, data, flags); }
    HRESULT UnlockVertexBuffer() override { return vb_->Unlock(); }
    HRESULT LockIndexBuffer(DWORD flags, void** data) override { return ib_->Lock(0, 0, data, flags); }
    // The draw ranges are worked out as soon as indices or attributes change, so that
    // drawing never has to read the buffers back.
    HRESULT UnlockIndexBuffer() override {
        const HRESULT hr = ib_->Unlock();
        ComputeRuns();
        return hr;
    }

    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* attribTable, DWORD* attribTableSize) override {
        if (attribTableSize == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        if (attribTable != nullptr) {
            std::copy(table_.begin(), table_.end(), attribTable);
        }
        *attribTableSize = static_cast<DWORD>(table_.size());
        return D3D_OK;
    }
    HRESULT LockAttributeBuffer(DWORD, DWORD** data) override {
        if (data == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        *data = attributes_.data();
        return D3D_OK;
    }
    HRESULT UnlockAttributeBuffer() override {
        ComputeRuns();
        return D3D_OK;
    }

    // Any optimisation sorts by attribute (the vertex-cache orders imply it); vertices follow
    // their faces in first-use order, so each subset's vertices are contiguous where they
    // are not shared with another subset. Without D3DXMESHOPT_COMPACT unused vertices are
    // kept at the end.
    HRESULT Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                     ID3DXBuffer** vertexRemap, ID3DXMesh** optMesh) override {
        if (optMesh == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        *optMesh = nullptr;
        if (vertexRemap != nullptr) {
            *vertexRemap = nullptr;
        }
        std::vector<DWORD> faces(numFaces_);
        for (DWORD i = 0; i < numFaces_; ++i) {
            faces[i] = i;
        }
        std::stable_sort(faces.begin(), faces.end(),
                         [this](DWORD a, DWORD b) { return attributes_[a] < attributes_[b]; });
        std::vector<DWORD> indices;
        if (FAILED(ReadIndices(indices))) {
            return E_FAIL;
        }
        std::vector<DWORD> newOfOld(numVertices_, kUnusedAdjacency);
        std::vector<DWORD> oldOfNew;
        oldOfNew.reserve(numVertices_);
        for (DWORD f : faces) {
            for (int k = 0; k < 3; ++k) {
                const DWORD v = indices[f * 3 + k];
                if (v < numVertices_ && newOfOld[v] == kUnusedAdjacency) {
                    newOfOld[v] = static_cast<DWORD>(oldOfNew.size());
                    oldOfNew.push_back(v);
                }
            }
        }
        if (!(flags & D3DXMESHOPT_COMPACT)) {
            for (DWORD v = 0; v < numVertices_; ++v) {
                if (newOfOld[v] == kUnusedAdjacency) {
                    newOfOld[v] = static_cast<DWORD>(oldOfNew.size());
                    oldOfNew.push_back(v);
                }
            }
        }
        if (oldOfNew.empty()) {
            return E_FAIL;
        }
        Mesh* result = nullptr;
        HRESULT hr =
            Create(numFaces_, static_cast<DWORD>(oldOfNew.size()), options_, fvf_, link_.Follow(), &result);
        if (FAILED(hr)) {
            return hr;
        }
        hr = result->FillFrom(*this, faces, oldOfNew);
        if (FAILED(hr)) {
            result->Release();
            return hr;
        }
        result->BuildTable();
        if (faceRemap != nullptr) {
            std::copy(faces.begin(), faces.end(), faceRemap);
        }
        if (adjacencyOut != nullptr) {
            std::vector<DWORD> newFaceOfOld(numFaces_);
            for (DWORD i = 0; i < numFaces_; ++i) {
                newFaceOfOld[faces[i]] = i;
            }
            for (DWORD i = 0; i < numFaces_; ++i) {
                for (int k = 0; k < 3; ++k) {
                    const DWORD old =
                        adjacencyIn != nullptr ? adjacencyIn[faces[i] * 3 + k] : kUnusedAdjacency;
                    adjacencyOut[i * 3 + k] = old < numFaces_ ? newFaceOfOld[old] : kUnusedAdjacency;
                }
            }
        }
        if (vertexRemap != nullptr &&
            SUCCEEDED(D3DXCreateBuffer(static_cast<DWORD>(oldOfNew.size() * 4), vertexRemap))) {
            std::memcpy((*vertexRemap)->GetBufferPointer(), oldOfNew.data(), oldOfNew.size() * 4);
        }
        *optMesh = result;
        return D3D_OK;
    }

  private:
    Mesh(IDirect3DDevice9* device, DWORD options, DWORD fvf, UINT stride, DWORD numFaces, DWORD numVertices)
        : options_(options), fvf_(fvf), stride_(stride), numFaces_(numFaces), numVertices_(numVertices),
          attributes_(numFaces, 0), link_(device) {}
    ~Mesh() override {
        if (vb_ != nullptr) {
            vb_->Release();
        }
        if (ib_ != nullptr) {
            ib_->Release();
        }
    }

    bool Uses32BitIndices() const { return (options_ & D3DXMESH_32BIT) != 0; }

    void Bind(IDirect3DDevice9* device) {
        device->SetFVF(fvf_);
        device->SetStreamSource(0, vb_, 0, stride_);
        device->SetIndices(ib_);
    }

    HRESULT ReadIndices(std::vector<DWORD>& indices) {
        void* data = nullptr;
        const HRESULT hr = ib_->Lock(0, 0, &data, D3DLOCK_READONLY);
        if (FAILED(hr) || data == nullptr) {
            return FAILED(hr) ? hr : E_FAIL;
        }
        indices.resize(static_cast<size_t>(numFaces_) * 3);
        for (size_t i = 0; i < indices.size(); ++i) {
            indices[i] =
                Uses32BitIndices() ? static_cast<const DWORD*>(data)[i] : static_cast<const WORD*>(data)[i];
        }
        ib_->Unlock();
        return D3D_OK;
    }

    // This mesh takes the source's faces in the order `faces` gives (new face i = source
    // face faces[i]) and its vertices as oldOfNew lists them, converted to this vertex format;
    // components the source lacks are zero.
    HRESULT FillFrom(Mesh& source, const std::vector<DWORD>& faces, const std::vector<DWORD>& oldOfNew) {
        std::vector<DWORD> indices;
        HRESULT hr = source.ReadIndices(indices);
        if (FAILED(hr)) {
            return hr;
        }
        std::vector<DWORD> newOfOld(source.numVertices_, 0);
        for (DWORD n = 0; n < oldOfNew.size(); ++n) {
            newOfOld[oldOfNew[n]] = n;
        }
        void* dst = nullptr;
        hr = ib_->Lock(0, 0, &dst, 0);
        if (FAILED(hr) || dst == nullptr) {
            return FAILED(hr) ? hr : E_FAIL;
        }
        for (DWORD i = 0; i < numFaces_; ++i) {
            attributes_[i] = source.attributes_[faces[i]];
            for (int k = 0; k < 3; ++k) {
                const DWORD old = indices[faces[i] * 3 + k];
                const DWORD v = old < newOfOld.size() ? newOfOld[old] : 0;
                if (Uses32BitIndices()) {
                    static_cast<DWORD*>(dst)[i * 3 + k] = v;
                } else {
                    static_cast<WORD*>(dst)[i * 3 + k] = static_cast<WORD>(v);
                }
            }
        }
        ib_->Unlock();

        void* src = nullptr;
        hr = source.vb_->Lock(0, 0, &src, D3DLOCK_READONLY);
        if (FAILED(hr) || src == nullptr) {
            return FAILED(hr) ? hr : E_FAIL;
        }
        hr = vb_->Lock(0, 0, &dst, 0);
        if (FAILED(hr) || dst == nullptr) {
            source.vb_->Unlock();
            return FAILED(hr) ? hr : E_FAIL;
        }
        const FvfLayout from = FvfLayout::From(source.fvf_);
        const FvfLayout to = FvfLayout::From(fvf_);
        auto copy = [](std::uint8_t* d, const std::uint8_t* s, int dOff, int sOff, UINT bytes) {
            if (dOff >= 0 && sOff >= 0) {
                std::memcpy(d + dOff, s + sOff, bytes);
            }
        };
        for (DWORD n = 0; n < numVertices_; ++n) {
            const auto* s =
                static_cast<const std::uint8_t*>(src) + static_cast<size_t>(oldOfNew[n]) * from.stride;
            auto* d = static_cast<std::uint8_t*>(dst) + static_cast<size_t>(n) * to.stride;
            std::memset(d, 0, to.stride);
            copy(d, s, to.position, from.position, std::min(to.positionBytes, from.positionBytes));
            copy(d, s, to.normal, from.normal, 12);
            copy(d, s, to.pointSize, from.pointSize, 4);
            copy(d, s, to.diffuse, from.diffuse, 4);
            copy(d, s, to.specular, from.specular, 4);
            for (UINT t = 0; t < to.texCount && t < from.texCount; ++t) {
                copy(d, s, to.texOffset[t], from.texOffset[t],
                     4 * std::min(to.texFloats[t], from.texFloats[t]));
            }
        }
        vb_->Unlock();
        source.vb_->Unlock();
        ComputeRuns();
        return D3D_OK;
    }

    // Contiguous runs of equal attribute with the vertex range their indices touch.
    void ComputeRuns() {
        runs_.clear();
        std::vector<DWORD> indices;
        const bool haveIndices = SUCCEEDED(ReadIndices(indices));
        for (DWORD f = 0; f < numFaces_; ++f) {
            if (runs_.empty() || runs_.back().attribId != attributes_[f]) {
                runs_.push_back({attributes_[f], f, 0, 0, 0});
            }
            runs_.back().faceCount++;
        }
        for (auto& run : runs_) {
            if (!haveIndices) {
                run.minVertex = 0;
                run.vertexCount = numVertices_;
                continue;
            }
            DWORD lo = 0xFFFFFFFF, hi = 0;
            for (DWORD i = run.faceStart * 3; i < (run.faceStart + run.faceCount) * 3; ++i) {
                lo = std::min(lo, indices[i]);
                hi = std::max(hi, indices[i]);
            }
            run.minVertex = lo;
            run.vertexCount = hi - lo + 1;
        }
        runsDirty_ = false;
    }

    void BuildTable() {
        ComputeRuns();
        table_.clear();
        for (const auto& run : runs_) {
            table_.push_back({run.attribId, run.faceStart, run.faceCount, run.minVertex, run.vertexCount});
        }
    }

    ULONG refs_ = 1;
    DWORD options_;
    DWORD fvf_;
    UINT stride_;
    DWORD numFaces_;
    DWORD numVertices_;
    IDirect3DVertexBuffer9* vb_ = nullptr;
    IDirect3DIndexBuffer9* ib_ = nullptr;
    std::vector<DWORD> attributes_;
    std::vector<D3DXATTRIBUTERANGE> table_;
    std::vector<FaceRun> runs_;
    bool runsDirty_ = true;
    // Not referenced: like a device's resources, a mesh does not keep its device alive.
    DeviceLink link_;
};

} // namespace

HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf,
                          IDirect3DDevice9* device, ID3DXMesh** mesh) {
    if (mesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    Mesh* created = nullptr;
    const HRESULT hr = Mesh::Create(numFaces, numVertices, options, fvf, device, &created);
    *mesh = created;
    return hr;
}
