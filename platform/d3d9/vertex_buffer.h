#pragma once
// The OpenGL device's vertex buffer.

#include "platform/d3d9/gl_buffer.h"

using GlVertexBuffer = GlBuffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC, D3DRTYPE_VERTEXBUFFER>;
