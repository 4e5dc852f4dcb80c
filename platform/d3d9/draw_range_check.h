#pragma once
// What Direct3D 9 checks before it draws: the vertices and indices a draw names lie inside
// the buffers bound to the device, and the stream's stride holds a whole vertex of the
// current FVF. A draw that fails a check is refused with D3DERR_INVALIDCALL and draws
// nothing. Shared by the OpenGL and the recording device.

#include "platform/d3d9/device_state.h"

namespace DrawRangeCheck {

// Vertices (or indices) that `primitiveCount` primitives of `type` use; false for a type
// Direct3D does not know.
bool ElementCount(D3DPRIMITIVETYPE type, UINT primitiveCount, UINT* elements);

// The stride a draw reads stream 0 with: the stream's own, or the FVF's vertex size when
// the stream was set with stride 0.
UINT StreamStride(const DeviceState& state);

// Whole vertices stream 0 holds from its offset on; 0 without a buffer, without an FVF
// position, or with a stride shorter than the FVF's vertex (each vertex would read into
// the next, and the last past the buffer).
UINT StreamVertices(const DeviceState& state);

// DrawPrimitive: vertices [startVertex, startVertex + vertexCount) lie in stream 0.
HRESULT CheckVertices(const DeviceState& state, UINT startVertex, UINT vertexCount);

// DrawIndexedPrimitive: indices [startIndex, startIndex + indexCount) lie in the index
// buffer, and the vertex range [baseVertexIndex + minVertexIndex, ... + numVertices) in
// stream 0.
HRESULT CheckIndexedRanges(const DeviceState& state, INT baseVertexIndex, UINT minVertexIndex,
                           UINT numVertices, UINT startIndex, UINT indexCount);

// Whether every index of [startIndex, startIndex + indexCount), moved by baseVertexIndex,
// names one of `streamVertices` vertices. `indices` holds the whole index buffer.
bool IndicesInside(const BYTE* indices, D3DFORMAT format, UINT startIndex, UINT indexCount,
                   INT baseVertexIndex, UINT streamVertices);

} // namespace DrawRangeCheck
