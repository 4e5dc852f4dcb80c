// The main loop, the frame step, the window procedure's hot keys and error reporting.
#include "framework/frame_timer.h"
#include "framework_fixture.h"
#include "platform/win32/platform_window.h"

#include <string>
#include <vector>

namespace {

int framesRendered = 0;
int messagesLeftToChain = 0;
std::vector<int> framesSeenByMessages;

void CountFrame(IDirect3DDevice9*, double, float) {
    ++framesRendered;
}

constexpr UINT ChainMessage = WM_USER + 7;

// Every chained message posts the next one, so the queue is never empty while the chain lasts.
LRESULT Chain(HWND window, UINT message, WPARAM, LPARAM, bool* stop) {
    if (message != ChainMessage)
        return 0;
    framesSeenByMessages.push_back(framesRendered);
    if (--messagesLeftToChain > 0)
        PostMessageW(window, ChainMessage, 0, 0);
    *stop = true;
    return 0;
}

class MainLoop : public FrameworkTest {
  protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        framesRendered = 0;
        messagesLeftToChain = 0;
        framesSeenByMessages.clear();
        Framework::SetCallbackFrameRender(CountFrame);
    }
};

TEST_F(MainLoop, QuitAfterFrameEndsAfterThatManyPlusOnePresents) {
    SetCommandLine({"-windowed", "-quitafterframe:100"});
    ASSERT_EQ(StartLikeDemo(), S_OK);
    FakeDevice* device = direct3D.LastDevice();
    EXPECT_EQ(Framework::Run(nullptr), S_OK);
    EXPECT_EQ(device->presents, 101);
    EXPECT_EQ(framesRendered, 101);
    EXPECT_EQ(Framework::FrameCount(), 101);
    EXPECT_EQ(Framework::Device(), nullptr);
    EXPECT_EQ(Framework::Window(), nullptr);
    EXPECT_EQ(Framework::ExitCode(), 0);
}

TEST_F(MainLoop, MessagesStarveRendering) {
    SetCommandLine({"-windowed", "-quitafterframe:2"});
    ASSERT_EQ(StartLikeDemo(), S_OK);
    Framework::SetCallbackMessage(Chain);
    messagesLeftToChain = 50;
    PostMessageW(Framework::Window(), ChainMessage, 0, 0);
    ASSERT_EQ(Framework::Run(nullptr), S_OK);
    ASSERT_EQ(framesSeenByMessages.size(), 50u);
    EXPECT_EQ(framesSeenByMessages.back(), 0);
    EXPECT_EQ(framesRendered, 3);
}

TEST_F(MainLoop, RunTwiceOrFromADeviceCallbackIsRefused) {
    SetCommandLine({"-windowed", "-quitafterframe:1"});
    ASSERT_EQ(StartLikeDemo(), S_OK);
    static HRESULT nested = S_OK;
    Framework::SetCallbackFrameRender(
        [](IDirect3DDevice9*, double, float) { nested = Framework::Run(nullptr); });
    EXPECT_EQ(Framework::Run(nullptr), S_OK);
    EXPECT_EQ(nested, E_FAIL);
    EXPECT_EQ(Framework::ExitCode(), 1);
}

TEST_F(MainLoop, RunWithoutDeviceAfterFailedRequestSetsExitCodeOne) {
    direct3D.createAnswers = {D3DERR_NOTAVAILABLE};
    EXPECT_TRUE(FAILED(StartLikeDemo()));
    State().exitCode = 0;
    EXPECT_EQ(Framework::Run(nullptr), E_FAIL);
    EXPECT_EQ(Framework::ExitCode(), 1);
}

// Keys come from SDL's event queue, as the keyboard delivers them; each must reach the
// window procedure as the message the platform sends for it, and do what that hot key does.
void PushSdlKey(SDL_Keycode key, Uint16 modifiers) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = SDL_GetWindowID(Framework::Window()->sdlWindow);
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    event.key.keysym.mod = modifiers;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

std::vector<std::string> keyMessages;

LRESULT RecordKeyMessage(HWND, UINT message, WPARAM key, LPARAM flags, bool*) {
    const char* name = message == WM_KEYDOWN      ? "WM_KEYDOWN"
                       : message == WM_SYSKEYDOWN ? "WM_SYSKEYDOWN"
                       : message == WM_SYSCHAR    ? "WM_SYSCHAR"
                       : message == WM_CHAR       ? "WM_CHAR"
                                                  : nullptr;
    if (name != nullptr) {
        keyMessages.push_back(std::string(name) + " " + std::to_string(key) +
                              ((flags & KF_ALTDOWN_BIT) != 0 ? " alt" : ""));
    }
    return 0;
}

