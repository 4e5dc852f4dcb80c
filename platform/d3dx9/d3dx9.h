#pragma once
// The D3DX 9 surface the code above the platform calls: math, .x meshes, textures from
// image files and effects. Names and values as the public D3DX 9 headers spell them.

#include "platform/d3d9/d3d9.h"

constexpr UINT D3DX_SDK_VERSION = 22;
constexpr UINT D3DX_DEFAULT = static_cast<UINT>(-1);
constexpr float D3DX_PI = 3.141592654f;

constexpr HRESULT D3DXERR_INVALIDDATA = MAKE_D3DHRESULT(2905);

// ---- math ----------------------------------------------------------------------------

struct D3DXVECTOR2 {
    float x, y;
};

struct D3DXVECTOR3 : D3DVECTOR {
    D3DXVECTOR3() = default;
    constexpr D3DXVECTOR3(float x_, float y_, float z_) : D3DVECTOR{x_, y_, z_} {}
};

struct D3DXVECTOR4 {
    float x, y, z, w;
};

struct D3DXMATRIX : D3DMATRIX {
    D3DXMATRIX() = default;
    D3DXMATRIX(const D3DMATRIX& m) : D3DMATRIX(m) {}
    float& operator()(UINT row, UINT col) { return m[row][col]; }
    float operator()(UINT row, UINT col) const { return m[row][col]; }
    D3DXMATRIX operator*(const D3DXMATRIX& rhs) const;
};

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zNear, float zFar);
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float width, float height, float zNear, float zFar);
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);
D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v);

// ---- buffers, meshes ----------------------------------------------------------------

class ID3DXBuffer : public IUnknown {
  public:
    virtual void* GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};

HRESULT D3DXCreateBuffer(DWORD numBytes, ID3DXBuffer** buffer);

constexpr DWORD D3DXMESH_32BIT = 0x001;
constexpr DWORD D3DXMESH_DONOTCLIP = 0x002;
constexpr DWORD D3DXMESH_VB_SYSTEMMEM = 0x010;
constexpr DWORD D3DXMESH_VB_MANAGED = 0x020;
constexpr DWORD D3DXMESH_VB_WRITEONLY = 0x040;
constexpr DWORD D3DXMESH_VB_DYNAMIC = 0x080;
constexpr DWORD D3DXMESH_IB_SYSTEMMEM = 0x100;
constexpr DWORD D3DXMESH_IB_MANAGED = 0x200;
constexpr DWORD D3DXMESH_IB_WRITEONLY = 0x400;
constexpr DWORD D3DXMESH_IB_DYNAMIC = 0x800;
constexpr DWORD D3DXMESH_SYSTEMMEM = 0x110;
constexpr DWORD D3DXMESH_MANAGED = 0x220;
constexpr DWORD D3DXMESH_WRITEONLY = 0x440;
constexpr DWORD D3DXMESH_DYNAMIC = 0x880;

constexpr DWORD D3DXMESHOPT_COMPACT = 0x01000000;
constexpr DWORD D3DXMESHOPT_ATTRSORT = 0x02000000;
constexpr DWORD D3DXMESHOPT_VERTEXCACHE = 0x04000000;

struct D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
};

struct D3DXMATERIAL {
    D3DMATERIAL9 MatD3D;
    char* pTextureFilename;
};

constexpr UINT MAX_FVF_DECL_SIZE = MAXD3DDECLLENGTH + 1;

// The vertex declaration an FVF stands for, ended by D3DDECL_END; D3DERR_INVALIDCALL for an
// FVF with blend weights or unknown bits.
HRESULT D3DXDeclaratorFromFVF(DWORD fvf, D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]);

class ID3DXMesh : public IUnknown {
  public:
    virtual HRESULT DrawSubset(DWORD attribId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual DWORD GetNumBytesPerVertex() = 0;
    virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
    virtual HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device,
                                 ID3DXMesh** cloneMesh) = 0;
    virtual HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** vertexBuffer) = 0;
    virtual HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** indexBuffer) = 0;
    virtual HRESULT LockVertexBuffer(DWORD flags, void** data) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD flags, void** data) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* attribTable, DWORD* attribTableSize) = 0;
    virtual HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
    virtual HRESULT Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                             ID3DXBuffer** vertexRemap, ID3DXMesh** optMesh) = 0;
};

// An empty mesh of the given size and vertex format, its buffers made through the device.
HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf,
                          IDirect3DDevice9* device, ID3DXMesh** mesh);

HRESULT D3DXLoadMeshFromXW(LPCWSTR filename, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                           ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* numMaterials,
                           ID3DXMesh** mesh);

// ---- textures ------------------------------------------------------------------------

HRESULT D3DXCreateTextureFromFileW(IDirect3DDevice9* device, LPCWSTR srcFile, IDirect3DTexture9** texture);
HRESULT D3DXCreateCubeTextureFromFileW(IDirect3DDevice9* device, LPCWSTR srcFile,
                                       IDirect3DCubeTexture9** cubeTexture);

// ---- effects -------------------------------------------------------------------------

using D3DXHANDLE = const char*;

struct D3DXMACRO {
    LPCSTR Name;
    LPCSTR Definition;
};

// ID3DXEffect::Begin flags: without them, End puts back the states the passes changed.
constexpr DWORD D3DXFX_DONOTSAVESTATE = 0x00000001;
constexpr DWORD D3DXFX_DONOTSAVESHADERSTATE = 0x00000002;
constexpr DWORD D3DXFX_DONOTSAVESAMPLERSTATE = 0x00000004;

class ID3DXInclude;
class ID3DXEffectPool;

class ID3DXEffect : public IUnknown {
  public:
    virtual HRESULT SetValue(D3DXHANDLE parameter, const void* data, UINT bytes) = 0;
    virtual HRESULT GetValue(D3DXHANDLE parameter, void* data, UINT bytes) = 0;
    virtual HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) = 0;
    virtual HRESULT SetFloat(D3DXHANDLE parameter, float value) = 0;
    virtual HRESULT SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) = 0;
    virtual HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) = 0;
    virtual HRESULT SetTechnique(D3DXHANDLE technique) = 0;
    virtual HRESULT Begin(UINT* passes, DWORD flags) = 0;
    virtual HRESULT BeginPass(UINT pass) = 0;
    virtual HRESULT CommitChanges() = 0;
    virtual HRESULT EndPass() = 0;
    virtual HRESULT End() = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
};

HRESULT D3DXCreateEffectFromFileW(IDirect3DDevice9* device, LPCWSTR srcFile, const D3DXMACRO* defines,
                                  ID3DXInclude* include, DWORD flags, ID3DXEffectPool* pool,
                                  ID3DXEffect** effect, ID3DXBuffer** compilationErrors);

// ---- version -------------------------------------------------------------------------

BOOL D3DXCheckVersion(UINT d3dSdkVersion, UINT d3dxSdkVersion);
