#include "framework/frame_timer.h"

#include "platform/win32/win32.h"

FrameTimer::FrameTimer() {
    LARGE_INTEGER frequency{};
    usingCounter = QueryPerformanceFrequency(&frequency) != FALSE && frequency.QuadPart > 0;
    ticksPerSecond = usingCounter ? frequency.QuadPart : 0;
}

FrameTimer& FrameTimer::Get() {
    static auto* timer = new FrameTimer; // lives until the process ends
    return *timer;
}

LONGLONG FrameTimer::Now() const {
    if (stopTicks != 0)
        return stopTicks;
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

void FrameTimer::Reset() {
    if (!usingCounter)
        return;
    LONGLONG now = Now();
    baseTicks = lastElapsedTicks = now;
    stopTicks = 0;
    stopped = false;
}

void FrameTimer::Start() {
    if (!usingCounter)
        return;
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    if (stopped)
        baseTicks += counter.QuadPart - stopTicks;
    stopTicks = 0;
    lastElapsedTicks = counter.QuadPart;
    stopped = false;
}

void FrameTimer::Stop() {
    if (!usingCounter || stopped)
        return;
    LONGLONG now = Now();
    stopTicks = lastElapsedTicks = now;
    stopped = true;
}

double FrameTimer::Time() {
    if (!usingCounter)
        return -1.0;
    return static_cast<double>(Now() - baseTicks) / static_cast<double>(ticksPerSecond);
}

double FrameTimer::ElapsedTime() {
    if (!usingCounter)
        return -1.0;
    LONGLONG now = Now();
    double elapsed = static_cast<double>(now - lastElapsedTicks) / static_cast<double>(ticksPerSecond);
    lastElapsedTicks = now;
    return elapsed;
}
