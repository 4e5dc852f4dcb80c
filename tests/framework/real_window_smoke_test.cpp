// The framework on the real window system and Direct3D (headless: SDL's offscreen
// driver), full screen at the desktop mode and windowed, ending through -quitafterframe.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/framework.h"
#include "framework/framework_state.h"
#include "tests/gl_test_device.h"

namespace {

int framesRendered = 0;

void ClearAndCount(IDirect3DDevice9* device, double, float) {
    ++framesRendered;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 64), 1.0f, 0);
}

struct SmokeCase {
    const char* name;
    std::vector<std::string> arguments;
    bool windowed;
};

TEST(RealWindowSmoke, RunsAndQuitsAfterFrames) {
    const SmokeCase cases[] = {
        {"full screen at the desktop mode", {"-fullscreen", "-quitafterframe:5"}, false},
        {"windowed", {"-windowed", "-quitafterframe:5"}, true},
    };
    for (const SmokeCase& c : cases) {
        SCOPED_TRACE(c.name);
        FrameworkState::ResetForTest();
        std::vector<std::string> arguments{"quillmoor"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        SetProcessCommandLine(static_cast<int>(argv.size()), argv.data());

        framesRendered = 0;
        Framework::SetCallbackFrameRender(ClearAndCount);
        HRESULT hr = Framework::Init(true, true, false);
        GL_TEST_REQUIRE_DIRECT3D(hr != FrameworkError::NoDirect3D);
        ASSERT_EQ(hr, S_OK);
        ASSERT_EQ(Framework::OpenWindow(L"tmq - Quillmoor", nullptr, nullptr, nullptr, CW_USEDEFAULT,
                                        CW_USEDEFAULT),
                  S_OK);
        ASSERT_EQ(Framework::CreateDevice(0, false, 800, 600, nullptr, nullptr), S_OK);
        ASSERT_NE(Framework::Device(), nullptr);
        EXPECT_EQ(Framework::IsWindowed(), c.windowed);
        const DeviceSettings& settings = *FrameworkState::Get().currentSettings;
        if (!c.windowed) {
            D3DDISPLAYMODE desktop{};
            Framework::Direct3D()->GetAdapterDisplayMode(0, &desktop);
            EXPECT_EQ(settings.pp.BackBufferWidth, desktop.Width);
            EXPECT_EQ(settings.pp.BackBufferHeight, desktop.Height);
        }
        EXPECT_EQ(Framework::Run(nullptr), S_OK);
        EXPECT_EQ(framesRendered, 6);
        EXPECT_EQ(Framework::FrameCount(), 6);
        EXPECT_EQ(Framework::Device(), nullptr);
        EXPECT_EQ(Framework::ExitCode(), 0);
    }
    FrameworkState::ResetForTest();
}

} // namespace
