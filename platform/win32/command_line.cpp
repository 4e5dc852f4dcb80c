// The process command line, rebuilt as one wide string the way the platform hands it out.
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/fs/windows_path.h"
#include "platform/win32/win32.h"

namespace {

std::wstring* commandLine = nullptr; // never freed: callers keep the pointer

bool NeedsQuotes(const std::string& argument) {
    return argument.empty() || argument.find_first_of(" \t\"") != std::string::npos;
}

// Quotes an argument with blanks; embedded quotes are escaped with a backslash.
std::string QuoteArgument(const std::string& argument) {
    if (!NeedsQuotes(argument))
        return argument;
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

void Build(const std::vector<std::string>& arguments) {
    std::string line;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0)
            line += ' ';
        line += QuoteArgument(arguments[i]);
    }
    if (!commandLine)
        commandLine = new std::wstring;
    *commandLine = WindowsPath::Widen(line);
}

std::vector<std::string> ReadOwnArguments() {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> arguments;
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\0', start);
        if (end == std::string::npos)
            end = all.size();
        arguments.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return arguments;
}

} // namespace

void SetProcessCommandLine(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.emplace_back(argv[i] ? argv[i] : "");
    Build(arguments);
}

LPWSTR GetCommandLineW() {
    if (!commandLine)
        Build(ReadOwnArguments());
    return commandLine->data();
}
