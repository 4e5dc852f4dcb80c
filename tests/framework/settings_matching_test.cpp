// Device settings chosen for the demo's request under the command-line options, against
// a scripted adapter.
#include "framework/device_catalogue.h"
#include "framework_fixture.h"

namespace {

void DemoAdjust(DeviceSettings* settings, const D3DCAPS9*) {
    settings->BehaviorFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
}

struct MatchCase {
    const char* name;
    std::vector<std::string> arguments;
    BOOL windowed;
    UINT width;
    UINT height;
    D3DDEVTYPE deviceType;
    DWORD behaviorFlags;
};

class SettingsMatching : public FrameworkTest {};

TEST_F(SettingsMatching, CommandLineOverridesOnTheDemoRequest) {
    const MatchCase cases[] = {
        {"no options", {}, FALSE, 800, 600, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING},
        // Full screen alone uses the desktop resolution, not the requested 800 x 600.
        {"fullscreen",
         {"-fullscreen"},
         FALSE,
         1280,
         1024,
         D3DDEVTYPE_HAL,
         D3DCREATE_HARDWARE_VERTEXPROCESSING},
        {"fullscreen sized",
         {"-fullscreen", "-width:1024", "-height:768"},
         FALSE,
         1024,
         768,
         D3DDEVTYPE_HAL,
         D3DCREATE_HARDWARE_VERTEXPROCESSING},
        {"windowed", {"-windowed"}, TRUE, 800, 600, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING},
        // -fullscreen without a size also drops the requested size: the default window size.
        {"windowed wins",
         {"-fullscreen", "-windowed"},
         TRUE,
         640,
         480,
         D3DDEVTYPE_HAL,
         D3DCREATE_HARDWARE_VERTEXPROCESSING},
        // A width that is no display mode is still the back-buffer size; the height comes from
        // the nearest mode (1024 x 768).
        {"odd width", {"-width:1000"}, FALSE, 1000, 768, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING},
        {"ref wins over hal",
         {"-forcehal", "-forceref"},
         FALSE,
         800,
         600,
         D3DDEVTYPE_REF,
         D3DCREATE_HARDWARE_VERTEXPROCESSING},
        {"software vp beats the adjust callback",
         {"-forceswvp"},
         FALSE,
         800,
         600,
         D3DDEVTYPE_HAL,
         D3DCREATE_SOFTWARE_VERTEXPROCESSING},
        {"pure device",
         {"-forcepurehwvp"},
         FALSE,
         800,
         600,
         D3DDEVTYPE_HAL,
         D3DCREATE_PUREDEVICE | D3DCREATE_HARDWARE_VERTEXPROCESSING},
    };
    for (const MatchCase& c : cases) {
        SCOPED_TRACE(c.name);
        FrameworkState::ResetForTest();
        direct3D.createCalls.clear();
        direct3D.refs = 1;
        State().direct3D = &direct3D;
        SetCommandLine(c.arguments);
        ASSERT_EQ(StartLikeDemo(DemoAdjust), S_OK);
        ASSERT_EQ(direct3D.createCalls.size(), 1u);
        const auto& call = direct3D.createCalls.back();
        EXPECT_EQ(call.pp.Windowed, c.windowed);
        EXPECT_EQ(call.pp.BackBufferWidth, c.width);
        EXPECT_EQ(call.pp.BackBufferHeight, c.height);
        EXPECT_EQ(call.type, c.deviceType);
        EXPECT_EQ(call.behaviorFlags, c.behaviorFlags);
        EXPECT_EQ(Framework::ExitCode(), 0);
    }
}

TEST_F(SettingsMatching, DemoRequestOnA32BitDesktop) {
    ASSERT_EQ(StartLikeDemo(), S_OK);
    const auto& pp = direct3D.createCalls.back().pp;
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(pp.BackBufferCount, 2u);
    EXPECT_EQ(pp.MultiSampleType, D3DMULTISAMPLE_NONE);
    EXPECT_EQ(pp.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_TRUE(pp.EnableAutoDepthStencil);
    EXPECT_EQ(pp.AutoDepthStencilFormat, D3DFMT_D32);
    EXPECT_EQ(pp.Flags, D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL);
    EXPECT_EQ(pp.FullScreen_RefreshRateInHz, 60u); // the 800 x 600 rate nearest the desktop's
    EXPECT_EQ(pp.PresentationInterval, D3DPRESENT_INTERVAL_DEFAULT);
    EXPECT_EQ(State().currentSettings->AdapterFormat, D3DFMT_X8R8G8B8);
}

TEST_F(SettingsMatching, DepthStencilPreferenceOrder) {
    // Nearest to 32 depth bits with the fewest stencil bits; D16 and D24S8 tie, D16 first.
    const std::vector<std::pair<std::vector<D3DFORMAT>, D3DFORMAT>> cases = {
        {{D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D32}, D3DFMT_D32},
        {{D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8}, D3DFMT_D24X8},
        {{D3DFMT_D16, D3DFMT_D24X4S4, D3DFMT_D24S8}, D3DFMT_D24X4S4},
        {{D3DFMT_D16, D3DFMT_D24S8}, D3DFMT_D16},
        {{D3DFMT_D24S8, D3DFMT_D15S1}, D3DFMT_D24S8},
    };
    for (const auto& [formats, expected] : cases) {
        FrameworkState::ResetForTest();
        direct3D.refs = 1;
        direct3D.adapters[0].depthFormats = formats;
        State().direct3D = &direct3D;
        ASSERT_EQ(StartLikeDemo(), S_OK);
        EXPECT_EQ(direct3D.createCalls.back().pp.AutoDepthStencilFormat, expected);
    }
}

TEST_F(SettingsMatching, SixteenBitDesktopStillPicksA32BitFullScreenMode) {
    direct3D.adapters[0].desktop = {1024, 768, 60, D3DFMT_R5G6B5};
    ASSERT_EQ(StartLikeDemo(), S_OK);
    EXPECT_EQ(State().currentSettings->AdapterFormat, D3DFMT_X8R8G8B8);
}

TEST_F(SettingsMatching, MissingModeTakesNearestBySummedDifference) {
    auto& modes = direct3D.adapters[0].modes;
    modes.erase(std::remove_if(modes.begin(), modes.end(), [](auto& m) { return m.Width == 800; }),
                modes.end());
    ASSERT_EQ(StartLikeDemo(), S_OK);
    // 640x480 is 280 away, 1024x768 is 392 away.
    EXPECT_EQ(direct3D.createCalls.back().pp.BackBufferWidth, 640u);
    EXPECT_EQ(direct3D.createCalls.back().pp.BackBufferHeight, 480u);
}

TEST_F(SettingsMatching, WindowedSizeIsLimitedByTheDesktop) {
    direct3D.adapters[0].desktop = {800, 600, 60, D3DFMT_X8R8G8B8};
    SetCommandLine({"-windowed"});
    ASSERT_EQ(StartLikeDemo(), S_OK);
    EXPECT_EQ(direct3D.createCalls.back().pp.BackBufferWidth, 780u);
    EXPECT_EQ(direct3D.createCalls.back().pp.BackBufferHeight, 500u);
}

TEST_F(SettingsMatching, MissingDeviceTypeAndNoAdapterFails) {
    direct3D.adapters[0].deviceTypes = {{D3DDEVTYPE_HAL, D3DDEVCAPS_HWTRANSFORMANDLIGHT}};
    SetCommandLine({"-forceref"});
    EXPECT_EQ(StartLikeDemo(), FrameworkError::NoCompatibleDevices);
    EXPECT_EQ(Framework::ExitCode(), 3);

    FrameworkState::ResetForTest();
    direct3D.refs = 1;
    State().direct3D = &direct3D;
    SetCommandLine({"-adapter:3"});
    EXPECT_EQ(StartLikeDemo(), FrameworkError::NoCompatibleDevices);
}

TEST_F(SettingsMatching, RejectedCombosNeverAppear) {
    ASSERT_EQ(Framework::Init(false, true, false), S_OK);
    DeviceCatalogue catalogue;
    catalogue.Enumerate(&direct3D, [](const D3DCAPS9*, D3DFORMAT, D3DFORMAT backBuffer, bool) {
        return backBuffer == D3DFMT_A8R8G8B8;
    });
    ASSERT_EQ(catalogue.Adapters().size(), 1u);
    for (const DeviceEntry& device : catalogue.Adapters()[0].devices)
        for (const FormatCombo& combo : device.combos) {
            EXPECT_EQ(combo.BackBufferFormat, D3DFMT_A8R8G8B8);
            EXPECT_EQ(combo.adapterEntry, &catalogue.Adapters()[0]);
            EXPECT_EQ(combo.deviceEntry, &device);
        }
    // HAL then REF; the display modes sorted by width, height, format, refresh.
    const auto& adapter = catalogue.Adapters()[0];
    ASSERT_EQ(adapter.devices.size(), 2u);
    EXPECT_EQ(adapter.devices[0].DeviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(adapter.devices[1].DeviceType, D3DDEVTYPE_REF);
    for (size_t i = 1; i < adapter.displayModes.size(); ++i) {
        const auto& a = adapter.displayModes[i - 1];
        const auto& b = adapter.displayModes[i];
        EXPECT_LE(std::tie(a.Width, a.Height, a.Format, a.RefreshRate),
                  std::tie(b.Width, b.Height, b.Format, b.RefreshRate));
    }
}

} // namespace