TEST_F(MainLoop, EscapeFromSdlClosesTheWindowAndEndsTheLoop) {
    SetCommandLine({"-windowed"});
    ASSERT_EQ(StartLikeDemo(), S_OK);
    keyMessages.clear();
    Framework::SetCallbackMessage(RecordKeyMessage);
    Framework::SetCallbackFrameRender([](IDirect3DDevice9*, double, float) {
        if (++framesRendered == 3)
            PushSdlKey(SDLK_ESCAPE, KMOD_NONE);
    });
    ASSERT_EQ(Framework::Run(nullptr), S_OK);
    EXPECT_EQ(keyMessages, (std::vector<std::string>{"WM_KEYDOWN 27"}))
        << "the window closes on the key itself";
    EXPECT_EQ(framesRendered, 3);
    EXPECT_EQ(Framework::ExitCode(), 0);
    EXPECT_EQ(Framework::Window(), nullptr);
}

TEST_F(MainLoop, AltEnterFromSdlTogglesFullScreenThroughTheMessageLoop) {
    SetCommandLine({"-windowed", "-quitafterframe:1"});
    ASSERT_EQ(StartLikeDemo(), S_OK);
    ASSERT_TRUE(Framework::IsWindowed());
    keyMessages.clear();
    Framework::SetCallbackMessage(RecordKeyMessage);
    PushSdlKey(SDLK_RETURN, KMOD_LALT);
    static bool windowedDuringFrame = true;
    Framework::SetCallbackFrameRender(
        [](IDirect3DDevice9*, double, float) { windowedDuringFrame = Framework::IsWindowed(); });
    ASSERT_EQ(Framework::Run(nullptr), S_OK);
    EXPECT_EQ(keyMessages, (std::vector<std::string>{"WM_SYSKEYDOWN 13 alt", "WM_SYSCHAR 13 alt"}));
    EXPECT_FALSE(windowedDuringFrame);
}

TEST_F(MainLoop, HotKeysPauseAndWireframe) {
    SetCommandLine({"-windowed"});
    ASSERT_EQ(StartLikeDemo(), S_OK);
    HWND window = Framework::Window();
    SendMessageW(window, WM_KEYDOWN, VK_PAUSE, 1);
    EXPECT_TRUE(State().timePaused);
    EXPECT_FALSE(State().renderingPaused);
    SendMessageW(window, WM_KEYDOWN, VK_PAUSE, 1);
    EXPECT_FALSE(State().timePaused);
    SendMessageW(window, WM_KEYDOWN, VK_F8, 1);
    EXPECT_EQ(direct3D.LastDevice()->fillMode, static_cast<DWORD>(D3DFILL_WIREFRAME));
    SendMessageW(window, WM_KEYDOWN, VK_F8, 1);
    EXPECT_EQ(direct3D.LastDevice()->fillMode, static_cast<DWORD>(D3DFILL_SOLID));

    // Without default hot keys the keys only reach the application.
    State().handleDefaultHotKeys = false;
    SendMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_NE(Framework::Window(), nullptr);
}

