#include "tools/quillmoor-rar/partial_output.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace {

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};

// Read by the signal handlers, so a plain buffer, written while they are blocked.
char partialPath[4096];

void RemovePartial() {
    if (partialPath[0] != '\0') {
        unlink(partialPath);
    }
}

void OnInterrupt(int signal) {
    RemovePartial();
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

void OnShortenedInput(int) {
    static constexpr char kMessage[] =
        "quillmoor-rar: a file being packed was shortened meanwhile; nothing written\n";
    RemovePartial();
    const ssize_t ignored = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    (void)ignored;
    _exit(1);
}

void SetPath(const char* path, std::size_t length) {
    sigset_t all, before;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &before);
    std::memcpy(partialPath, path, length);
    partialPath[length] = '\0';
    sigprocmask(SIG_SETMASK, &before, nullptr);
}

} // namespace

namespace PartialOutput {

void RemoveOnEarlyEnd(const std::string& path) {
    // A path too long to keep is left behind rather than a shorter one removed by mistake.
    SetPath(path.c_str(), path.size() < sizeof partialPath ? path.size() : 0);
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = OnInterrupt;
    for (int signal : kInterrupts) {
        sigaction(signal, &action, nullptr);
    }
    action.sa_handler = OnShortenedInput;
    sigaction(SIGBUS, &action, nullptr);
}

void Done() {
    SetPath("", 0);
}

} // namespace PartialOutput
