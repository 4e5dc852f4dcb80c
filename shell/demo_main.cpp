#include <cstdio>
#include <string>
#include <vector>

#include "assets/archive_extractor.h"
#include "assets/resource_cache.h"
#include "framework/framework.h"
#include "platform/win32/win32.h"
#include "shell/demo_callbacks.h"
#include "shell/demo_init.h"
#include "shell/demo_run_modes.h"
#include "shell/log_file.h"
#include "shell/run_directory.h"
#include "shell/run_modes.h"

namespace {
constexpr const wchar_t* windowTitle = L"tmq - Quillmoor";

// A run mode that cannot be used: one line per problem, and nothing plays.
int RefuseRun(const std::vector<std::string>& problems) {
    for (const std::string& problem : problems) {
        std::fprintf(stderr, "quillmoor: %s\n", problem.c_str());
    }
    std::fputs("quillmoor: nothing played (quillmoor -help lists the options)\n", stderr);
    return RunModes::UnusableRunModeExitCode;
}
} // namespace

int DemoMain() {
    RunModeOptions options = RunModes::Parse(GetCommandLineW());
    if (options.help) {
        std::fputs(RunModes::Usage().c_str(), stdout);
        return 0;
    }
    if (!options.errors.empty()) {
        return RefuseRun(options.errors);
    }
    RunPlace place;
    std::string error;
    if (!RunDirectory::Enter(options.dataDirectory, RunEnvironment::FromProcess(), &place, &error)) {
        std::fprintf(stderr, "quillmoor: %s\n", error.c_str());
        return 1;
    }
    RunModes::AnchorPaths(&options, place.startDirectory);
    LogFile::SetDirectory(place.logDirectory);
    std::vector<std::string> problems;
    if (!DemoRunModes::Configure(options, &problems)) {
        RunDirectory::Leave(place);
        return RefuseRun(problems);
    }

    DemoRegisterCallbacks();

    // The media archive decodes on a second thread while the window and the device come
    // up; its files are written only if start-up gets as far as extracting them.
    ArchiveExtractor::StartDecoding();
    Framework::SetCursorSettings(true, true);
    Framework::Init(true, true, false);
    Framework::OpenWindow(windowTitle, nullptr, nullptr, nullptr, CW_USEDEFAULT, CW_USEDEFAULT);
    // Offscreen runs (capture, shots, scripted clock) ask for a window; -fullscreen still
    // overrides that.
    Framework::CreateDevice(0, options.FixedClock(), demoScreenWidth, demoScreenHeight, DemoAcceptDevice,
                            DemoAdjustSettings);
    // Without a device the scenes cannot load anything, and the main loop returns at once
    // with the framework's exit code; start-up is skipped.
    if (Framework::Device() != nullptr) {
        DemoInit();
    }
    ArchiveExtractor::Stop();
    Framework::Run(nullptr);
    // The framework lets go of its device only at process exit; the textures go first.
    ResourceCache::ReleaseAll();
    const int exitCode = DemoRunModes::Finish(Framework::ExitCode());
    RunDirectory::Leave(place);
    return exitCode;
}
