#pragma once
// The progress line of a capture on standard error: frames done, rendering speed relative
// to real time, and the time left.

#include <string>

class CaptureProgress {
  public:
    CaptureProgress(long long totalFrames, int fps) : total(totalFrames), fps(fps) {}

    // The line for `done` frames after `elapsedSeconds` of wall time, e.g.
    // "[#####---------------]  25%  2850/11400 frames  0.42x  7:14 left".
    std::string Line(long long done, double elapsedSeconds) const;

  private:
    long long total;
    int fps;
};
