// Arguments as the process receives them (the input split at zero bytes), joined into the
// platform's command line and parsed by the framework and by the run modes, as at start-up.

#include <cstdint>
#include <string>
#include <vector>

#include "framework/command_line.h"
#include "platform/win32/win32.h"
#include "shell/run_modes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments{"quillmoor"};
    arguments.emplace_back();
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.emplace_back();
        } else {
            arguments.back() += static_cast<char>(data[i]);
        }
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    SetProcessCommandLine(static_cast<int>(argv.size()), argv.data());
    const LPWSTR line = GetCommandLineW();

    CommandLineOverrides overrides;
    CommandLine::Parse(line, &overrides);
    const RunModeOptions options = RunModes::Parse(line);
    (void)options;
    return 0;
}
