// D3DXDeclaratorFromFVF: the elements an FVF stands for, at the offsets the FVF puts them,
// ended by D3DDECL_END.
#include "platform/d3dx9/d3dx9.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Element {
    WORD offset;
    BYTE type;
    BYTE usage;
    BYTE usageIndex;
    bool operator==(const Element&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Element& e) {
    return out << "{offset " << e.offset << ", type " << int(e.type) << ", usage " << int(e.usage)
               << ", index " << int(e.usageIndex) << "}";
}

constexpr DWORD D3DFVF_TEXCOORDSIZE1_0 = 3 << 16;
constexpr DWORD D3DFVF_TEXCOORDSIZE3_1 = 1 << 18;

TEST(D3DXDeclaratorFromFVF, ElementsFollowTheFvfLayout) {
    struct Case {
        DWORD fvf;
        std::vector<Element> elements;
    };
    const Case cases[] = {
        {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1,
         {{0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0},
          {12, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0},
          {24, D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD, 0}}},
        {D3DFVF_XYZ | D3DFVF_TEX1,
         {{0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0},
          {12, D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD, 0}}},
        {D3DFVF_XYZ, {{0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0}}},
        {D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1,
         {{0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0},
          {12, D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0},
          {16, D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD, 0}}},
        {D3DFVF_XYZRHW | D3DFVF_PSIZE | D3DFVF_DIFFUSE | D3DFVF_SPECULAR,
         {{0, D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT, 0},
          {16, D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0},
          {20, D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0},
          {24, D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1}}},
        {D3DFVF_XYZ | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE1_0 | D3DFVF_TEXCOORDSIZE3_1,
         {{0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0},
          {12, D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_TEXCOORD, 0},
          {16, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_TEXCOORD, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fvf);
        D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
        ASSERT_EQ(D3DXDeclaratorFromFVF(c.fvf, declaration), D3D_OK);
        std::vector<Element> elements;
        const D3DVERTEXELEMENT9* e = declaration;
        for (; e->Stream != 0xFF && elements.size() < MAX_FVF_DECL_SIZE; ++e) {
            EXPECT_EQ(e->Stream, 0);
            EXPECT_EQ(e->Method, D3DDECLMETHOD_DEFAULT);
            elements.push_back({e->Offset, e->Type, e->Usage, e->UsageIndex});
        }
        EXPECT_EQ(elements, c.elements);
        EXPECT_EQ(e->Type, D3DDECLTYPE_UNUSED) << "D3DDECL_END";
    }
}

TEST(D3DXDeclaratorFromFVF, RefusesWhatItCannotSpellOut) {
    D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
    constexpr DWORD blendWeights = 0x006; // D3DFVF_XYZB1
    EXPECT_EQ(D3DXDeclaratorFromFVF(blendWeights, declaration), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZ | 0x900, declaration), D3DERR_INVALIDCALL); // nine sets
    EXPECT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZ, nullptr), D3DERR_INVALIDCALL);
}

} // namespace
