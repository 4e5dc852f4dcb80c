// Device creation, loss, reset, re-creation and release, and the callback order around
// them, against the scripted device.
#include <string>

#include "framework_fixture.h"

namespace {

std::vector<std::string> events;

HRESULT OnCreated(IDirect3DDevice9*, const D3DSURFACE_DESC*) {
    events.push_back("created");
    return S_OK;
}
HRESULT OnReset(IDirect3DDevice9*, const D3DSURFACE_DESC* desc) {
    events.push_back("reset " + std::to_string(desc->Width) + "x" + std::to_string(desc->Height));
    return S_OK;
}
void OnLost() {
    events.push_back("lost");
}
void OnDestroyed() {
    events.push_back("destroyed");
}

class DeviceLifecycle : public FrameworkTest {
  protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        events.clear();
        Framework::SetCallbackDeviceCreated(OnCreated);
        Framework::SetCallbackDeviceReset(OnReset);
        Framework::SetCallbackDeviceLost(OnLost);
        Framework::SetCallbackDeviceDestroyed(OnDestroyed);
    }
};

TEST_F(DeviceLifecycle, CreationCallsCreatedThenReset) {
    SetCommandLine({"-windowed"});
    ASSERT_EQ(StartLikeDemo(), S_OK);
    EXPECT_EQ(events, (std::vector<std::string>{"created", "reset 800x600"}));
    EXPECT_TRUE(State().deviceReady);
    EXPECT_TRUE(State().deviceObjectsCreated);
    EXPECT_TRUE(State().deviceObjectsReset);
    EXPECT_EQ(Framework::Device(), direct3D.LastDevice());
    RECT client{};
    GetClientRect(Framework::Window(), &client);
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 600);
}

TEST_F(DeviceLifecycle, LostDeviceIsResetByTheFrameStep) {
    SetCommandLine({"-windowed"});
    ASSERT_EQ(StartLikeDemo(), S_OK);
    FakeDevice* device = direct3D.LastDevice();
    events.clear();
    device->presentAnswers = {D3DERR_DEVICELOST};
    Framework::RenderFrame();
    EXPECT_TRUE(State().deviceIsLost);
    // Still lost on the next pass, then ready to be reset.
    device->cooperativeAnswers = {D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET};
    Framework::RenderFrame();
    EXPECT_TRUE(State().deviceIsLost);
    EXPECT_EQ(device->resets, 0);
    Framework::RenderFrame();
    EXPECT_FALSE(State().deviceIsLost);
    EXPECT_EQ(device->resets, 1);
    EXPECT_EQ(events, (std::vector<std::string>{"lost", "reset 800x600"}));
    EXPECT_EQ(direct3D.createCalls.size(), 1u);
    EXPECT_EQ(device->presents, 2); // the first frame and the frame after the reset
}

TEST_F(DeviceLifecycle, FailedResetRecreatesTheDevice) {
    SetCommandLine({"-windowed"});
    ASSERT_EQ(StartLikeDemo(), S_OK);
    FakeDevice* first = direct3D.LastDevice();
    first->presentAnswers = {D3DERR_DEVICELOST};
    Framework::RenderFrame();
    first->cooperativeAnswers = {D3DERR_DEVICENOTRESET};
    first->resetAnswers = {D3DERR_INVALIDCALL};
    events.clear();
    Framework::RenderFrame();
    EXPECT_EQ(direct3D.createCalls.size(), 2u);
    EXPECT_NE(Framework::Device(), first);
    EXPECT_EQ(first->refs, 0u);
    EXPECT_EQ(events, (std::vector<std::string>{"lost", "lost", "destroyed", "created", "reset 800x600"}));
    EXPECT_FALSE(State().deviceIsLost);
    EXPECT_FALSE(State().timePaused);
    EXPECT_FALSE(State().renderingPaused);
}

TEST_F(DeviceLifecycle, ReferencesLeftAtReleaseSetExitCodeFive) {
    direct3D.leakedReferences = 2;
    ASSERT_EQ(StartLikeDemo(), S_OK);
    Framework::Shutdown();
    EXPECT_EQ(Framework::ExitCode(), 5);
    EXPECT_EQ(Framework::Device(), nullptr);
    EXPECT_EQ(events, (std::vector<std::string>{"created", "reset 800x600", "lost", "destroyed"}));
}

