#pragma once
// The run modes wired into the demo's frame callbacks: a fixed or scripted music clock,
// frames to a video, PNG files or screenshots, and call traces. Without any of them every
// function here leaves the demo as it plays normally.

#include "platform/d3d9/d3d9.h"
#include "shell/run_modes.h"

#include <string>
#include <vector>

namespace DemoRunModes {

// Before the framework starts: checks that the files and directories the run writes can
// be written, then fixes the clock and installs the frame sink and trace as the options
// ask. False, with one line per problem in `problems` and nothing installed or written,
// when the run cannot go ahead.
bool Configure(const RunModeOptions& options, std::vector<std::string>* problems);

// True in capture, screenshot and scripted-clock runs: their frames keep the requested
// back-buffer size whatever the display and the window do.
bool FramesIgnoreWindow();

// The device the scenes draw through this frame: the framework's, or a tracing device
// around it.
IDirect3DDevice9* FrameDevice(IDirect3DDevice9* device);

// When the framework destroys its device: lets go of the tracing device around it, so the
// framework's release of the device finds no reference of ours left.
void DeviceDestroyed();

// At the start of the frame-render callback: sets the music position of a scheduled frame.
// False when the run is over (nothing more to draw; the window has been asked to close).
bool BeginFrame();

// After the main loop: closes the outputs and reports; returns the exit code, which is the
// framework's, or 1 when that is 0 but an output could not be written.
int Finish(int frameworkExitCode);

} // namespace DemoRunModes
