#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/d3dx9/d3dx9.h"

namespace {

constexpr float kHalfPi = D3DX_PI / 2.0f;

D3DXMATRIX FromRows(const float (&v)[16]) {
    D3DXMATRIX m;
    for (int i = 0; i < 16; ++i) {
        m.m[i / 4][i % 4] = v[i];
    }
    return m;
}

struct MatrixCase {
    std::string name;
    std::function<D3DXMATRIX()> compute;
    float expected[16];
};

// Expected values worked out by hand from the documented formulas.
const MatrixCase kMatrixCases[] = {
    {"Identity",
     [] {
         D3DXMATRIX m;
         return *D3DXMatrixIdentity(&m);
     },
     {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
    {"LookAtFromPlusX",
     [] {
         D3DXMATRIX m;
         const D3DXVECTOR3 eye(3, 0, 0), at(0, 0, 0), up(0, 1, 0);
         return *D3DXMatrixLookAtLH(&m, &eye, &at, &up);
     },
     {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 3, 1}},
    {"LookAtFromMinusZ",
     [] {
         D3DXMATRIX m;
         const D3DXVECTOR3 eye(0, 0, -5), at(0, 0, 0), up(0, 1, 0);
         return *D3DXMatrixLookAtLH(&m, &eye, &at, &up);
     },
     {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 5, 1}},
    {"PerspectiveFov",
     [] {
         D3DXMATRIX m;
         return *D3DXMatrixPerspectiveFovLH(&m, kHalfPi, 2.0f, 1.0f, 11.0f);
     },
     {0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.1f, 1, 0, 0, -1.1f, 0}},
    {"Ortho",
     [] {
         D3DXMATRIX m;
         return *D3DXMatrixOrthoLH(&m, 4, 2, 1, 5);
     },
     {0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0.25f, 0, 0, 0, -0.25f, 1}},
    {"RotationX",
     [] {
         D3DXMATRIX m;
         return *D3DXMatrixRotationX(&m, kHalfPi);
     },
     {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1}},
    {"RotationY",
     [] {
         D3DXMATRIX m;
         return *D3DXMatrixRotationY(&m, kHalfPi);
     },
     {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1}},
    {"RotationZ",
     [] {
         D3DXMATRIX m;
         return *D3DXMatrixRotationZ(&m, kHalfPi);
     },
     {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
    {"Scaling",
     [] {
         D3DXMATRIX m;
         return *D3DXMatrixScaling(&m, 2, 3, 4);
     },
     {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1}},
    {"Translation",
     [] {
         D3DXMATRIX m;
         return *D3DXMatrixTranslation(&m, 5, 6, 7);
     },
     {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1}},
    {"MultiplyTranslateThenRotate",
     [] {
         D3DXMATRIX t, r, m;
         D3DXMatrixTranslation(&t, 1, 2, 3);
         D3DXMatrixRotationZ(&r, kHalfPi);
         return *D3DXMatrixMultiply(&m, &t, &r);
     },
     {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, -2, 1, 3, 1}},
    {"OperatorStarRotateThenTranslate",
     [] {
         D3DXMATRIX t, r;
         D3DXMatrixTranslation(&t, 1, 2, 3);
         D3DXMatrixRotationZ(&r, kHalfPi);
         return r * t;
     },
     {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1}},
    {"MultiplyInPlace",
     [] {
         D3DXMATRIX t, s;
         D3DXMatrixTranslation(&t, 1, 2, 3);
         D3DXMatrixScaling(&s, 2, 4, 8);
         return *D3DXMatrixMultiply(&t, &t, &s);
     },
     {2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 8, 0, 2, 8, 24, 1}},
    {"Transpose",
     [] {
         const float v[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
         D3DXMATRIX m = FromRows(v);
         return *D3DXMatrixTranspose(&m, &m);
     },
     {1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16}},
    {"InverseOfTranslatedScale",
     [] {
         const float v[16] = {2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 8, 0, 2, 8, 24, 1};
         D3DXMATRIX m = FromRows(v), inv;
         float det = 0;
         EXPECT_NE(D3DXMatrixInverse(&inv, &det, &m), nullptr);
         EXPECT_FLOAT_EQ(det, 64.0f);
         return inv;
     },
     {0.5f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 0.125f, 0, -1, -2, -3, 1}},
    {"InverseOfRotation",
     [] {
         D3DXMATRIX r, inv;
         D3DXMatrixRotationZ(&r, kHalfPi);
         D3DXMatrixInverse(&inv, nullptr, &r);
         return inv;
     },
     {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
};

class MatrixTest : public ::testing::TestWithParam<MatrixCase> {};

TEST_P(MatrixTest, MatchesHandComputedValues) {
    const D3DXMATRIX m = GetParam().compute();
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(m.m[i / 4][i % 4], GetParam().expected[i], 1e-6f) << "element " << i / 4 + 1 << i % 4 + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(D3DXMath, MatrixTest, ::testing::ValuesIn(kMatrixCases),
                         [](const auto& info) { return info.param.name; });

TEST(D3DXMath, InverseOfSingularMatrixFailsAndLeavesOutputAlone) {
    D3DXMATRIX singular, out;
    D3DXMatrixScaling(&singular, 1, 0, 1);
    D3DXMatrixIdentity(&out);
    float det = 5;
    EXPECT_EQ(D3DXMatrixInverse(&out, &det, &singular), nullptr);
    EXPECT_EQ(det, 0.0f);
    EXPECT_EQ(out._11, 1.0f);
}

struct VectorCase {
    const char* name;
    D3DXVECTOR4 input;
    D3DXVECTOR4 expected;
};

TEST(D3DXMath, Vec3TransformCoordDividesByW) {
    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, kHalfPi, 2.0f, 1.0f, 11.0f);
    const D3DXVECTOR3 p(1, 2, 6);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &proj);
    // (0.5, 2, 6 * 1.1 - 1.1) / 6
    EXPECT_NEAR(out.x, 0.5f / 6, 1e-6f);
    EXPECT_NEAR(out.y, 2.0f / 6, 1e-6f);
    EXPECT_NEAR(out.z, 5.5f / 6, 1e-6f);
}

TEST(D3DXMath, Vec3TransformCoordAppliesTranslation) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 1, 2, 3);
    D3DXVECTOR3 v(1, 1, 1);
    D3DXVec3TransformCoord(&v, &v, &m);
    EXPECT_FLOAT_EQ(v.x, 2);
    EXPECT_FLOAT_EQ(v.y, 3);
    EXPECT_FLOAT_EQ(v.z, 4);
}

TEST(D3DXMath, NormalizeTable) {
    const VectorCase cases[] = {
        {"vec4", {1, 2, 2, 4}, {0.2f, 0.4f, 0.4f, 0.8f}},
        {"vec4 negative", {0, -3, 0, 4}, {0, -0.6f, 0, 0.8f}},
        {"vec4 zero stays zero", {0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        D3DXVECTOR4 out;
        D3DXVec4Normalize(&out, &c.input);
        EXPECT_NEAR(out.x, c.expected.x, 1e-6f) << c.name;
        EXPECT_NEAR(out.y, c.expected.y, 1e-6f) << c.name;
        EXPECT_NEAR(out.z, c.expected.z, 1e-6f) << c.name;
        EXPECT_NEAR(out.w, c.expected.w, 1e-6f) << c.name;
    }
    const struct {
        D3DXVECTOR3 in, expected;
    } cases3[] = {{{3, 4, 0}, {0.6f, 0.8f, 0}}, {{0, 0, -2}, {0, 0, -1}}, {{0, 0, 0}, {0, 0, 0}}};
    for (const auto& c : cases3) {
        D3DXVECTOR3 out;
        D3DXVec3Normalize(&out, &c.in);
        EXPECT_NEAR(out.x, c.expected.x, 1e-6f);
        EXPECT_NEAR(out.y, c.expected.y, 1e-6f);
        EXPECT_NEAR(out.z, c.expected.z, 1e-6f);
    }
}

TEST(D3DXVersion, AcceptsOnlyTheSdkVersionsItImplements) {
    EXPECT_EQ(D3DXCheckVersion(32, 22), TRUE);
    EXPECT_EQ(D3DXCheckVersion(31, 22), FALSE);
    EXPECT_EQ(D3DXCheckVersion(32, 21), FALSE);
}

TEST(D3DXBuffer, HoldsZeroedBytesAndCountsReferences) {
    ID3DXBuffer* buffer = nullptr;
    ASSERT_EQ(D3DXCreateBuffer(16, &buffer), D3D_OK);
    ASSERT_EQ(buffer->GetBufferSize(), 16u);
    const auto* bytes = static_cast<const unsigned char*>(buffer->GetBufferPointer());
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(bytes[i], 0);
    }
    EXPECT_EQ(buffer->AddRef(), 2u);
    EXPECT_EQ(buffer->Release(), 1u);
    EXPECT_EQ(buffer->Release(), 0u);
}

} // namespace
