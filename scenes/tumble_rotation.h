#pragma once
// The tumbling rotation the blob scenes use for their worlds and twists.

#include "platform/d3dx9/d3dx9.h"

// RotationX(x) * RotationY(y) * RotationZ(z): about X first, then Y, then Z.
D3DXMATRIX TumbleRotation(float x, float y, float z);
