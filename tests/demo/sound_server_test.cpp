// The music played through a real sound server: a private PulseAudio with a null sink
// (scripts/sound-server.sh), the demo's own sound path (MusicStream on SDL audio) and the
// clock the scenes read (MusicClock). A recorder on the sink's monitor hears what the
// server played; the recording must be the decoded music, and the position the clock
// reports must match the position heard at the same moment.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound/fmod.h"
#include "shell/music_clock.h"
#include "shell/music_stream.h"
#include "tests/temp_directory.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int sampleRate = 44100;
constexpr int channels = 2;
// What the clock may be off from what is heard: the median over the run, and any single
// reading (the clock reports whole milliseconds and moves between callbacks by estimate).
constexpr double medianToleranceMs = 20.0;
constexpr double worstToleranceMs = 50.0;
// Audio compared per check; 100 ms is long enough that no other place of the music fits.
constexpr std::size_t compareFrames = 4410;
// How long the music plays in the test, after the server starts pulling it.
constexpr auto playTime = std::chrono::milliseconds(4000);

const fs::path sourceDirectory = fs::path(QUILLMOOR_TEST_DATA).parent_path().parent_path();
const fs::path soundServerScript = sourceDirectory / "scripts" / "sound-server.sh";
const fs::path musicFile = fs::path(QUILLMOOR_BINARY_DIR) / "run" / "z.ogg";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// scripts/test.sh and CI install the server: there, one that does not start is a fault.
bool ServerExpected() {
    const char* ci = std::getenv("CI");
    const char* expected = std::getenv("QUILLMOOR_EXPECT_SOUND_SERVER");
    return (ci != nullptr && std::strcmp(ci, "true") == 0) ||
           (expected != nullptr && std::strcmp(expected, "1") == 0);
}

double Seconds(Clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

// The music as decoded from the file: interleaved 16-bit frames.
std::vector<std::int16_t> DecodeMusic(const fs::path& path) {
    std::vector<std::int16_t> samples;
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0) {
        return samples;
    }
    char buffer[16384];
    int section = 0;
    for (;;) {
        const long got = ov_read(&file, buffer, sizeof buffer, 0, 2, 1, &section);
        if (got == OV_HOLE) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        const std::size_t old = samples.size();
        samples.resize(old + static_cast<std::size_t>(got) / 2);
        std::memcpy(samples.data() + old, buffer, static_cast<std::size_t>(got));
    }
    ov_clear(&file);
    return samples;
}

// parec on the sink's monitor, read in small pieces; each piece is stamped with the time
// it arrived, so that the recording can be laid on the steady clock.
class MonitorRecorder {
  public:
    struct Arrival {
        double seconds;
        std::size_t framesSoFar;
    };

