#pragma once
// The framework clock on the performance counter. "Now" is the stop time while stopped.

#include "platform/win32/windows_types.h"

class FrameTimer {
  public:
    FrameTimer();

    void Reset();
    void Start();
    void Stop();
    // Seconds since the last reset, not counting stopped periods; -1 without a counter.
    double Time();
    // Seconds since the previous call (or reset/start/stop); -1 without a counter.
    double ElapsedTime();
    bool IsStopped() const { return stopped; }

    // The global timer, created on first use.
    static FrameTimer& Get();

    bool usingCounter = false;
    LONGLONG ticksPerSecond = 0;
    LONGLONG stopTicks = 0;
    LONGLONG lastElapsedTicks = 0;
    LONGLONG baseTicks = 0;
    bool stopped = true;

  private:
    LONGLONG Now() const;
};
