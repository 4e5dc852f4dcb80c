#include "platform/process/child_process_call.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/process/write_all.h"

namespace {

// The child's exit status when a fatal signal or an escaping exception stopped the work.
constexpr int kCrashedStatus = 70;
constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

void LeaveCrashed(int) {
    _exit(kCrashedStatus);
}

[[noreturn]] void RunChild(int fd, const std::function<std::string()>& work) {
    // These replace any handler a sanitizer set: a crash in the (uninstrumented) library
    // the work calls is an outcome here, not a report.
    struct sigaction action = {};
    action.sa_handler = LeaveCrashed;
    sigemptyset(&action.sa_mask);
    for (int signal : kFatalSignals) {
        sigaction(signal, &action, nullptr);
    }
    std::string text;
    try {
        text = work();
    } catch (...) {
        _exit(kCrashedStatus);
    }
    _exit(WriteAll(fd, text.data(), text.size()) ? 0 : kCrashedStatus);
}

// Reads the child's text until it closes its end; false when `deadline` passes first.
bool ReadUntilClosed(int fd, std::chrono::steady_clock::time_point deadline, std::string* text) {
    char buffer[65536];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd readable = {fd, POLLIN, 0};
        int ready = poll(&readable, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR) {
            return false;
        }
        if (ready <= 0) {
            continue;
        }
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return true;
        }
        text->append(buffer, static_cast<size_t>(got));
    }
}

int WaitFor(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return status;
}

} // namespace

ChildCallOutcome CallInChildProcess(const std::function<std::string()>& work, std::chrono::milliseconds limit,
                                    std::string* output) {
    output->clear();
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return ChildCallOutcome::Unavailable;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const pid_t child = fork();
    if (child < 0) {
        close(ends[0]);
        close(ends[1]);
        return ChildCallOutcome::Unavailable;
    }
    if (child == 0) {
        close(ends[0]);
        RunChild(ends[1], work);
    }
    close(ends[1]);
    std::string text;
    const bool closed = ReadUntilClosed(ends[0], deadline, &text);
    close(ends[0]);
    if (!closed) {
        kill(child, SIGKILL);
        WaitFor(child);
        return ChildCallOutcome::TimedOut;
    }
    const int status = WaitFor(child);
    if (status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        *output = std::move(text);
        return ChildCallOutcome::Finished;
    }
    if (kSanitized && status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) != kCrashedStatus) {
        // The child's sanitizer reported a fault above (its exit status says so): in our own
        // code, which alone is instrumented. Pass it on to the test or fuzzer running us.
        std::fputs("child process: ended by a sanitizer report; stopping here too\n", stderr);
        std::abort();
    }
    return ChildCallOutcome::Crashed;
}
