#pragma once
// The framework's command-line options. Parsing never fails: unknown tokens are skipped,
// malformed numbers read as the digits they start with, an option missing its ":" value
// has no effect.

#include <string_view>

#include "platform/win32/windows_types.h"

struct CommandLineOverrides {
    int overrideAdapter = -1;
    bool overrideWindowed = false;
    bool overrideFullScreen = false;
    int overrideStartX = -1;
    int overrideStartY = -1;
    int overrideWidth = 0;
    int overrideHeight = 0;
    bool overrideForceHal = false;
    bool overrideForceRef = false;
    bool overrideForcePureHwvp = false;
    bool overrideForceHwvp = false;
    bool overrideForceSwvp = false;
    bool overrideConstantFrameTime = false;
    float overrideTimePerFrame = 0.0f;
    int overrideQuitAfterFrame = 0;
    // "noerrormsgboxes" was given.
    bool noErrorMessageBoxes = false;
};

namespace CommandLine {

// Parses a whole process command line (executable name first) into overrides; options not
// on the line keep the values already in `overrides`.
void Parse(std::wstring_view commandLine, CommandLineOverrides* overrides);

// Reads a decimal integer as the C library's atoi does (leading blanks, optional sign,
// digits up to the first non-digit; none gives 0).
int ReadInteger(std::wstring_view text);

} // namespace CommandLine
