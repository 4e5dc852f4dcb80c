#pragma once
// The music positions of the frames of a deterministic run, and which frames are kept:
// - scripted positions (-clock): one per frame, none kept;
// - screenshots (-shots): the fixed step from 0 up to the last shot time, with each shot
//   time inserted as a frame of its own, so every shot is taken at exactly its time after
//   the scenes have run through everything before it; those frames are kept;
// - capture: the fixed step from 0 until the end time; every frame is kept.

#include <cstddef>
#include <string>
#include <vector>

#include "shell/run_modes.h"

struct ScheduledFrame {
    int milliseconds = 0;
    bool keep = false;
};

class FrameSchedule {
  public:
    FrameSchedule() = default;
    explicit FrameSchedule(const RunModeOptions& options);

    // The next frame, or false when the run is over.
    bool Next(ScheduledFrame* frame);

    // Frames in the whole run, and frames taken so far.
    long long TotalFrames() const { return total; }
    long long FramesTaken() const { return taken; }
    bool Active() const { return kind != Kind::None; }

    // The file name of a kept screenshot, e.g. "shot_069.204.png".
    static std::string ShotFileName(int milliseconds);

  private:
    enum class Kind { None, Clock, Shots, Capture };
    Kind kind = Kind::None;
    int fps = 60;
    std::vector<int> positions; // scripted positions, or the shot times
    std::size_t nextShot = 0;
    long long step = 0;
    long long total = 0;
    long long taken = 0;
};
