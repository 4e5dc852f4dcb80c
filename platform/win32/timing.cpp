// The performance counter and sleeping, on the monotonic clock.
#include <chrono>
#include <thread>

#include "platform/win32/win32.h"

namespace {
constexpr LONGLONG CounterFrequency = 1'000'000'000; // the counter counts nanoseconds

LONGLONG CounterNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (!count)
        return FALSE;
    count->QuadPart = CounterNow();
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (!frequency)
        return FALSE;
    frequency->QuadPart = CounterFrequency;
    return TRUE;
}

void Sleep(DWORD milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

DWORD GetTickCount() {
    return static_cast<DWORD>(CounterNow() / 1'000'000);
}

UINT timeBeginPeriod(UINT) {
    return 0;
}
UINT timeEndPeriod(UINT) {
    return 0;
}
