// The device life cycle through the framework on the real window system and the OpenGL
// Direct3D (headless: SDL's offscreen driver): callback order, full-screen toggles and
// window resizes, sizes asked on the command line, and the reference rasteriser.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/framework.h"
#include "framework/framework_state.h"
#include "platform/win32/platform_window.h"
#include "tests/gl_test_device.h"

namespace {

struct ClientExtent {
    LONG cx, cy;
};

std::vector<std::string> events;

HRESULT OnCreated(IDirect3DDevice9*, const D3DSURFACE_DESC*) {
    events.push_back("create");
    return S_OK;
}
HRESULT OnReset(IDirect3DDevice9*, const D3DSURFACE_DESC*) {
    events.push_back("reset");
    return S_OK;
}
void OnLost() {
    events.push_back("lost");
}
void OnDestroyed() {
    events.push_back("destroy");
}

// True when the events follow the framework's order: objects are created, then reset;
// a reset follows only a create or a lost; destroy follows lost.
bool InLifeCycleOrder(const std::vector<std::string>& seen) {
    std::string last = "destroy";
    for (const std::string& e : seen) {
        const bool ok = (e == "create" && last == "destroy") ||
                        (e == "reset" && (last == "create" || last == "lost")) ||
                        (e == "lost" && last == "reset") || (e == "destroy" && last == "lost");
        if (!ok)
            return false;
        last = e;
    }
    return true;
}

class GlLifeCycle : public ::testing::Test {
  protected:
    void TearDown() override {
        FrameworkState::ResetForTest();
        Framework::SetCallbackDeviceCreated(nullptr);
        Framework::SetCallbackDeviceReset(nullptr);
        Framework::SetCallbackDeviceLost(nullptr);
        Framework::SetCallbackDeviceDestroyed(nullptr);
    }

    // Starts the framework with `arguments` up to a device.
    HRESULT Start(std::vector<std::string> arguments) {
        FrameworkState::ResetForTest();
        arguments.insert(arguments.begin(), "quillmoor");
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        SetProcessCommandLine(static_cast<int>(argv.size()), argv.data());
        events.clear();
        Framework::SetCallbackDeviceCreated(OnCreated);
        Framework::SetCallbackDeviceReset(OnReset);
        Framework::SetCallbackDeviceLost(OnLost);
        Framework::SetCallbackDeviceDestroyed(OnDestroyed);
        HRESULT hr = Framework::Init(true, true, false);
        if (FAILED(hr))
            return hr;
        hr = Framework::OpenWindow(L"Quillmoor", nullptr, nullptr, nullptr, CW_USEDEFAULT, CW_USEDEFAULT);
        if (FAILED(hr))
            return hr;
        return Framework::CreateDevice(0, true, 320, 240, nullptr, nullptr);
    }

    static ClientExtent ClientSize() {
        RECT r{};
        GetClientRect(Framework::Window(), &r);
        return ClientExtent{r.right - r.left, r.bottom - r.top};
    }
};

#define START_FRAMEWORK(...)                                                                                 \
    do {                                                                                                     \
        const HRESULT started = Start(__VA_ARGS__);                                                          \
        GL_TEST_REQUIRE_DIRECT3D(started != FrameworkError::NoDirect3D);                                     \
        ASSERT_EQ(started, S_OK);                                                                            \
    } while (false)

TEST_F(GlLifeCycle, CallbacksComeInOrderThroughCreateResetAndShutdown) {
    START_FRAMEWORK({"-windowed", "-width:160", "-height:120"});
    EXPECT_EQ(events, (std::vector<std::string>{"create", "reset"}));
    ASSERT_EQ(Framework::ToggleFullScreen(), S_OK);
    ASSERT_EQ(Framework::ToggleFullScreen(), S_OK);
    Framework::Shutdown();
    ASSERT_GE(events.size(), 4u);
    EXPECT_TRUE(InLifeCycleOrder(events));
    EXPECT_EQ(events[events.size() - 2], "lost");
    EXPECT_EQ(events.back(), "destroy");
    EXPECT_EQ(Framework::Device(), nullptr);
    EXPECT_EQ(Framework::ExitCode(), 0);
}

TEST_F(GlLifeCycle, AltEnterThereAndBackKeepsTheWindowSize) {
    START_FRAMEWORK({"-windowed", "-width:320", "-height:240"});
    const ClientExtent before = ClientSize();
    EXPECT_EQ(before.cx, 320);
    EXPECT_EQ(before.cy, 240);
    constexpr LPARAM AltDown = 1 << 29;
    SendMessageW(Framework::Window(), WM_SYSCHAR, '\r', AltDown);
    EXPECT_FALSE(Framework::IsWindowed());
    SendMessageW(Framework::Window(), WM_SYSCHAR, '\r', AltDown);
    ASSERT_TRUE(Framework::IsWindowed());
    const ClientExtent after = ClientSize();
    EXPECT_EQ(after.cx, before.cx);
    EXPECT_EQ(after.cy, before.cy);
    EXPECT_EQ(Framework::ExitCode(), 0);
}

// Each toggle and each resize gives a device back; a reference left anywhere would make
// the framework report NonZeroRefCount (exit code 5) at that release or at shutdown.
TEST_F(GlLifeCycle, TwoHundredTogglesAndResizesLeaveNoReference) {
    START_FRAMEWORK({"-windowed", "-width:64", "-height:48"});
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(Framework::ToggleFullScreen(), S_OK) << "toggle " << i;
        ASSERT_EQ(Framework::ExitCode(), 0) << "toggle " << i;
    }
    ASSERT_TRUE(Framework::IsWindowed());
    HWND window = Framework::Window();
    for (int i = 0; i < 200; ++i) {
        // Above the window's minimum tracking size, so the window takes the size asked.
        const int w = 320 + (i % 2) * 16;
        const int h = 240 + (i % 2) * 8;
        RECT frame{0, 0, w, h};
        AdjustWindowRect(&frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE);
        SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER);
        SendMessageW(window, WM_EXITSIZEMOVE, 0, 0);
        D3DSURFACE_DESC desc = FrameworkState::Get().backBufferDesc;
        ASSERT_EQ(desc.Width, static_cast<UINT>(w)) << "resize " << i;
        ASSERT_EQ(desc.Height, static_cast<UINT>(h)) << "resize " << i;
        ASSERT_EQ(Framework::ExitCode(), 0) << "resize " << i;
    }
    Framework::Shutdown();
    EXPECT_TRUE(InLifeCycleOrder(events));
    EXPECT_EQ(Framework::ExitCode(), 0);
}

