// Soak of the device life cycle with the whole demo loaded: CYCLES rounds of Alt+Enter to
// full screen and back and a window resize, each followed by a rendered frame, with the
// resident set size printed every SAMPLE rounds. The music position steps through all ten
// scenes twice: in the first half of the rounds every scene is drawn for the first time
// (which takes memory once), so a leak per device reset or re-creation shows as growth over
// the second half. A reference left on a device shows as a non-zero framework exit code.
//
// Runs from a run directory (it extracts and loads the media as the demo does), headless
// with SDL's offscreen driver. bench/soak.sh runs it in a scratch copy.
//
// Usage: quillmoor-lifecycle-soak [CYCLES] [SAMPLE]   (defaults: 200 20)

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "framework/framework.h"
#include "platform/sound/sound_clock.h"
#include "platform/win32/win32.h"
#include "shell/demo_callbacks.h"
#include "shell/demo_init.h"

namespace {

constexpr int demoMilliseconds = 190000;
constexpr LPARAM altDown = 1 << 29;

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// The rounds of one pass over the timeline: half of them, at least one.
int CyclesPerPass(int cycles) {
    return cycles / 2 > 0 ? cycles / 2 : 1;
}

void Frame(int cycle, int cycles, int step) {
    // Three frames a round, spread over the whole timeline in each pass.
    const int perPass = CyclesPerPass(cycles);
    const long long frame = static_cast<long long>(cycle % perPass) * 3 + step;
    SoundClock::SetFixedPosition(static_cast<int>(frame * demoMilliseconds / (3LL * perPass)));
    Framework::RenderFrame();
}

void Resize(HWND window, int cycle) {
    const int width = 800 - (cycle % 2) * 160;
    const int height = 600 - (cycle % 2) * 120;
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    SendMessageW(window, WM_EXITSIZEMOVE, 0, 0);
}

} // namespace

int main(int argc, char** argv) {
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 200;
    const int sample = argc > 2 ? std::atoi(argv[2]) : 20;
    if (cycles < 1 || sample < 1) {
        std::fputs("usage: quillmoor-lifecycle-soak [CYCLES] [SAMPLE]\n", stderr);
        return 2;
    }
    char program[] = "quillmoor";
    char windowed[] = "-windowed";
    char* arguments[] = {program, windowed};
    SetProcessCommandLine(2, arguments);
    SoundClock::SetFixedPosition(0);

    DemoRegisterCallbacks();
    Framework::Init(true, true, false);
    Framework::OpenWindow(L"tmq - Quillmoor", nullptr, nullptr, nullptr, CW_USEDEFAULT, CW_USEDEFAULT);
    Framework::CreateDevice(0, true, 800, 600, DemoAcceptDevice, DemoAdjustSettings);
    if (Framework::Device() == nullptr) {
        std::fprintf(stderr, "lifecycle-soak: no device (exit code %d)\n", Framework::ExitCode());
        return 1;
    }
    DemoInit();
    Framework::RenderFrame();

    const long startKiB = ResidentKiB();
    std::printf("cycle rss_MiB\n0 %.1f\n", startKiB / 1024.0);
    const int perPass = CyclesPerPass(cycles);
    long firstPassKiB = startKiB;
    long lastKiB = startKiB;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        HWND window = Framework::Window();
        SendMessageW(window, WM_SYSCHAR, '\r', altDown);
        Frame(cycle, cycles, 0);
        SendMessageW(window, WM_SYSCHAR, '\r', altDown);
        Frame(cycle, cycles, 1);
        Resize(window, cycle);
        Frame(cycle, cycles, 2);
        if (Framework::ExitCode() != 0 || !Framework::IsWindowed()) {
            std::fprintf(stderr, "lifecycle-soak: cycle %d left exit code %d, windowed %d\n", cycle + 1,
                         Framework::ExitCode(), Framework::IsWindowed() ? 1 : 0);
            return 1;
        }
        if ((cycle + 1) % sample == 0 || cycle + 1 == perPass || cycle + 1 == cycles) {
            lastKiB = ResidentKiB();
            if (cycle + 1 == perPass) {
                firstPassKiB = lastKiB;
            }
            std::printf("%d %.1f\n", cycle + 1, lastKiB / 1024.0);
            std::fflush(stdout);
        }
    }
    std::printf("after start-up: %.1f MiB; after the first pass (%d cycles): %.1f MiB; after %d: %.1f MiB\n",
                startKiB / 1024.0, perPass, firstPassKiB / 1024.0, cycles, lastKiB / 1024.0);
    std::printf("growth over the second pass (cycle %d to %d): %+.1f MiB\n", perPass, cycles,
                (lastKiB - firstPassKiB) / 1024.0);
    Framework::Shutdown();
    std::printf("framework exit code after shutdown: %d\n", Framework::ExitCode());
    return Framework::ExitCode();
}