    bool Start(const std::string& server) {
        int fds[2];
        if (::pipe(fds) != 0) {
            return false;
        }
        pid = ::fork();
        if (pid == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
            ::execlp("parec", "parec", ("--server=" + server).c_str(), "--device=null.monitor", "--raw",
                     "--format=s16le", "--rate=44100", "--channels=2", "--latency-msec=5",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        if (pid < 0) {
            ::close(fds[0]);
            return false;
        }
        readEnd = fds[0];
        reader = std::thread([this] { Read(); });
        return true;
    }

    void Stop() {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
            pid = -1;
        }
        if (reader.joinable()) {
            reader.join();
        }
        if (readEnd >= 0) {
            ::close(readEnd);
            readEnd = -1;
        }
    }

    ~MonitorRecorder() { Stop(); }

    bool WaitForData(std::chrono::milliseconds limit) const {
        const auto deadline = Clock::now() + limit;
        while (framesRead.load() == 0 && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return framesRead.load() > 0;
    }

    std::vector<std::int16_t> samples;
    std::vector<Arrival> arrivals;

  private:
    void Read() {
        std::vector<char> pending;
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(readEnd, buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            const double now = Seconds(Clock::now());
            pending.insert(pending.end(), buffer, buffer + got);
            const std::size_t whole = pending.size() / (channels * 2) * (channels * 2);
            const std::size_t old = samples.size();
            samples.resize(old + whole / 2);
            std::memcpy(samples.data() + old, pending.data(), whole);
            pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(whole));
            arrivals.push_back({now, samples.size() / channels});
            framesRead = samples.size() / channels;
        }
    }

    pid_t pid = -1;
    int readEnd = -1;
    std::thread reader;
    std::atomic<std::size_t> framesRead{0};
};

// Sum of squared differences of `frames` frames of `a` from frame `ia` and `b` from frame
// `ib`, giving up once it passes `limit`.
double SquaredDifference(const std::vector<std::int16_t>& a, std::size_t ia,
                         const std::vector<std::int16_t>& b, std::size_t ib, std::size_t frames,
                         double limit) {
    double sum = 0.0;
    for (std::size_t i = 0; i < frames * channels && sum <= limit; ++i) {
        const double d =
            static_cast<double>(a[ia * channels + i]) - static_cast<double>(b[ib * channels + i]);
        sum += d * d;
    }
    return sum;
}

double Energy(const std::vector<std::int16_t>& a, std::size_t ia, std::size_t frames) {
    double sum = 0.0;
    for (std::size_t i = 0; i < frames * channels; ++i) {
        const double v = a[ia * channels + i];
        sum += v * v;
    }
    return sum;
}

class SoundServer : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(musicFile)) << "no music at " << musicFile << ": build the media";
        directory = TestTemp::MakeDirectory("quillmoor-sound-server");
        serverDirectory = directory / "server";
        fs::create_directories(serverDirectory);
        const std::string start = "'" + soundServerScript.string() + "' start '" + serverDirectory.string() +
                                  "' 2>'" + (directory / "start.txt").string() + "'";
        if (std::system(start.c_str()) != 0) {
            const std::string why = ReadFile(directory / "start.txt");
            if (ServerExpected()) {
                FAIL() << "the sound server did not start, though this environment installs it:\n" << why;
            }
            GTEST_SKIP() << "no sound server could be started here:\n" << why;
        }
        serverRunning = true;
        server = "unix:" + (serverDirectory / "native").string();
        // The demo's SDL audio goes to this server and nowhere else.
        ::setenv("PULSE_SERVER", server.c_str(), 1);
        ::setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
        work = directory / "work";
        fs::create_directories(work);
        fs::copy_file(musicFile, work / "z.ogg");
        previous = fs::current_path();
        fs::current_path(work);
    }

    void TearDown() override {
        StopMusic();
        if (!previous.empty()) {
            fs::current_path(previous);
        }
        StopServer();
        if (!directory.empty()) {
            fs::remove_all(directory);
        }
    }

    void StopServer() {
        if (serverRunning) {
            const std::string stop =
                "'" + soundServerScript.string() + "' stop '" + serverDirectory.string() + "'";
            EXPECT_EQ(std::system(stop.c_str()), 0);
            serverRunning = false;
        }
    }

    struct Reading {
        double seconds;
        double musicMs;
    };

    // Reads the scenes' clock every few milliseconds for `span`.
    static void ReadClock(std::vector<Reading>& readings, Clock::duration span) {
        const auto end = Clock::now() + span;
        while (Clock::now() < end) {
            MusicClock::Update();
            readings.push_back({Seconds(Clock::now()), static_cast<double>(MusicClock::seconds) * 1000.0});
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
    }

    // Waits until the clock has left 0, that is until the server pulls the music.
    static bool WaitForMusic(std::vector<Reading>& readings) {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < deadline) {
            ReadClock(readings, std::chrono::milliseconds(50));
            if (readings.back().musicMs > 0.0) {
                return true;
            }
        }
        return false;
    }

    // The demo's start of the music: open z.ogg, play it, and read the clock until it moves.
    static void StartMusic(std::vector<Reading>& readings) {
        MusicClock::Reset();
        MusicStream::Open();
        ASSERT_NE(MusicStream::handle, nullptr);
        MusicStream::Play();
        ASSERT_TRUE(WaitForMusic(readings)) << "the music clock never started";
    }

    static void StopMusic() {
        FSOUND_Stream_Close(MusicStream::handle);
        MusicStream::handle = nullptr;
    }

    fs::path directory;
    fs::path serverDirectory;
    fs::path work;
    fs::path previous;
    std::string server;
    bool serverRunning = false;
};

