#include "scenes/tumble_rotation.h"

D3DXMATRIX TumbleRotation(float x, float y, float z) {
    D3DXMATRIX rotationX;
    D3DXMATRIX rotationY;
    D3DXMATRIX rotationZ;
    D3DXMATRIX result;
    D3DXMatrixRotationX(&rotationX, x);
    D3DXMatrixRotationY(&rotationY, y);
    D3DXMatrixRotationZ(&rotationZ, z);
    D3DXMatrixMultiply(&result, &rotationX, &rotationY);
    D3DXMatrixMultiply(&result, &result, &rotationZ);
    return result;
}
