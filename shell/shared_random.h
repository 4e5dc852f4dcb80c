#pragma once
// The process-wide pseudo-random generator the scene inits draw from, in init order, so
// each continues the sequence where the one before stopped. Never reseeded.

#include <cstdint>

namespace SharedRandom {

// state = state * 214013 + 2531011 (mod 2^32); returns (state >> 16) & 0x7FFF.
int Next();

// Starts the sequence over from state 1; only for tests that build fresh scenes.
void ResetForTest();

} // namespace SharedRandom
