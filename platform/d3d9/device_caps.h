#pragma once
// The capabilities both devices report: a hardware transform-and-lighting device with the
// fixed-function features this layer emulates.

#include "platform/d3d9/d3d9_types.h"

// `presentationIntervals` is what the swap interval control of the window system allows.
D3DCAPS9 MakeDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, DWORD presentationIntervals,
                        DWORD maxTextureSize);
