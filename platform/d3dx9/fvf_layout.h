#pragma once
// Where each component of a flexible vertex format sits in a vertex.

#include "platform/d3d9/d3d9_types.h"

struct FvfLayout {
    bool valid = false;
    UINT stride = 0;
    int position = -1;
    UINT positionBytes = 0;
    int normal = -1;
    int pointSize = -1;
    int diffuse = -1;
    int specular = -1;
    UINT texCount = 0;
    int texOffset[8] = {};
    UINT texFloats[8] = {};

    // Only the position kinds XYZ, XYZRHW and XYZW are understood; blend weights are not.
    static FvfLayout From(DWORD fvf);
};
