#include <gtest/gtest.h>
#include <stb_image.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/capture/png_writer.h"
#include "platform/capture/video_pipe.h"
#include "platform/capture/yuv420_frame.h"
#include "tests/platform/tone_ogg_file.h"
#include "tests/temp_directory.h"

namespace {

namespace fs = std::filesystem;

class CaptureOutput : public ::testing::Test {
  protected:
    void SetUp() override { directory = TestTemp::MakeDirectory("quillmoor-capture"); }
    void TearDown() override { fs::remove_all(directory); }
    fs::path directory;
};

std::vector<unsigned char> LoadRgba(const std::string& path, int* w, int* h, int* channels) {
    unsigned char* pixels = stbi_load(path.c_str(), w, h, channels, 4);
    if (pixels == nullptr) {
        return {};
    }
    std::vector<unsigned char> rgba(pixels, pixels + static_cast<std::size_t>(*w) * *h * 4);
    stbi_image_free(pixels);
    return rgba;
}

TEST_F(CaptureOutput, PngKeepsColoursAndRowOrderAndIsOpaque) {
    // 2 x 2, top row red then green, bottom row blue then white; alpha bytes are junk. The
    // same picture packed top row first, and bottom row first with a negative stride.
    const unsigned char topFirst[] = {255, 0, 0, 0, 0, 255, 0, 17, 0, 0, 255, 200, 255, 255, 255, 3};
    const unsigned char bottomFirst[] = {0, 0, 255, 200, 255, 255, 255, 3, 255, 0, 0, 0, 0, 255, 0, 17};
    const std::vector<unsigned char> expected = {255, 0, 0,   255, 0,   255, 0,   255,
                                                 0,   0, 255, 255, 255, 255, 255, 255};
    const std::string path = (directory / "p.png").string();
    ASSERT_TRUE(PngWriter::Write(path, topFirst, 8, 2, 2));
    int w = 0, h = 0, channels = 0;
    EXPECT_EQ(LoadRgba(path, &w, &h, &channels), expected);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(channels, 3);
    ASSERT_TRUE(PngWriter::Write(path, bottomFirst + 8, -8, 2, 2));
    EXPECT_EQ(LoadRgba(path, &w, &h, &channels), expected);
    EXPECT_FALSE(fs::exists(path + ".part"));
}

TEST_F(CaptureOutput, PngOfARenderedSizeDecodesToTheExactFrame) {
    // Every row filtered against the one above: gradients, noise and flat runs must all
    // come back exactly.
    const int w = 203;
    const int h = 67;
    std::vector<unsigned char> rgba(static_cast<std::size_t>(w) * h * 4);
    unsigned state = 12345;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &rgba[(static_cast<std::size_t>(y) * w + x) * 4];
            state = state * 1103515245u + 12345u;
            p[0] = static_cast<unsigned char>(x + y);
            p[1] = y < h / 2 ? static_cast<unsigned char>(state >> 16) : 40;
            p[2] = static_cast<unsigned char>(255 - x);
            p[3] = 255;
        }
    }
    const std::string path = (directory / "big.png").string();
    ASSERT_TRUE(PngWriter::Write(path, rgba.data(), w * 4, w, h));
    int gotW = 0, gotH = 0, channels = 0;
    EXPECT_EQ(LoadRgba(path, &gotW, &gotH, &channels), rgba);
}

TEST_F(CaptureOutput, PngRefusesWhatItCannotWrite) {
    const unsigned char rgba[4] = {};
    EXPECT_FALSE(PngWriter::Write((directory / "missing-dir" / "p.png").string(), rgba, 4, 1, 1));
    EXPECT_FALSE(PngWriter::Write((directory / "p.png").string(), nullptr, 4, 1, 1));
    EXPECT_FALSE(PngWriter::Write((directory / "p.png").string(), rgba, 4, 0, 1));
    EXPECT_FALSE(fs::exists(directory / "p.png"));
}

TEST_F(CaptureOutput, PngOnAFullDiskFailsAndLeavesNoFile) {
    // The file is written under a temporary name first: point that name at a device that
    // is always full.
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    const fs::path path = directory / "full.png";
    fs::create_symlink("/dev/full", directory / "full.png.part");
    const std::vector<unsigned char> rgba(64 * 64 * 4, 99);
    EXPECT_FALSE(PngWriter::Write(path.string(), rgba.data(), 64 * 4, 64, 64));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(fs::is_symlink(directory / "full.png.part"));
    EXPECT_TRUE(fs::exists("/dev/full"));
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
    EXPECT_EQ(after("-pix_fmt"), "yuv420p");
    EXPECT_EQ(after("-t"), "12.500");
    EXPECT_NE(std::find(args.begin(), args.end(), music.string()), args.end());
    EXPECT_NE(std::find(args.begin(), args.end(), "-shortest"), args.end());
    EXPECT_EQ(args.back(), "./-odd name.mp4") << "an output name never reads as an option";

    // Planar 4:2:0 wants even sizes: the frames of an odd-sized picture are padded.
    s.width = 641;
    s.height = 359;
    const std::vector<std::string> padded = VideoPipeArguments(s);
    EXPECT_EQ(*(std::find(padded.begin(), padded.end(), "-s") + 1), "642x360");

    s.audioPath = (directory / "absent.ogg").string();
    const std::vector<std::string> silent = VideoPipeArguments(s);
    EXPECT_EQ(std::find(silent.begin(), silent.end(), "-shortest"), silent.end());
    EXPECT_EQ(std::count(silent.begin(), silent.end(), "-i"), 1);
}

