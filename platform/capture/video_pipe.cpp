#include "platform/capture/video_pipe.h"

#include "platform/capture/yuv420_frame.h"
#include "platform/process/write_all.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr const char* ffmpegProgram = "ffmpeg";
constexpr int defaultLargestPipe = 1 << 20; // Linux's default /proc/sys/fs/pipe-max-size

std::string FormatSeconds(double seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

} // namespace

std::vector<std::string> VideoPipeArguments(const VideoPipe::Settings& s) {
    std::vector<std::string> args = {ffmpegProgram,
                                     "-hide_banner",
                                     "-loglevel",
                                     "error",
                                     "-nostdin",
                                     "-y",
                                     "-f",
                                     "rawvideo",
                                     "-pix_fmt",
                                     "yuv420p",
                                     "-s",
                                     std::to_string(Yuv420::PaddedDimension(s.width)) + "x" +
                                         std::to_string(Yuv420::PaddedDimension(s.height)),
                                     "-framerate",
                                     std::to_string(s.fps),
                                     "-i",
                                     "pipe:0"};
    const bool withAudio = !s.audioPath.empty() && access(s.audioPath.c_str(), R_OK) == 0;
    if (withAudio) {
        args.insert(args.end(), {"-i", s.audioPath, "-map", "0:v:0", "-map", "1:a:0"});
    }
    // H.264 in yuv420p plays everywhere. The quickest motion search (diamond, one round of
    // sub-pixel refinement) takes about a third off x264's time on busy scenes and, at this
    // quality setting, keeps PSNR and SSIM against the rendered frames at or above those of
    // the plain "veryfast" preset at the same size (bench/README.md).
    args.insert(args.end(), {"-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-x264-params",
                             "me=dia:subme=1", "-pix_fmt", "yuv420p"});
    if (withAudio) {
        args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k", "-shortest"});
    }
    if (s.durationSeconds > 0) {
        args.insert(args.end(), {"-t", FormatSeconds(s.durationSeconds)});
    }
    // A name starting with "-" must not read as an option.
    args.push_back(!s.outputPath.empty() && s.outputPath[0] == '-' ? "./" + s.outputPath : s.outputPath);
    return args;
}

VideoPipe::~VideoPipe() {
    Close();
}

bool VideoPipe::EncoderAvailable() {
    const char* path = std::getenv("PATH");
    std::string_view directories = path != nullptr ? path : "/usr/bin:/bin";
    while (true) {
        const std::size_t colon = directories.find(':');
        std::string directory(directories.substr(0, colon));
        if (directory.empty()) {
            directory = ".";
        }
        if (access((directory + "/" + ffmpegProgram).c_str(), X_OK) == 0) {
            return true;
        }
        if (colon == std::string_view::npos) {
            return false;
        }
        directories.remove_prefix(colon + 1);
    }
}

bool VideoPipe::Open(const Settings& wanted) {
    Close();
    settings = wanted;
    error.clear();
    // A vanished encoder must show as a failed write, not end the process.
    std::signal(SIGPIPE, SIG_IGN);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("cannot create a pipe: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);

    const std::vector<std::string> args = VideoPipeArguments(settings);
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, ffmpegProgram, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (spawned != 0) {
        close(fds[1]);
        error = std::string("cannot run ffmpeg: ") + std::strerror(spawned);
        return false;
    }
    child = pid;
    input = fds[1];
    // A pipe that holds a whole frame, or as much as an unprivileged process may ask for,
    // lets ffmpeg take a frame in few reads. The default works too, only slower.
    if (fcntl(input, F_SETPIPE_SZ, static_cast<int>(FrameBytes())) < 0) {
        fcntl(input, F_SETPIPE_SZ, defaultLargestPipe);
    }
    return true;
}

std::size_t VideoPipe::FrameBytes() const {
    return Yuv420::FrameBytes(settings.width, settings.height);
}

bool VideoPipe::Write(const unsigned char* frame) {
    if (input < 0 || frame == nullptr) {
        return false;
    }
    if (!WriteAll(input, frame, FrameBytes())) {
        error = "ffmpeg stopped reading frames";
        close(input);
        input = -1;
        return false;
    }
    return true;
}

bool VideoPipe::Close() {
    if (input >= 0) {
        close(input);
        input = -1;
    }
    if (child <= 0) {
        return error.empty();
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    child = -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (error.empty()) {
            error = "ffmpeg failed";
        }
        return false;
    }
    return error.empty();
}
