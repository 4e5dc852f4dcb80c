// The global framework record, created on first use and shut down at process exit.
#include "framework/device_catalogue.h"
#include "framework/frame_timer.h"
#include "framework/framework.h"
#include "framework/framework_state.h"

namespace {

FrameworkState* state = nullptr;

// Shuts the framework down when the process ends; the record itself stays allocated so
// that late callers still find it.
struct ExitShutdown {
    ~ExitShutdown() {
        if (state)
            Framework::Shutdown();
    }
};

} // namespace

FrameworkState& FrameworkState::Get() {
    if (!state) {
        // The settings dialog, GUI resource manager and resource cache would come up here;
        // this framework has none of them.
        state = new FrameworkState;
        static ExitShutdown exitShutdown;
    }
    return *state;
}

void FrameworkState::ResetForTest() {
    if (state) {
        Framework::Shutdown();
        delete state;
        state = nullptr;
    }
    DeviceCatalogue::Reset();
    FrameTimer::Get() = FrameTimer();
    // A window closed by the shutdown leaves its WM_QUIT and other messages behind.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    Get();
}

StateLock::StateLock() : locked(FrameworkState::Get().useStateLock) {
    if (locked)
        FrameworkState::Get().lock.lock();
}

StateLock::~StateLock() {
    if (locked)
        FrameworkState::Get().lock.unlock();
}
