#pragma once
// Lookups in the ascending tables of music times that the scenes flash and pulse on.

namespace BeatEvents {

// Index of the first event whose window [time, time + width] contains t, or -1.
int FindWindow(const float* times, int count, float t, float width);

// Index of the first beat after `last` that t has reached, or -1. One beat a frame: beats
// skipped by a long frame fire on the frames after it.
int Next(const float* times, int count, int last, float t);

} // namespace BeatEvents