TEST_F(MainLoop, MinimisedWindowSkipsPresentsButCountsFrames) {
    SetCommandLine({"-windowed"});
    ASSERT_EQ(StartLikeDemo(), S_OK);
    FakeDevice* device = direct3D.LastDevice();
    SendMessageW(Framework::Window(), WM_SIZE, SIZE_MINIMIZED, 0);
    Framework::RenderFrame();
    EXPECT_EQ(device->presents, 0);
    EXPECT_EQ(Framework::FrameCount(), 1);
    SendMessageW(Framework::Window(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(800, 600));
    Framework::RenderFrame();
    EXPECT_EQ(device->presents, 1);
    EXPECT_EQ(framesRendered, 1);
}

TEST_F(MainLoop, ConstantFrameTimeFromTheCommandLine) {
    SetCommandLine({"-windowed", "-constantframetime:0.25"});
    ASSERT_EQ(StartLikeDemo(), S_OK);
    Framework::SetConstantFrameTime(false, 1.0f); // the command line wins
    static std::vector<std::pair<double, float>> times;
    times.clear();
    Framework::SetCallbackFrameMove([](IDirect3DDevice9*, double t, float e) { times.emplace_back(t, e); });
    Framework::RenderFrame();
    Framework::RenderFrame();
    ASSERT_EQ(times.size(), 2u);
    EXPECT_DOUBLE_EQ(times[0].first, 0.25);
    EXPECT_DOUBLE_EQ(times[1].first, 0.5);
    EXPECT_FLOAT_EQ(times[1].second, 0.25f);
}

TEST_F(MainLoop, ReportErrorTable) {
    const std::pair<HRESULT, int> table[] = {
        {FrameworkError::NoDirect3D, 2},
        {FrameworkError::NoCompatibleDevices, 3},
        {FrameworkError::MediaNotFound, 4},
        {FrameworkError::NonZeroRefCount, 5},
        {FrameworkError::CreatingDevice, 6},
        {FrameworkError::ResettingDevice, 7},
        {FrameworkError::CreatingDeviceObjects, 8},
        {FrameworkError::ResettingDeviceObjects, 9},
        {FrameworkError::IncorrectVersion, 10},
        {E_FAIL, 1},
        {D3DERR_DEVICELOST, 1},
        {FrameworkError::SwitchedToRef, 0}, // overwrites the earlier code
    };
    State().showErrorBoxes = false;
    for (auto [code, exitCode] : table) {
        Framework::ReportError(code);
        EXPECT_EQ(Framework::ExitCode(), exitCode) << std::hex << code;
    }
}

TEST_F(MainLoop, ErrorBoxGoesToStandardErrorWithTheWindowTitle) {
    ASSERT_EQ(Framework::Init(false, true, true), S_OK);
    ASSERT_EQ(Framework::OpenWindow(L"tmq - Quillmoor", nullptr, nullptr, nullptr, 0, 0), S_OK);
    testing::internal::CaptureStderr();
    Framework::ReportError(FrameworkError::CreatingDevice);
    std::string text = testing::internal::GetCapturedStderr();
    EXPECT_NE(text.find("tmq - Quillmoor"), std::string::npos);
    EXPECT_NE(text.find("Failed creating the Direct3D device."), std::string::npos);

    // -noerrormsgboxes keeps them off.
    FrameworkState::ResetForTest();
    direct3D.refs = 1;
    State().direct3D = &direct3D;
    SetCommandLine({"-noerrormsgboxes"});
    ASSERT_EQ(Framework::Init(true, true, true), S_OK);
    testing::internal::CaptureStderr();
    Framework::ReportError(FrameworkError::CreatingDevice);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(MainLoop, WindowOpensAtTheCommandLinePositionAndSize) {
    SetCommandLine({"-startx:40", "-starty:30", "-width:320", "-height:200"});
    ASSERT_EQ(Framework::Init(true, true, false), S_OK);
    ASSERT_EQ(Framework::OpenWindow(L"t", nullptr, nullptr, nullptr, CW_USEDEFAULT, CW_USEDEFAULT), S_OK);
    EXPECT_FALSE(State().windowPositionDefaulted);
    EXPECT_EQ(State().windowedClientRect.right, 320);
    EXPECT_EQ(State().windowedClientRect.bottom, 200);
    EXPECT_EQ(State().windowedWindowRect.left, 40);
    EXPECT_EQ(State().windowedWindowRect.top, 30);
}

TEST(FrameTimerTest, StoppedTimeStandsStillAndIsNotCountedLater) {
    FrameTimer timer;
    ASSERT_TRUE(timer.usingCounter);
    EXPECT_TRUE(timer.IsStopped());
    timer.Reset();
    timer.Stop();
    double stoppedAt = timer.Time();
    Sleep(2);
    EXPECT_EQ(timer.Time(), stoppedAt);
    EXPECT_EQ(timer.ElapsedTime(), 0.0);
    // As if the stop had happened ten seconds ago, with the same time on the clock.
    LONGLONG tenSeconds = 10 * timer.ticksPerSecond;
    timer.stopTicks -= tenSeconds;
    timer.baseTicks -= tenSeconds;
    timer.lastElapsedTicks -= tenSeconds;
    timer.Start();
    EXPECT_FALSE(timer.IsStopped());
    EXPECT_LT(timer.Time() - stoppedAt, 5.0);
    EXPECT_GE(timer.Time(), stoppedAt);
}

TEST(FrameTimerTest, WithoutCounterEverythingReadsMinusOne) {
    FrameTimer timer;
    timer.usingCounter = false;
    timer.Reset();
    EXPECT_EQ(timer.Time(), -1.0);
    EXPECT_EQ(timer.ElapsedTime(), -1.0);
}

} // namespace
