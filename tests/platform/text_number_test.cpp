#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "platform/d3dx9/text_number.h"

namespace {

std::uint64_t Bits(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

struct ExactCase {
    const char* text;
    std::uint64_t bits; // the IEEE 754 double, correctly rounded to nearest, ties to even
};

// Values whose correct rounding is easy to get wrong: halfway cases, the ends of the
// normal and subnormal ranges, long mantissas, signs and the forms strtod also accepts.
constexpr ExactCase ExactCases[] = {
    {"0.1", 0x3FB999999999999Aull},
    {"1", 0x3FF0000000000000ull},
    {"-0", 0x8000000000000000ull},
    {"+1.5", 0x3FF8000000000000ull},
    {".5", 0x3FE0000000000000ull},
    {"5.", 0x4014000000000000ull},
    {"1e23", 0x44B52D02C7E14AF6ull},
    {"9007199254740993", 0x4340000000000000ull}, // 2^53 + 1: ties to even, down
    {"9007199254740995", 0x4340000000000002ull}, // 2^53 + 3: ties to even, up
    {"1.00000000000000011102230246251565404236316680908203125", 0x3FF0000000000000ull}, // 1 + 2^-53
    {"1.00000000000000011102230246251565404236316680908203126", 0x3FF0000000000001ull}, // just above
    {"1.7976931348623157e308", 0x7FEFFFFFFFFFFFFFull},                                  // largest finite
    {"1.7976931348623159e308", 0x7FF0000000000000ull},                                  // past it: infinity
    {"1e400", 0x7FF0000000000000ull},
    {"-1e400", 0xFFF0000000000000ull},
    {"2.2250738585072014e-308", 0x0010000000000000ull}, // smallest normal
    {"2.2250738585072011e-308", 0x000FFFFFFFFFFFFFull}, // largest subnormal
    {"4.9406564584124654e-324", 0x0000000000000001ull}, // smallest subnormal
    {"2.4703282292062328e-324", 0x0000000000000001ull}, // just above half of it
    {"2.4703282292062327e-324", 0x0000000000000000ull}, // just below: zero
    {"1e-400", 0x0000000000000000ull},
    {"0x1.8p1", 0x4008000000000000ull},
    {"-0X10", 0xC030000000000000ull},
    {"-inf", 0xFFF0000000000000ull},
    {"+Infinity", 0x7FF0000000000000ull},
    {"123456789012345678901234567890", 0x45F8EE90FF6C373Eull},
};

TEST(TextNumberTest, ReadsEdgeValuesCorrectlyRounded) {
    for (const ExactCase& c : ExactCases) {
        double value = 0;
        ASSERT_TRUE(TextNumber::Parse(c.text, value)) << c.text;
        EXPECT_EQ(Bits(value), c.bits) << c.text;
    }
}

TEST(TextNumberTest, ReadsNotANumber) {
    for (const char* text : {"-nan", "+NaN", "nan"}) {
        double value = 0;
        ASSERT_TRUE(TextNumber::Parse(text, value)) << text;
        EXPECT_TRUE(std::isnan(value)) << text;
    }
}

TEST(TextNumberTest, RefusesWhatIsNotOneWholeNumber) {
    for (const char* text : {"", "+", "-", ".", "+-1", "-+1", "--1", "1e", "1e+", "1.5x", "0x", "1,5", "1 ",
                             "inf5", "-infinit", "e5", "1..2"}) {
        double value = 7;
        EXPECT_FALSE(TextNumber::Parse(text, value)) << '"' << text << '"';
    }
}

// The C library's strtod is correctly rounded too: both agree on random doubles written with
// all their digits, and with too few digits to round-trip.
TEST(TextNumberTest, AgreesWithStrtodOnRandomValues) {
    std::mt19937_64 gen(2024);
    char text[64];
    for (int i = 0; i < 20000; ++i) {
        std::uint64_t bits = gen();
        double original;
        std::memcpy(&original, &bits, sizeof original);
        if (!std::isfinite(original)) {
            continue;
        }
        for (const char* format : {"%.17g", "%.9g", "%.3e"}) {
            std::snprintf(text, sizeof text, format, original);
            double value = 0;
            ASSERT_TRUE(TextNumber::Parse(text, value)) << text;
            EXPECT_EQ(Bits(value), Bits(std::strtod(text, nullptr))) << text;
        }
    }
}

} // namespace