// What ffprobe says about one aspect of a file: its answer in CSV without a header, one
// line per stream or section.
std::string Probe(const fs::path& file, const std::string& query) {
    const std::string command = "ffprobe -v error " + query + " -of csv=p=0 '" + file.string() + "'";
    std::string answer;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            answer += buffer;
        }
        if (pclose(pipe) != 0) {
            answer += "(ffprobe failed)";
        }
    }
    return answer;
}

// ffmpeg and ffprobe come with the ffmpeg package that scripts/install-deps.sh installs.
void RequireFfmpeg() {
    ASSERT_EQ(std::system("ffmpeg -version >/dev/null 2>&1"), 0) << "ffmpeg is not installed";
    ASSERT_EQ(std::system("ffprobe -version >/dev/null 2>&1"), 0) << "ffprobe is not installed";
}

TEST_F(CaptureOutput, FramesThroughFfmpegMakeAPlayableVideoWithTheMusic) {
    ASSERT_NO_FATAL_FAILURE(RequireFfmpeg());
    // Two seconds of music under one second of pictures: the output is cut to the pictures.
    const fs::path music = directory / "z.ogg";
    ASSERT_NO_FATAL_FAILURE(TestTone::WriteOgg(music, 44100, 88200));
    VideoPipe pipe;
    VideoPipe::Settings s;
    s.outputPath = (directory / "v.mp4").string();
    s.width = 64;
    s.height = 48;
    s.fps = 10;
    s.audioPath = music.string();
    s.durationSeconds = 1.0;
    ASSERT_TRUE(pipe.Open(s)) << pipe.Error();
    std::vector<unsigned char> frame(pipe.FrameBytes());
    for (int i = 0; i < 10; ++i) {
        std::fill(frame.begin(), frame.end(), static_cast<unsigned char>(i * 20));
        ASSERT_TRUE(pipe.Write(frame.data())) << pipe.Error();
    }
    EXPECT_TRUE(pipe.Close()) << pipe.Error();

    const fs::path video = directory / "v.mp4";
    EXPECT_EQ(Probe(video, "-show_entries stream=codec_type"), "video\naudio\n");
    EXPECT_EQ(
        Probe(video, "-count_frames -select_streams v:0 -show_entries stream=width,height,nb_read_frames"),
        "64,48,10\n");
    EXPECT_EQ(Probe(video, "-select_streams a:0 -show_entries stream=codec_name,channels"), "aac,2\n");
    const std::string duration = Probe(video, "-show_entries format=duration");
    EXPECT_NEAR(std::atof(duration.c_str()), 1.0, 0.05) << duration;
}

TEST_F(CaptureOutput, VideoColoursComeBackAsRendered) {
    // Our conversion and the player's must agree on matrix and range: flat frames of known
    // colours, encoded and decoded again by ffmpeg, keep their colour within coding loss.
    ASSERT_NO_FATAL_FAILURE(RequireFfmpeg());
    struct Colour {
        int r, g, b;
    };
    const std::vector<Colour> colours = {{255, 0, 0},     {0, 255, 0}, {0, 0, 255},    {128, 128, 128},
                                         {255, 255, 255}, {0, 0, 0},   {200, 120, 40}, {30, 90, 220}};
    const int w = 64;
    const int h = 48;
    VideoPipe pipe;
    VideoPipe::Settings s;
    s.outputPath = (directory / "c.mp4").string();
    s.width = w;
    s.height = h;
    s.fps = 10;
    ASSERT_TRUE(pipe.Open(s)) << pipe.Error();
    std::vector<unsigned char> rgba(static_cast<std::size_t>(w) * h * 4);
    std::vector<unsigned char> frame(pipe.FrameBytes());
    for (const Colour& c : colours) {
        for (std::size_t i = 0; i < rgba.size(); i += 4) {
            rgba[i] = static_cast<unsigned char>(c.r);
            rgba[i + 1] = static_cast<unsigned char>(c.g);
            rgba[i + 2] = static_cast<unsigned char>(c.b);
        }
        Yuv420::FromRgba(rgba.data(), w * 4, w, h, frame.data());
        ASSERT_TRUE(pipe.Write(frame.data())) << pipe.Error();
    }
    ASSERT_TRUE(pipe.Close()) << pipe.Error();
    const fs::path decoded = directory / "c.rgb";
    const std::string command =
        "ffmpeg -v error -i '" + s.outputPath + "' -f rawvideo -pix_fmt rgb24 '" + decoded.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(decoded, std::ios::binary);
    const std::vector<unsigned char> rgb((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
    const std::size_t frameSize = static_cast<std::size_t>(w) * h * 3;
    ASSERT_EQ(rgb.size(), frameSize * colours.size());
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const unsigned char* centre = &rgb[i * frameSize + (static_cast<std::size_t>(h / 2) * w + w / 2) * 3];
        EXPECT_NEAR(centre[0], colours[i].r, 4) << "frame " << i;
        EXPECT_NEAR(centre[1], colours[i].g, 4) << "frame " << i;
        EXPECT_NEAR(centre[2], colours[i].b, 4) << "frame " << i;
    }
}

TEST_F(CaptureOutput, AFailingEncoderIsReportedNotFatal) {
    ASSERT_NO_FATAL_FAILURE(RequireFfmpeg());
    VideoPipe pipe;
    VideoPipe::Settings s;
    s.outputPath = (directory / "no-such-dir" / "v.mp4").string();
    s.width = 64;
    s.height = 48;
    ASSERT_TRUE(pipe.Open(s));
    std::vector<unsigned char> frame(pipe.FrameBytes());
    bool allWritten = true;
    for (int i = 0; i < 200 && allWritten; ++i) {
        allWritten = pipe.Write(frame.data());
    }
    EXPECT_FALSE(pipe.Close());
    EXPECT_FALSE(pipe.Error().empty());
}

} // namespace
