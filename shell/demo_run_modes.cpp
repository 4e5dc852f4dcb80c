#include "shell/demo_run_modes.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>
#include <unistd.h>
#include <vector>

#include "framework/framework.h"
#include "platform/capture/frame_writer_queue.h"
#include "platform/capture/png_writer.h"
#include "platform/capture/video_pipe.h"
#include "platform/capture/yuv420_frame.h"
#include "platform/d3d9/frame_capture.h"
#include "platform/d3d9/tracing_device.h"
#include "platform/fs/windows_path.h"
#include "platform/sound/fmod.h"
#include "platform/sound/sound_clock.h"
#include "platform/trace/call_trace.h"
#include "platform/win32/win32.h"
#include "shell/capture_progress.h"
#include "shell/device_holder.h"
#include "shell/frame_schedule.h"
#include "shell/music_clock.h"
#include "shell/music_stream.h"

namespace {

namespace fs = std::filesystem;
using WallClock = std::chrono::steady_clock;

constexpr const char* musicFile = "z.ogg";
constexpr double progressIntervalTty = 0.25;
constexpr double progressIntervalLog = 5.0;
// Frames on their way to the encoder or the disk: enough to ride out an uneven frame,
// few enough that a stalled writer holds rendering back soon.
constexpr int captureBuffers = 4;
// The video is one stream, written in order by one thread; PNG files are independent, and
// two writers keep up with any scene on two cores.
constexpr int videoWriters = 1;
constexpr int pngWriters = 2;

struct RunState {
    RunModeOptions options;
    FrameSchedule schedule;
    ScheduledFrame current;
    bool currentTaken = true; // the sink has seen the current frame (or it is not kept)
    bool finished = false;
    bool failed = false;
    std::string lastFailure;

    // Capture.
    bool toDirectory = false;
    VideoPipe video;
    std::unique_ptr<FrameWriterQueue> writer;
    std::vector<unsigned char> videoFrame; // the video writer thread's own
    int frameWidth = 0;
    int frameHeight = 0;
    long long framesQueued = 0;  // asked for at Present
    long long framesTaken = 0;   // read back and handed to the writer
    long long framesWritten = 0; // written, once the writer has finished
    WallClock::time_point started;
    WallClock::time_point lastProgress;
    bool progressShown = false;

    // Shots.
    int shotsWritten = 0;

