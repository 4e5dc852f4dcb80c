// D3DX vector functions, single precision, the formulas of the public D3DX documentation.

#include <cmath>

#include "platform/d3dx9/d3dx9.h"

// (x, y, z, 1) * M, divided by the resulting w.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    const float x = v->x * m->_11 + v->y * m->_21 + v->z * m->_31 + m->_41;
    const float y = v->x * m->_12 + v->y * m->_22 + v->z * m->_32 + m->_42;
    const float z = v->x * m->_13 + v->y * m->_23 + v->z * m->_33 + m->_43;
    const float w = v->x * m->_14 + v->y * m->_24 + v->z * m->_34 + m->_44;
    const float inv = 1.0f / w;
    *out = D3DXVECTOR3(x * inv, y * inv, z * inv);
    return out;
}

// A zero-length vector normalises to zero rather than to NaNs.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
    const float length = std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z);
    if (length == 0.0f) {
        *out = D3DXVECTOR3(0, 0, 0);
        return out;
    }
    const float inv = 1.0f / length;
    *out = D3DXVECTOR3(v->x * inv, v->y * inv, v->z * inv);
    return out;
}

D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v) {
    const float length = std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z + v->w * v->w);
    if (length == 0.0f) {
        *out = D3DXVECTOR4{0, 0, 0, 0};
        return out;
    }
    const float inv = 1.0f / length;
    *out = D3DXVECTOR4{v->x * inv, v->y * inv, v->z * inv, v->w * inv};
    return out;
}