TEST_F(SoundServer, TheClockFollowsTheMusicTheServerPlays) {
    const std::vector<std::int16_t> music = DecodeMusic(musicFile);
    ASSERT_GT(music.size(), static_cast<std::size_t>(sampleRate * channels * 10))
        << "music too short to test";

    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.Start(server));
    ASSERT_TRUE(recorder.WaitForData(std::chrono::seconds(5))) << "the monitor delivered nothing";

    std::vector<Reading> readings;
    ASSERT_NO_FATAL_FAILURE(StartMusic(readings));
    ReadClock(readings, playTime);
    recorder.Stop();
    StopMusic();

    const std::vector<std::int16_t>& heard = recorder.samples;
    const std::size_t heardFrames = heard.size() / channels;

    // The recording on the steady clock: the null sink plays at exactly the sample rate and
    // every piece arrives after it was played, so the earliest arrival relative to its frame
    // count gives the time of frame 0.
    double frameZero = std::numeric_limits<double>::max();
    for (const auto& arrival : recorder.arrivals) {
        frameZero =
            std::min(frameZero, arrival.seconds - static_cast<double>(arrival.framesSoFar) / sampleRate);
    }

    // Where the music starts in the recording, and which frame of the music that is.
    std::size_t firstSound = 0;
    while (firstSound < heardFrames &&
           std::abs(heard[firstSound * channels]) + std::abs(heard[firstSound * channels + 1]) < 256) {
        ++firstSound;
    }
    ASSERT_LT(firstSound + compareFrames, heardFrames) << "nothing but silence was recorded";
    const std::size_t musicFrames = music.size() / channels;
    std::size_t musicAtFirstSound = 0;
    double best = std::numeric_limits<double>::max();
    for (std::size_t m = 0; m + compareFrames < std::min(musicFrames, std::size_t{sampleRate} * 10); ++m) {
        const double difference = SquaredDifference(heard, firstSound, music, m, compareFrames, best);
        if (difference < best) {
            best = difference;
            musicAtFirstSound = m;
        }
    }

    // What was heard is the music, unchanged, every 250 ms to the end. On a busy machine the
    // server may run dry and play silence between two pieces (an underrun), which shifts the
    // music later in the recording: each check looks for its piece up to a second later than
    // where the last one was found.
    struct Match {
        std::size_t heardFrame;
        std::size_t musicFrame;
    };
    std::vector<Match> matches{{firstSound, musicAtFirstSound}};
    int unmatched = 0;
    int gaps = 0;
    for (std::size_t n = firstSound + sampleRate / 4; n + compareFrames < heardFrames; n += sampleRate / 4) {
        const Match& last = matches.back();
        const std::size_t expected = n - last.heardFrame + last.musicFrame;
        if (expected + compareFrames >= musicFrames) {
            break;
        }
        const double heardEnergy = Energy(heard, n, compareFrames);
        if (heardEnergy < 1e6 * channels) {
            continue; // a quiet moment proves nothing
        }
        std::size_t found = expected;
        double residual = SquaredDifference(heard, n, music, expected, compareFrames, heardEnergy);
        for (std::size_t m = expected;
             m-- > std::max(last.musicFrame, expected - std::min(expected, std::size_t{sampleRate}));) {
            const double difference = SquaredDifference(heard, n, music, m, compareFrames, residual);
            if (difference < residual) {
                residual = difference;
                found = m;
            }
        }
        if (residual < heardEnergy * 1e-4) {
            gaps += found != expected ? 1 : 0;
            matches.push_back({n, found});
        } else {
            ++unmatched;
        }
    }
    EXPECT_GE(matches.size(), 12u) << "too little music was heard to compare";
    // Only a piece an underrun fell into may differ from the music.
    EXPECT_LE(unmatched, gaps) << "pieces of the recording are not the music";
    std::printf("%zu pieces of 100 ms matched the music exactly, %d did not, %d underruns\n", matches.size(),
                unmatched, gaps);

    // The position heard at each reading against the position the clock reported, where the
    // recording runs without a gap from the piece before the reading to the piece after.
    std::vector<double> errors;
    for (const Reading& reading : readings) {
        const double heardFrame = (reading.seconds - frameZero) * sampleRate;
        const auto after = std::find_if(matches.begin(), matches.end(), [&](const Match& m) {
            return static_cast<double>(m.heardFrame) > heardFrame;
        });
        if (after == matches.begin() || after == matches.end()) {
            continue;
        }
        const Match& before = *(after - 1);
        if (after->heardFrame - before.heardFrame != after->musicFrame - before.musicFrame) {
            continue;
        }
        const double heardMs =
            (heardFrame - static_cast<double>(before.heardFrame) + static_cast<double>(before.musicFrame)) *
            1000.0 / sampleRate;
        errors.push_back(reading.musicMs - heardMs);
    }
    ASSERT_GE(errors.size(), 100u) << "too few clock readings while the music was heard";
    std::vector<double> sorted = errors;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    const double low = sorted.front();
    const double high = sorted.back();
    std::printf("clock minus heard position over %zu readings: median %.1f ms, min %.1f ms, max %.1f ms\n",
                errors.size(), median, low, high);
    RecordProperty("median_ms", std::to_string(median));
    RecordProperty("min_ms", std::to_string(low));
    RecordProperty("max_ms", std::to_string(high));
    EXPECT_LE(std::abs(median), medianToleranceMs);
    EXPECT_LE(std::max(std::abs(low), std::abs(high)), worstToleranceMs);
}

