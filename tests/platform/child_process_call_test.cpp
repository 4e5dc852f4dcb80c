#include "platform/process/child_process_call.h"

#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(ChildProcessCall, TheWorksTextComesBackWhole) {
    // Larger than a pipe holds: the caller must read while the child writes.
    std::string big(3 << 20, 'x');
    big[12345] = 'y';
    std::string output;
    EXPECT_EQ(CallInChildProcess([&] { return big; }, 60s, &output), ChildCallOutcome::Finished);
    EXPECT_EQ(output, big);
    EXPECT_EQ(CallInChildProcess([] { return std::string(); }, 60s, &output), ChildCallOutcome::Finished);
    EXPECT_EQ(output, "");
}

TEST(ChildProcessCall, AFaultInTheWorkEndsOnlyTheChild) {
    const struct {
        const char* what;
        std::function<std::string()> work;
    } cases[] = {
        {"segmentation fault",
         [] {
             std::raise(SIGSEGV);
             return std::string("after");
         }},
        {"abort", []() -> std::string { std::abort(); }},
        {"exception", []() -> std::string { throw std::runtime_error("no"); }},
    };
    for (const auto& c : cases) {
        std::string output = "stale";
        EXPECT_EQ(CallInChildProcess(c.work, 60s, &output), ChildCallOutcome::Crashed) << c.what;
        EXPECT_EQ(output, "") << c.what;
    }
}

TEST(ChildProcessCall, AWorkThatDoesNotFinishIsKilledAtTheLimit) {
    std::string output;
    EXPECT_EQ(CallInChildProcess(
                  [] {
                      std::this_thread::sleep_for(600s);
                      return std::string("late");
                  },
                  300ms, &output),
              ChildCallOutcome::TimedOut);
    EXPECT_EQ(output, "");
}

} // namespace
