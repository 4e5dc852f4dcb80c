#pragma once
// The music time every scene reads: seconds at the last update and the change since the
// update before. Only the timeline updates it, once per frame.

struct MusicClock {
    static float seconds;
    static float delta;

    static void Reset();
    // Reads the music stream's position (whole milliseconds) and converts it to seconds.
    static void Update();
    // The conversion Update uses: ms * 0.001f, rounded to single precision.
    static float SecondsFromMilliseconds(int milliseconds);
};
