#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

#include "platform/sound/fmod.h"
#include "platform/sound/sound_clock.h"
#include "tests/platform/tone_ogg_file.h"
#include "tests/temp_directory.h"

namespace {

namespace fs = std::filesystem;

class SoundStream : public ::testing::Test {
  protected:
    void SetUp() override {
        previous = fs::current_path();
        directory = TestTemp::MakeDirectory("quillmoor-sound");
        fs::current_path(directory);
        SoundClock::ClearFixedPosition();
        FSOUND_SetOutput(FSOUND_OUTPUT_WINMM);
        FSOUND_Init(44100, 32, 0);
        FSOUND_Stream_SetBufferSize(1000);
    }
    void TearDown() override {
        SoundClock::ClearFixedPosition();
        fs::current_path(previous);
        fs::remove_all(directory);
    }

    // Polls the position until it reaches `target` ms or the deadline passes; returns the
    // last value read and checks on the way that it never went backwards.
    static int WaitForPosition(FSOUND_STREAM* stream, int target) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        int last = FSOUND_Stream_GetTime(stream);
        while (last < target && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            const int now = FSOUND_Stream_GetTime(stream);
            EXPECT_GE(now, last);
            last = now;
        }
        return last;
    }

    fs::path previous;
    fs::path directory;
};

TEST_F(SoundStream, LengthIsTheDecodedSampleCountInWholeMilliseconds) {
    const struct {
        int rate;
        long frames;
        int ms;
    } cases[] = {{44100, 13230, 300}, {44100, 13229, 299}, {22050, 22050, 1000}, {48000, 4800, 100}};
    for (const auto& c : cases) {
        TestTone::WriteOgg("tone.ogg", c.rate, c.frames);
        FSOUND_STREAM* stream = FSOUND_Stream_Open("tone.ogg", FSOUND_NORMAL, 0, 0);
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(FSOUND_Stream_GetLengthMs(stream), c.ms) << c.rate << " " << c.frames;
        EXPECT_EQ(FSOUND_Stream_Close(stream), 1);
    }
}

TEST_F(SoundStream, NamesFollowWindowsRulesAndBadFilesGiveNoStream) {
    TestTone::WriteOgg("z.ogg", 44100, 4410);
    FSOUND_STREAM* found = FSOUND_Stream_Open("Z.OGG", FSOUND_NORMAL, 0, 0);
    EXPECT_NE(found, nullptr);
    FSOUND_Stream_Close(found);
    EXPECT_EQ(FSOUND_Stream_Open("missing.ogg", FSOUND_NORMAL, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_Stream_Open(nullptr, FSOUND_NORMAL, 0, 0), nullptr);
    {
        std::FILE* f = std::fopen("junk.ogg", "wb");
        std::fputs("OggS but not really", f);
        std::fclose(f);
    }
    EXPECT_EQ(FSOUND_Stream_Open("junk.ogg", FSOUND_NORMAL, 0, 0), nullptr);
    {
        std::FILE* f = std::fopen("empty.ogg", "wb");
        std::fclose(f);
    }
    EXPECT_EQ(FSOUND_Stream_Open("empty.ogg", FSOUND_NORMAL, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_Stream_GetLengthMs(nullptr), 0);
    EXPECT_EQ(FSOUND_Stream_Close(nullptr), 0);
}

TEST_F(SoundStream, PositionIsZeroUntilPlayedThenGrowsAndStopsAtTheEnd) {
    TestTone::WriteOgg("z.ogg", 44100, 13230); // 300 ms
    FSOUND_STREAM* stream = FSOUND_Stream_Open("z.ogg", FSOUND_NORMAL, 0, 0);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);
    FSOUND_Stream_Play(0, stream);
    EXPECT_EQ(WaitForPosition(stream, 300), 300);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 300) << "an ended stream stays at its length";
    EXPECT_EQ(FSOUND_Stream_Close(stream), 1);
}

TEST_F(SoundStream, FixedPositionOverridesEveryStream) {
    TestTone::WriteOgg("z.ogg", 44100, 4410);
    FSOUND_STREAM* stream = FSOUND_Stream_Open("z.ogg", FSOUND_NORMAL, 0, 0);
    for (int ms : {0, 69204, 250000, -3}) {
        SoundClock::SetFixedPosition(ms);
        EXPECT_EQ(FSOUND_Stream_GetTime(stream), ms);
        EXPECT_EQ(FSOUND_Stream_GetTime(nullptr), ms);
    }
    SoundClock::ClearFixedPosition();
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);
    FSOUND_Stream_Close(stream);
}

// Kept last among the null-stream checks: once a null stream has been played, the silent
// wall clock runs for the rest of the process.
TEST_F(SoundStream, MissingMusicStillKeepsTimeAfterPlay) {
    EXPECT_EQ(FSOUND_Stream_GetTime(nullptr), 0) << "before play";
    FSOUND_Stream_Play(0, nullptr);
    EXPECT_GE(WaitForPosition(nullptr, 20), 20);
}

TEST(SoundClockStep, FrameTimesThousandOverFpsRoundedDown) {
    EXPECT_EQ(SoundClock::StepPosition(0, 60), 0);
    EXPECT_EQ(SoundClock::StepPosition(1, 60), 16);
    EXPECT_EQ(SoundClock::StepPosition(3, 60), 50);
    EXPECT_EQ(SoundClock::StepPosition(11399, 60), 189983);
    EXPECT_EQ(SoundClock::StepPosition(7, 0), 0);
    EXPECT_EQ(SoundClock::StepPosition(1LL << 40, 1), 2147483647);
}

} // namespace
