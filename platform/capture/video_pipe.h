#pragma once
// Encodes frames to a video file by running the ffmpeg program as a child process with the
// frames on its standard input, muxing in a sound file when one is given. The frames travel
// as planar 4:2:0 Y'CbCr (Yuv420), the encoder's own format.

#include <cstddef>
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

    // Whether an executable ffmpeg lies on the PATH, so a capture can be refused before it
    // starts rather than after the first frame.
    static bool EncoderAvailable();

    // Starts ffmpeg; false (with `error` set) when it cannot be started.
    bool Open(const Settings& settings);
    // Bytes of one frame: Yuv420::FrameBytes of the settings' size.
    std::size_t FrameBytes() const;
    // One frame of FrameBytes(); false once ffmpeg has gone.
    bool Write(const unsigned char* frame);
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
