// F3 in the real demo, in process: the scenes drawn on the hardware device, then on the
// reference device the framework re-creates in its place (with every texture, buffer, mesh
// and effect the scenes made at start-up following it), then on the hardware device again.
// The picture must not change.

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include <stb_image_write.h>
#include "framework/framework.h"
#include "framework/framework_state.h"
#include "platform/d3d9/frame_capture.h"
#include "platform/sound/sound_clock.h"
#include "shell/demo_callbacks.h"
#include "shell/demo_init.h"
#include "tests/demo/picture_comparison.h"
#include "tests/demo/whole_program_fixture.h"

namespace {

// Inside the opening blob (effect and overlays), the twisting stack (flare stream), the blob
// room (fixed-function lit room) and the final room with its greetings.
constexpr int musicMilliseconds[] = {20500, 60000, 120000, 171000};
constexpr int maxSettlingFrames = 12;

PictureComparison::Picture Frame() {
    PictureComparison::Picture picture;
    FrameSink sink;
    sink.request = [](long long* tag) {
        *tag = 0;
        return FrameRequest::KeepLast; // handed over before the Present returns
    };
    sink.take = [&picture](long long, const FrameRows& rows) {
        picture.width = rows.width;
        picture.height = rows.height;
        picture.rgb.clear();
        for (int y = 0; y < rows.height; ++y) {
            const unsigned char* row = rows.top + y * rows.stride;
            for (int x = 0; x < rows.width; ++x) {
                picture.rgb.insert(picture.rgb.end(), row + x * 4, row + x * 4 + 3);
            }
        }
    };
    SetFrameSink(sink);
    Framework::RenderFrame();
    SetFrameSink(FrameSink());
    return picture;
}

D3DDEVTYPE DeviceType() {
    D3DDEVICE_CREATION_PARAMETERS created{};
    if (Framework::Device() == nullptr || FAILED(Framework::Device()->GetCreationParameters(&created))) {
        return static_cast<D3DDEVTYPE>(0);
    }
    return created.DeviceType;
}

class ReferenceSwitch : public WholeProgram {
  protected:
    void TearDown() override {
        Framework::Shutdown();
        if (!previous.empty()) {
            fs::current_path(previous);
        }
        WholeProgram::TearDown();
    }
    fs::path previous;
};

TEST_F(ReferenceSwitch, F3SwitchesDevicesBothWaysWithThePictureUnchanged) {
    ASSERT_TRUE(CopyMedia()) << "no generated media in " << runDirectory;
    previous = fs::current_path();
    fs::current_path(work);
    std::vector<char*> argv{const_cast<char*>("quillmoor"), const_cast<char*>("-windowed")};
    SetProcessCommandLine(static_cast<int>(argv.size()), argv.data());
    // A fixed music position from the start: no sound device, and frames chosen by the test.
    SoundClock::SetFixedPosition(0);
    DemoRegisterCallbacks();
    ASSERT_EQ(Framework::Init(true, true, false), S_OK);
    ASSERT_EQ(
        Framework::OpenWindow(L"tmq - Quillmoor", nullptr, nullptr, nullptr, CW_USEDEFAULT, CW_USEDEFAULT),
        S_OK);
    ASSERT_EQ(Framework::CreateDevice(0, true, 800, 600, DemoAcceptDevice, DemoAdjustSettings), S_OK);
    ASSERT_EQ(DeviceType(), D3DDEVTYPE_HAL);
    DemoInit();

    for (const int ms : musicMilliseconds) {
        SCOPED_TRACE("music at " + std::to_string(ms) + " ms");
        SoundClock::SetFixedPosition(ms);
        // Frames at one music time settle: the flares face the camera of the frame before,
        // and beat tables catch up one beat a frame after a jump.
        PictureComparison::Picture hardware = Frame();
        for (int settling = 0; settling < maxSettlingFrames; ++settling) {
            PictureComparison::Picture next = Frame();
            const bool settled = next.rgb == hardware.rgb;
            hardware = std::move(next);
            if (settled) {
                break;
            }
        }
        ASSERT_EQ(hardware.width, 800);
        for (const D3DDEVTYPE type : {D3DDEVTYPE_REF, D3DDEVTYPE_HAL}) {
            SendMessageW(Framework::Window(), WM_KEYDOWN, VK_F3, 0);
            ASSERT_EQ(DeviceType(), type);
            const PictureComparison::Picture other = Frame();
            if (getenv("QM_DUMP")) {
                static int n = 0;
                std::string name = "/tmp/qmdump_" + std::to_string(ms) + "_" + std::to_string(n++) + ".png";
                stbi_write_png(name.c_str(), other.width, other.height, 3, other.rgb.data(), other.width * 3);
                std::string h = "/tmp/qmdump_" + std::to_string(ms) + "_hal.png";
                stbi_write_png(h.c_str(), hardware.width, hardware.height, 3, hardware.rgb.data(),
                               hardware.width * 3);
            }
            const PictureComparison::Difference d = PictureComparison::Compare(
                PictureComparison::Reduced(hardware, PictureComparison::reductionFactor),
                PictureComparison::Reduced(other, PictureComparison::reductionFactor));
            EXPECT_TRUE(PictureComparison::Passes(d))
                << (type == D3DDEVTYPE_REF ? "reference" : "hardware again") << ": " << d.pixelsOff
                << " reduced pixels off, mean difference " << d.meanDifference << ", largest " << d.largest;
        }
    }
    EXPECT_EQ(Framework::ExitCode(), 0);
}

} // namespace
