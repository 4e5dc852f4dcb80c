#pragma once
// Encodes raw RGBA frames to a video file by running the ffmpeg program as a child process
// with the frames on its standard input, muxing in a sound file when one is given.

#include <string>
#include <sys/types.h>
#include <vector>

class VideoPipe {
  public:
    struct Settings {
        std::string outputPath;
        int width = 800;
        int height = 600;
        int fps = 60;
        std::string audioPath;      // muxed in when not empty and readable
        double durationSeconds = 0; // the output is cut at this length when > 0
    };

    VideoPipe() = default;
    ~VideoPipe();
    VideoPipe(const VideoPipe&) = delete;
    VideoPipe& operator=(const VideoPipe&) = delete;

    // Starts ffmpeg; false (with `error` set) when it cannot be started.
    bool Open(const Settings& settings);
    // One frame of width * height * 4 bytes, top row first; false once ffmpeg has gone.
    bool Write(const unsigned char* rgba);
    // Ends the input and waits for ffmpeg; true when it finished without error.
    bool Close();

    const std::string& Error() const { return error; }
    bool IsOpen() const { return child > 0; }

  private:
    Settings settings;
    pid_t child = -1;
    int input = -1;
    std::string error;
};

// The ffmpeg command line VideoPipe runs, for the given settings (program name first).
std::vector<std::string> VideoPipeArguments(const VideoPipe::Settings& settings);