TEST_F(SoundServer, LosingTheServerLeavesTheClockOnTheWallClock) {
    std::vector<Reading> readings;
    ASSERT_NO_FATAL_FAILURE(StartMusic(readings));
    ReadClock(readings, std::chrono::milliseconds(500));

    // The server stops while the clock is read on, as the demo reads it every frame.
    const double lostAt = Seconds(Clock::now());
    const double musicAtLoss = readings.back().musicMs;
    std::thread stopper([this] { StopServer(); });
    ReadClock(readings, std::chrono::milliseconds(4000));
    stopper.join();
    StopMusic();

    for (std::size_t i = 1; i < readings.size(); ++i) {
        ASSERT_GE(readings[i].musicMs, readings[i - 1].musicMs)
            << "the clock went backwards at reading " << i;
    }
    // After the loss the clock goes on at the wall clock's pace (SDL's own pacing of a lost
    // device is a few per cent off): over the last three seconds it advanced by the
    // time that passed, to the whole millisecond the clock reports and the read interval;
    // and in all it did not fall far behind the time that passed.
    const Reading last = readings.back();
    const auto before = std::find_if(readings.begin(), readings.end(),
                                     [&](const Reading& r) { return r.seconds >= last.seconds - 3.0; });
    const double wallMs = (last.seconds - before->seconds) * 1000.0;
    EXPECT_NEAR(last.musicMs - before->musicMs, wallMs, 5.0);
    EXPECT_GE(last.musicMs - musicAtLoss, (last.seconds - lostAt) * 1000.0 - 300.0);
}

} // namespace