TEST_F(GlLifeCycle, WindowedSizeFromTheCommandLineIsTheClientSize) {
    START_FRAMEWORK({"-windowed", "-width:1280", "-height:720"});
    const ClientExtent size = ClientSize();
    EXPECT_EQ(size.cx, 1280);
    EXPECT_EQ(size.cy, 720);
    EXPECT_EQ(FrameworkState::Get().backBufferDesc.Width, 1280u);
    EXPECT_EQ(FrameworkState::Get().backBufferDesc.Height, 720u);
}

TEST_F(GlLifeCycle, FullScreenUsesSdlFullScreenModeOfTheMatchedSize) {
    START_FRAMEWORK({"-fullscreen"});
    ASSERT_FALSE(Framework::IsWindowed());
    SDL_Window* sdl = Framework::Window()->sdlWindow;
    EXPECT_EQ(SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN_DESKTOP, SDL_WINDOW_FULLSCREEN);
    SDL_DisplayMode mode{};
    ASSERT_EQ(SDL_GetWindowDisplayMode(sdl, &mode), 0);
    const D3DSURFACE_DESC& desc = FrameworkState::Get().backBufferDesc;
    EXPECT_EQ(static_cast<UINT>(mode.w), desc.Width);
    EXPECT_EQ(static_cast<UINT>(mode.h), desc.Height);
}

D3DDEVTYPE CreatedType() {
    D3DDEVICE_CREATION_PARAMETERS created{};
    EXPECT_EQ(Framework::Device()->GetCreationParameters(&created), D3D_OK);
    return created.DeviceType;
}

TEST_F(GlLifeCycle, ForceRefCreatesTheReferenceDevice) {
    START_FRAMEWORK({"-windowed", "-forceref", "-width:64", "-height:48"});
    EXPECT_EQ(FrameworkState::Get().currentSettings->DeviceType, D3DDEVTYPE_REF);
    EXPECT_EQ(CreatedType(), D3DDEVTYPE_REF);
    EXPECT_EQ(Framework::ExitCode(), 0);
}

// F3 re-creates the device as the other type, each time through the application's
// callbacks, and back again.
TEST_F(GlLifeCycle, F3SwitchesToTheReferenceDeviceAndBack) {
    START_FRAMEWORK({"-windowed", "-width:64", "-height:48"});
    ASSERT_EQ(CreatedType(), D3DDEVTYPE_HAL);
    for (const D3DDEVTYPE expected : {D3DDEVTYPE_REF, D3DDEVTYPE_HAL, D3DDEVTYPE_REF}) {
        events.clear();
        SendMessageW(Framework::Window(), WM_KEYDOWN, VK_F3, 0);
        ASSERT_NE(Framework::Device(), nullptr);
        EXPECT_EQ(FrameworkState::Get().currentSettings->DeviceType, expected);
        EXPECT_EQ(CreatedType(), expected);
        EXPECT_EQ(events, (std::vector<std::string>{"lost", "destroy", "create", "reset"}));
        D3DCAPS9 caps{};
        ASSERT_EQ(Framework::Device()->GetDeviceCaps(&caps), D3D_OK);
        EXPECT_EQ(caps.DeviceType, expected);
    }
    EXPECT_EQ(Framework::ExitCode(), 0);
}

bool AcceptReferenceOnly(const D3DCAPS9* caps, D3DFORMAT, D3DFORMAT, bool) {
    return caps != nullptr && caps->DeviceType == D3DDEVTYPE_REF;
}

// Where no hardware device is acceptable, the framework takes the reference device by
// itself, says so (a message box; here on standard error) and reports no failure.
TEST_F(GlLifeCycle, UnforcedReferenceDeviceIsAnnounced) {
    FrameworkState::ResetForTest();
    std::vector<char*> argv{const_cast<char*>("quillmoor")};
    SetProcessCommandLine(1, argv.data());
    GL_TEST_REQUIRE_DIRECT3D(Framework::Init(true, true, true) != FrameworkError::NoDirect3D);
    ASSERT_EQ(Framework::OpenWindow(L"Quillmoor", nullptr, nullptr, nullptr, CW_USEDEFAULT, CW_USEDEFAULT),
              S_OK);
    testing::internal::CaptureStderr();
    const HRESULT created = Framework::CreateDevice(0, true, 64, 48, AcceptReferenceOnly, nullptr);
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_EQ(created, S_OK);
    EXPECT_EQ(CreatedType(), D3DDEVTYPE_REF);
    EXPECT_NE(said.find("Switching to the reference rasterizer"), std::string::npos) << said;
    EXPECT_EQ(Framework::ExitCode(), 0);
}

} // namespace