    // Trace.
    std::FILE* traceFile = nullptr;
    TracingDevice* tracer = nullptr;
};

RunState& State() {
    static RunState state;
    return state;
}

void Fail(const std::string& message) {
    RunState& s = State();
    s.failed = true;
    // The encoder's failure surfaces at the write that finds it gone and again when it is
    // waited for: say it once.
    if (message != s.lastFailure) {
        std::fprintf(stderr, "quillmoor: %s\n", message.c_str());
        s.lastFailure = message;
    }
}

void ShowProgress(bool final) {
    RunState& s = State();
    const auto now = WallClock::now();
    const bool tty = isatty(STDERR_FILENO) != 0;
    const double sinceLast = std::chrono::duration<double>(now - s.lastProgress).count();
    if (!final && s.progressShown && sinceLast < (tty ? progressIntervalTty : progressIntervalLog)) {
        return;
    }
    s.lastProgress = now;
    s.progressShown = true;
    const double elapsed = std::chrono::duration<double>(now - s.started).count();
    const std::string line =
        CaptureProgress(s.schedule.TotalFrames(), s.options.fps).Line(s.framesTaken, elapsed);
    std::fprintf(stderr, tty ? "\r%s%s" : "%s%s", line.c_str(), (final || !tty) ? "\n" : "");
    std::fflush(stderr);
}

void StopRun() {
    RunState& s = State();
    if (!s.finished) {
        s.finished = true;
        PostMessageW(Framework::Window(), WM_CLOSE, 0, 0);
    }
}

std::string CaptureFramePath(long long index) {
    RunState& s = State();
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06lld.png", index);
    return (fs::path(s.options.capturePath) / name).string();
}

// Starts the writer of the capture on the first frame, when its size is known.
bool StartCaptureWriter(int width, int height) {
    RunState& s = State();
    if (s.toDirectory) {
        s.writer = std::make_unique<FrameWriterQueue>(
            pngWriters, captureBuffers,
            [width, height](long long index, const std::vector<unsigned char>& rgba, std::string* error) {
                const std::string path = CaptureFramePath(index);
                if (PngWriter::Write(path, rgba.data(), static_cast<std::ptrdiff_t>(width) * 4, width,
                                     height)) {
                    return true;
                }
                *error = "cannot write " + path;
                return false;
            });
        return true;
    }
    VideoPipe::Settings settings;
    settings.outputPath = s.options.capturePath;
    settings.width = width;
    settings.height = height;
    settings.fps = s.options.fps;
    settings.audioPath = WindowsPath::ResolveForReading(musicFile).value_or("");
    settings.durationSeconds = s.options.untilSeconds;
    if (!s.video.Open(settings)) {
        Fail(s.video.Error() + " (install ffmpeg, or capture into an existing directory for PNG files)");
        return false;
    }
    s.writer = std::make_unique<FrameWriterQueue>(
        videoWriters, captureBuffers,
        [width, height](long long, const std::vector<unsigned char>& rgba, std::string* error) {
            // The conversion runs here, beside the renderer, rather than in its way.
            RunState& state = State();
            state.videoFrame.resize(state.video.FrameBytes());
            Yuv420::FromRgba(rgba.data(), static_cast<std::ptrdiff_t>(width) * 4, width, height,
                             state.videoFrame.data());
            if (state.video.Write(state.videoFrame.data())) {
                return true;
            }
            *error = state.video.Error();
            return false;
        });
    return true;
}

void WriteCaptureFrame(long long index, const FrameRows& rows) {
    RunState& s = State();
    if (!s.writer) {
        if (!StartCaptureWriter(rows.width, rows.height)) {
            StopRun();
            return;
        }
        s.frameWidth = rows.width;
        s.frameHeight = rows.height;
    } else if (rows.width != s.frameWidth || rows.height != s.frameHeight) {
        Fail("the back buffer changed size during the capture");
        StopRun();
        return;
    }
    // Only a copy here, top row first: the writer threads do the rest.
    std::vector<unsigned char> buffer = s.writer->Acquire();
    const std::size_t row = static_cast<std::size_t>(rows.width) * 4;
    buffer.resize(row * static_cast<std::size_t>(rows.height));
    for (int y = 0; y < rows.height; ++y) {
        std::memcpy(buffer.data() + row * static_cast<std::size_t>(y), rows.top + rows.stride * y, row);
    }
    s.writer->Submit(index, std::move(buffer));
    const std::string error = s.writer->Error();
    if (!error.empty()) {
        Fail(error);
        StopRun();
        return;
    }
    ++s.framesTaken;
    ShowProgress(false);
}

FrameRequest RequestFrame(long long* tag) {
    RunState& s = State();
    if (s.currentTaken || s.failed) {
        return FrameRequest::Skip;
    }
    s.currentTaken = true;
    *tag = s.options.capture ? s.framesQueued++ : s.current.milliseconds;
    return s.schedule.FramesTaken() == s.schedule.TotalFrames() ? FrameRequest::KeepLast : FrameRequest::Keep;
}

void TakeFrame(long long tag, const FrameRows& rows) {
    RunState& s = State();
    if (s.failed) {
        return;
    }
    if (s.options.capture) {
        WriteCaptureFrame(tag, rows);
    } else if (s.options.shots) {
        const fs::path path =
            fs::path(s.options.outDirectory) / FrameSchedule::ShotFileName(static_cast<int>(tag));
        if (PngWriter::Write(path.string(), rows.top, rows.stride, rows.width, rows.height)) {
            ++s.shotsWritten;
        } else {
            Fail("cannot write " + path.string());
        }
    }
}

// A directory the run can create files in.
bool WritableDirectory(const fs::path& directory) {
    std::error_code error;
    return fs::is_directory(directory, error) && access(directory.c_str(), W_OK | X_OK) == 0;
}

std::string DirectoryOf(const std::string& file) {
    const fs::path parent = fs::path(file).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

// What keeps the run from writing its outputs, checked before anything plays. The -shots
// directory is made here if it is missing; nothing else is created.
std::vector<std::string> OutputProblems(const RunModeOptions& options) {
    std::vector<std::string> problems;
    std::error_code error;
    if (options.capture) {
        if (fs::is_directory(options.capturePath, error)) {
            if (!WritableDirectory(options.capturePath)) {
                problems.push_back("-capture: cannot write into the directory '" + options.capturePath + "'");
            }
        } else if (!WritableDirectory(DirectoryOf(options.capturePath))) {
            problems.push_back("-capture: cannot create '" + options.capturePath + "': '" +
                               DirectoryOf(options.capturePath) + "' is not a writable directory");
        } else if (!VideoPipe::EncoderAvailable()) {
            problems.push_back("-capture: a video needs the ffmpeg program (install ffmpeg, or capture into "
                               "an existing directory for PNG files)");
        }
    }
    if (options.shots) {
        fs::create_directories(options.outDirectory, error);
        if (!WritableDirectory(options.outDirectory)) {
            problems.push_back("-out: cannot write into the directory '" + options.outDirectory + "'");
        }
    }
    if (options.trace) {
        const bool exists = fs::exists(options.tracePath, error);
        if (fs::is_directory(options.tracePath, error) ||
            (exists ? access(options.tracePath.c_str(), W_OK) != 0
                    : !WritableDirectory(DirectoryOf(options.tracePath)))) {
            problems.push_back("-trace: cannot write '" + options.tracePath + "'");
        }
    }
    return problems;
}

} // namespace

bool DemoRunModes::Configure(const RunModeOptions& options, std::vector<std::string>* problems) {
    *problems = OutputProblems(options);
    if (!problems->empty()) {
        return false;
    }
    RunState& s = State();
    if (options.trace) {
        // Opened last, so a run refused for another reason leaves an earlier trace as it was.
        s.traceFile = std::fopen(options.tracePath.c_str(), "w");
        if (s.traceFile == nullptr) {
            problems->push_back("-trace: cannot create '" + options.tracePath + "'");
            return false;
        }
        // Start-up is not traced: the sink switches on frame by frame in BeginFrame.
        CallTrace::SetEnabled(false);
        CallTrace::SetOutput(s.traceFile);
    }
    s.options = options;
    s.schedule = FrameSchedule(options);
    if (options.FixedClock()) {
        // From the very first read on, so the music opens no sound device.
        SoundClock::SetFixedPosition(0);
    }
    if (options.capture) {
        std::error_code error;
        s.toDirectory = fs::is_directory(options.capturePath, error);
        s.started = s.lastProgress = WallClock::now();
        std::fprintf(stderr, "quillmoor: rendering %.3f s at %d fps to %s\n", options.untilSeconds,
                     options.fps, options.capturePath.c_str());
    }
    if (options.capture || options.shots) {
        FrameSink sink;
        sink.request = RequestFrame;
        sink.take = TakeFrame;
        SetFrameSink(sink);
        // The frames are for the files; showing them too would only slow the run down.
        SetFrameSinkShowsWindow(false);
    }
    return true;
}

bool DemoRunModes::FramesIgnoreWindow() {
    return State().options.FixedClock();
}

IDirect3DDevice9* DemoRunModes::FrameDevice(IDirect3DDevice9* device) {
    RunState& s = State();
    if (s.traceFile == nullptr || device == nullptr) {
        return device;
    }
    if (s.tracer == nullptr || s.tracer->Inner() != device) {
        // A re-created device gets a tracer of its own.
        if (s.tracer != nullptr) {
            s.tracer->Release();
        }
        s.tracer = new TracingDevice(device);
    }
    return s.tracer;
}

void DemoRunModes::DeviceDestroyed() {
    RunState& s = State();
    if (s.tracer != nullptr) {
        if (DeviceHolder::Get()->device == s.tracer) {
            DeviceHolder::Get()->device = s.tracer->Inner();
        }
        s.tracer->Release();
        s.tracer = nullptr;
    }
}

bool DemoRunModes::BeginFrame() {
    RunState& s = State();
    // Nothing is traced until this frame is labelled, nor after the last frame.
    CallTrace::SetEnabled(false);
    if (s.finished) {
        return false;
    }
    if (s.schedule.Active()) {
        ScheduledFrame next;
        if (!s.schedule.Next(&next)) {
            StopRun();
            return false;
        }
        s.current = next;
        s.currentTaken = !next.keep;
        SoundClock::SetFixedPosition(next.milliseconds);
    }
    if (s.traceFile != nullptr) {
        // This read only labels the frame; the timeline's own read is the one traced.
        const float seconds = MusicClock::SecondsFromMilliseconds(FSOUND_Stream_GetTime(MusicStream::handle));
        CallTrace::SetFrame(static_cast<unsigned long long>(Framework::FrameCount()), seconds);
        CallTrace::SetEnabled(seconds >= s.options.traceFromSeconds &&
                              seconds <= s.options.traceUntilSeconds);
    }
    return true;
}

int DemoRunModes::Finish(int frameworkExitCode) {
    RunState& s = State();
    if (s.options.capture || s.options.shots) {
        SetFrameSink(FrameSink());
    }
    if (s.options.capture) {
        if (s.writer) {
            if (!s.writer->Finish()) {
                Fail(s.writer->Error());
            }
            s.framesWritten = s.writer->Written();
            s.writer.reset();
        }
        if (s.progressShown) {
            ShowProgress(true);
        }
        if (s.video.IsOpen() && !s.video.Close()) {
            Fail(s.video.Error());
        }
        if (s.framesWritten < s.schedule.TotalFrames()) {
            Fail("capture ended after " + std::to_string(s.framesWritten) + " of " +
                 std::to_string(s.schedule.TotalFrames()) + " frames");
        } else if (!s.failed) {
            std::fprintf(stderr, "quillmoor: wrote %lld frames to %s\n", s.framesWritten,
                         s.options.capturePath.c_str());
        }
    }
    if (s.options.shots) {
        const int wanted = static_cast<int>(s.options.shotSeconds.size());
        if (s.shotsWritten < wanted) {
            Fail("saved " + std::to_string(s.shotsWritten) + " of " + std::to_string(wanted) +
                 " screenshots");
        }
    }
    DeviceDestroyed();
    if (s.traceFile != nullptr) {
        CallTrace::SetEnabled(false);
        CallTrace::SetOutput(nullptr);
        std::fclose(s.traceFile);
        s.traceFile = nullptr;
    }
    if (frameworkExitCode == 0 && s.failed) {
        return 1;
    }
    return frameworkExitCode;
}
