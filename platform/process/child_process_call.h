#pragma once
// Runs a piece of work in a child process of its own and hands back the text it produced,
// for library code that may crash or hang on malformed input (the HLSL compiler on a user's
// effect file): a fault there then ends the child, not the demo.
//
// The child is a fork of the caller: it sees the caller's memory as it was, does the work,
// writes its text into a pipe and leaves with _exit, running no exit handlers and touching
// no device. Only the thread that called runs in it, so the work must not wait for others.
#include <chrono>
#include <functional>
#include <string>

enum class ChildCallOutcome {
    Finished,    // the work returned; `output` holds its text
    Crashed,     // the child ended on a fatal signal (a fault in the work)
    TimedOut,    // still running at the limit: killed
    Unavailable, // no child could be started (no fork, pipe or memory): run the work here
};

ChildCallOutcome CallInChildProcess(const std::function<std::string()>& work, std::chrono::milliseconds limit,
                                    std::string* output);
