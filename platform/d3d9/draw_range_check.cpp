#include "platform/d3d9/draw_range_check.h"

#include <cstdint>
#include <cstring>

#include "platform/d3d9/format_info.h"

namespace DrawRangeCheck {

bool ElementCount(D3DPRIMITIVETYPE type, UINT primitiveCount, UINT* elements) {
    const unsigned long long count = primitiveCount;
    unsigned long long total = 0;
    switch (type) {
    case D3DPT_POINTLIST:
        total = count;
        break;
    case D3DPT_LINELIST:
        total = count * 2;
        break;
    case D3DPT_LINESTRIP:
        total = count + 1;
        break;
    case D3DPT_TRIANGLELIST:
        total = count * 3;
        break;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
        total = count + 2;
        break;
    default:
        return false;
    }
    // More than a 32-bit count can name is more than any buffer holds.
    *elements = total > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<UINT>(total);
    return true;
}

UINT StreamStride(const DeviceState& state) {
    const DeviceState::Stream& stream = state.streams[0];
    return stream.stride != 0 ? stream.stride : FormatInfo::FvfStride(state.fvf);
}

UINT StreamVertices(const DeviceState& state) {
    const DeviceState::Stream& stream = state.streams[0];
    IDirect3DVertexBuffer9* buffer = stream.buffer.Get();
    const UINT stride = StreamStride(state);
    const UINT vertexSize = FormatInfo::FvfStride(state.fvf);
    D3DVERTEXBUFFER_DESC desc{};
    if (buffer == nullptr || FAILED(buffer->GetDesc(&desc)) || vertexSize == 0 || stride < vertexSize ||
        (state.fvf & (D3DFVF_XYZ | D3DFVF_XYZRHW)) == 0 || stream.offset >= desc.Size) {
        return 0;
    }
    return (desc.Size - stream.offset) / stride;
}

HRESULT CheckVertices(const DeviceState& state, UINT startVertex, UINT vertexCount) {
    const unsigned long long end = static_cast<unsigned long long>(startVertex) + vertexCount;
    return end <= StreamVertices(state) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT CheckIndexedRanges(const DeviceState& state, INT baseVertexIndex, UINT minVertexIndex,
                           UINT numVertices, UINT startIndex, UINT indexCount) {
    IDirect3DIndexBuffer9* indices = state.indices.Get();
    D3DINDEXBUFFER_DESC desc{};
    if (indices == nullptr || FAILED(indices->GetDesc(&desc))) {
        return D3DERR_INVALIDCALL;
    }
    const UINT indexSize = desc.Format == D3DFMT_INDEX32 ? 4 : 2;
    if (static_cast<unsigned long long>(startIndex) + indexCount > desc.Size / indexSize) {
        return D3DERR_INVALIDCALL;
    }
    const long long first = static_cast<long long>(baseVertexIndex) + minVertexIndex;
    if (first < 0 || first + numVertices > StreamVertices(state)) {
        return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

bool IndicesInside(const BYTE* indices, D3DFORMAT format, UINT startIndex, UINT indexCount,
                   INT baseVertexIndex, UINT streamVertices) {
    const bool wide = format == D3DFMT_INDEX32;
    for (UINT i = startIndex; i < startIndex + indexCount; ++i) {
        unsigned long long index = 0;
        if (wide) {
            std::uint32_t value = 0;
            std::memcpy(&value, indices + static_cast<std::size_t>(i) * 4, 4);
            index = value;
        } else {
            std::uint16_t value = 0;
            std::memcpy(&value, indices + static_cast<std::size_t>(i) * 2, 2);
            index = value;
        }
        const long long vertex = static_cast<long long>(index) + baseVertexIndex;
        if (vertex < 0 || vertex >= static_cast<long long>(streamVertices)) {
            return false;
        }
    }
    return true;
}

} // namespace DrawRangeCheck
