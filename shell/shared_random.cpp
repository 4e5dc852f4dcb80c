#include "shell/shared_random.h"

namespace {
std::uint32_t state = 1;
}

int SharedRandom::Next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}

void SharedRandom::ResetForTest() { state = 1; }
