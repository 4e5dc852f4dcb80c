#pragma once
// The OpenGL device's index buffer (16- or 32-bit indices).

#include "platform/d3d9/gl_buffer.h"

using GlIndexBuffer = GlBuffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC, D3DRTYPE_INDEXBUFFER>;
