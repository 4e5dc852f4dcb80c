#pragma once
// The fixed tables of the RAR 2.0 compression scheme, shared by decoder and encoder.

#include <cstdint>

namespace Rar20 {

constexpr std::uint32_t kWindowSize = 0x100000;
constexpr std::uint32_t kWindowMask = kWindowSize - 1;

constexpr int kMainSymbols = 298; // literals, repeats, short matches, table switch, lengths
constexpr int kDistanceSymbols = 48;
constexpr int kRepeatSymbols = 28;
constexpr int kBitLengthSymbols = 19;
constexpr int kAudioSymbols = 257; // 256 deltas plus the table switch
constexpr int kLzTableSize = kMainSymbols + kDistanceSymbols + kRepeatSymbols; // 374
constexpr int kMaxTableSize = kAudioSymbols * 4;                               // 1028

constexpr int kSymbolRepeatLast = 256;
constexpr int kSymbolFirstRepeat = 257; // 257..260: one of the four previous distances
constexpr int kSymbolFirstShort = 261;  // 261..268: length 2 at a short distance
constexpr int kSymbolNewTables = 269;
constexpr int kSymbolFirstLength = 270; // 270..297: full match

constexpr std::uint8_t kLengthBase[28] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                                          24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr std::uint8_t kLengthBits[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                          2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr std::uint32_t kDistanceBase[48] = {
    0,      1,      2,      3,      4,      6,      8,      12,     16,     24,     32,     48,
    64,     96,     128,    192,    256,    384,    512,    768,    1024,   1536,   2048,   3072,
    4096,   6144,   8192,   12288,  16384,  24576,  32768,  49152,  65536,  98304,  131072, 196608,
    262144, 327680, 393216, 458752, 524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040};
constexpr std::uint8_t kDistanceBits[48] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                            7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14,
                                            15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
constexpr std::uint8_t kShortBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr std::uint8_t kShortBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};

} // namespace Rar20
