#include "scenes/beat_events.h"

int BeatEvents::FindWindow(const float* times, int count, float t, float width) {
    for (int i = 0; i < count; ++i) {
        if (times[i] <= t && t <= times[i] + width) {
            return i;
        }
    }
    return -1;
}

int BeatEvents::Next(const float* times, int count, int last, float t) {
    for (int j = last + 1; j < count; ++j) {
        if (t >= times[j]) {
            return j;
        }
    }
    return -1;
}
