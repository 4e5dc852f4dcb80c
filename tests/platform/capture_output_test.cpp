#include <gtest/gtest.h>
#include <stb_image.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/capture/png_writer.h"
#include "platform/capture/video_pipe.h"

namespace {

namespace fs = std::filesystem;

class CaptureOutput : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/quillmoor-capture-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
    }
    void TearDown() override { fs::remove_all(directory); }
    fs::path directory;
};

TEST_F(CaptureOutput, PngKeepsColoursAndRowOrderAndIsOpaque) {
    // 2 x 2, top row red then green, bottom row blue then white; alpha bytes are junk.
    const unsigned char rgba[] = {255, 0, 0, 0, 0, 255, 0, 17, 0, 0, 255, 200, 255, 255, 255, 3};
    const std::string path = (directory / "p.png").string();
    ASSERT_TRUE(PngWriter::Write(path, rgba, 2, 2));
    int w = 0, h = 0, channels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &w, &h, &channels, 4);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(channels, 3);
    const std::vector<unsigned char> got(pixels, pixels + 16);
    stbi_image_free(pixels);
    const std::vector<unsigned char> expected = {255, 0, 0,   255, 0,   255, 0,   255,
                                                 0,   0, 255, 255, 255, 255, 255, 255};
    EXPECT_EQ(got, expected);
}

TEST_F(CaptureOutput, PngRefusesWhatItCannotWrite) {
    const unsigned char rgba[4] = {};
    EXPECT_FALSE(PngWriter::Write((directory / "missing-dir" / "p.png").string(), rgba, 1, 1));
    EXPECT_FALSE(PngWriter::Write((directory / "p.png").string(), nullptr, 1, 1));
    EXPECT_FALSE(PngWriter::Write((directory / "p.png").string(), rgba, 0, 1));
}

TEST_F(CaptureOutput, FfmpegArgumentsCarrySizeRateSoundAndLength) {
    const fs::path music = directory / "z.ogg";
    {
        FILE* f = std::fopen(music.c_str(), "wb");
        std::fclose(f);
    }
    VideoPipe::Settings s;
    s.outputPath = "-odd name.mp4";
    s.width = 640;
    s.height = 360;
    s.fps = 30;
    s.audioPath = music.string();
    s.durationSeconds = 12.5;
    const std::vector<std::string> args = VideoPipeArguments(s);
    const auto after = [&](const std::string& flag) {
        const auto it = std::find(args.begin(), args.end(), flag);
        return it == args.end() || it + 1 == args.end() ? std::string() : *(it + 1);
    };
    EXPECT_EQ(args.front(), "ffmpeg");
    EXPECT_EQ(after("-s"), "640x360");
    EXPECT_EQ(after("-framerate"), "30");
    EXPECT_EQ(after("-pix_fmt"), "rgba");
    EXPECT_EQ(after("-t"), "12.500");
    EXPECT_NE(std::find(args.begin(), args.end(), music.string()), args.end());
    EXPECT_NE(std::find(args.begin(), args.end(), "-shortest"), args.end());
    EXPECT_EQ(args.back(), "./-odd name.mp4") << "an output name never reads as an option";

    s.audioPath = (directory / "absent.ogg").string();
    const std::vector<std::string> silent = VideoPipeArguments(s);
    EXPECT_EQ(std::find(silent.begin(), silent.end(), "-shortest"), silent.end());
    EXPECT_EQ(std::count(silent.begin(), silent.end(), "-i"), 1);
}

TEST_F(CaptureOutput, FramesThroughFfmpegMakeAPlayableVideo) {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "no ffmpeg";
    }
    VideoPipe pipe;
    VideoPipe::Settings s;
    s.outputPath = (directory / "v.mp4").string();
    s.width = 64;
    s.height = 48;
    s.fps = 10;
    ASSERT_TRUE(pipe.Open(s)) << pipe.Error();
    std::vector<unsigned char> frame(64 * 48 * 4);
    for (int i = 0; i < 10; ++i) {
        std::fill(frame.begin(), frame.end(), static_cast<unsigned char>(i * 20));
        ASSERT_TRUE(pipe.Write(frame.data())) << pipe.Error();
    }
    EXPECT_TRUE(pipe.Close()) << pipe.Error();
    EXPECT_GT(fs::file_size(directory / "v.mp4"), 0u);
    const std::string probe = "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                              "stream=nb_read_frames -of csv=p=0 '" +
                              (directory / "v.mp4").string() + "' > '" + (directory / "n.txt").string() + "'";
    if (std::system(probe.c_str()) == 0) {
        FILE* f = std::fopen((directory / "n.txt").c_str(), "r");
        int frames = 0;
        ASSERT_EQ(std::fscanf(f, "%d", &frames), 1);
        std::fclose(f);
        EXPECT_EQ(frames, 10);
    }
}

TEST_F(CaptureOutput, AFailingEncoderIsReportedNotFatal) {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "no ffmpeg";
    }
    VideoPipe pipe;
    VideoPipe::Settings s;
    s.outputPath = (directory / "no-such-dir" / "v.mp4").string();
    s.width = 64;
    s.height = 48;
    ASSERT_TRUE(pipe.Open(s));
    std::vector<unsigned char> frame(64 * 48 * 4);
    bool allWritten = true;
    for (int i = 0; i < 200 && allWritten; ++i) {
        allWritten = pipe.Write(frame.data());
    }
    EXPECT_FALSE(pipe.Close());
    EXPECT_FALSE(pipe.Error().empty());
}

} // namespace