TEST_F(DeviceLifecycle, NoHardwareVertexProcessingFailsWithExitCodeSix) {
    direct3D.adapters[0].deviceTypes = {{D3DDEVTYPE_HAL, 0}};
    auto demoAdjust = [](DeviceSettings* settings, const D3DCAPS9*) {
        settings->BehaviorFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    };
    EXPECT_TRUE(FAILED(StartLikeDemo(demoAdjust)));
    EXPECT_EQ(Framework::ExitCode(), 6);
    EXPECT_EQ(Framework::Device(), nullptr);
    EXPECT_EQ(Framework::Run(nullptr), E_FAIL);
    EXPECT_EQ(Framework::ExitCode(), 6);

    // Forcing software vertex processing on the command line rescues it.
    FrameworkState::ResetForTest();
    direct3D.refs = 1;
    State().direct3D = &direct3D;
    SetCommandLine({"-forceswvp"});
    EXPECT_EQ(StartLikeDemo(demoAdjust), S_OK);
    EXPECT_EQ(direct3D.createCalls.back().behaviorFlags, D3DCREATE_SOFTWARE_VERTEXPROCESSING);
}

TEST_F(DeviceLifecycle, UnforcedReferenceDeviceReportsSwitchedToRef) {
    direct3D.adapters[0].deviceTypes = {{D3DDEVTYPE_REF, D3DDEVCAPS_HWTRANSFORMANDLIGHT}};
    State().exitCode = 4;
    ASSERT_EQ(StartLikeDemo(), S_OK);
    EXPECT_EQ(direct3D.createCalls.back().type, D3DDEVTYPE_REF);
    EXPECT_EQ(Framework::ExitCode(), 0);
}

TEST_F(DeviceLifecycle, FullScreenToggleReturnsToTheOpeningClientSize) {
    ASSERT_EQ(StartLikeDemo(), S_OK);
    ASSERT_FALSE(Framework::IsWindowed());
    ASSERT_EQ(Framework::ToggleFullScreen(), S_OK);
    EXPECT_TRUE(Framework::IsWindowed());
    EXPECT_EQ(State().currentSettings->pp.BackBufferWidth, 640u);
    EXPECT_EQ(State().currentSettings->pp.BackBufferHeight, 480u);
    // Same adapter, type and flags: a reset, not a new device.
    EXPECT_EQ(direct3D.createCalls.size(), 1u);
    ASSERT_EQ(Framework::ToggleFullScreen(), S_OK);
    EXPECT_FALSE(Framework::IsWindowed());
    EXPECT_EQ(State().currentSettings->pp.BackBufferWidth, 800u);
    EXPECT_EQ(State().pauseTimeCount, 0);
    EXPECT_EQ(State().pauseRenderingCount, 0);
}

TEST_F(DeviceLifecycle, ReferenceToggleRecreatesWithTheOtherType) {
    ASSERT_EQ(StartLikeDemo(), S_OK);
    ASSERT_EQ(Framework::ToggleReferenceRasterizer(), S_OK);
    EXPECT_EQ(direct3D.createCalls.back().type, D3DDEVTYPE_REF);
    ASSERT_EQ(Framework::ToggleReferenceRasterizer(), S_OK);
    EXPECT_EQ(direct3D.createCalls.back().type, D3DDEVTYPE_HAL);
    EXPECT_EQ(direct3D.createCalls.size(), 3u);
}

TEST_F(DeviceLifecycle, CallbackFailuresMapToTheirCodes) {
    struct Case {
        DeviceCreatedCallback created;
        DeviceResetCallback reset;
        HRESULT expected;
        int exitCode;
    };
    const Case cases[] = {
        {[](IDirect3DDevice9*, const D3DSURFACE_DESC*) { return E_FAIL; }, OnReset,
         FrameworkError::CreatingDeviceObjects, 8},
        {[](IDirect3DDevice9*, const D3DSURFACE_DESC*) { return FrameworkError::MediaNotFound; }, OnReset,
         FrameworkError::MediaNotFound, 4},
        {OnCreated, [](IDirect3DDevice9*, const D3DSURFACE_DESC*) { return E_FAIL; },
         FrameworkError::ResettingDeviceObjects, 9},
    };
    for (const Case& c : cases) {
        FrameworkState::ResetForTest();
        direct3D.refs = 1;
        State().direct3D = &direct3D;
        Framework::SetCallbackDeviceCreated(c.created);
        Framework::SetCallbackDeviceReset(c.reset);
        EXPECT_EQ(StartLikeDemo(), c.expected);
        EXPECT_EQ(Framework::ExitCode(), c.exitCode);
        EXPECT_EQ(State().pauseTimeCount, 0);
    }
}

} // namespace
