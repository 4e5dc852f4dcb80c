#pragma once
// The RAR reader's own debug log. On Linux it lives where the environment variable
// QUILLMOOR_RAR_DEBUG_LOG points; unset, empty, or a path that cannot be created leaves
// logging off for the whole run.

namespace RarDebugLog {

constexpr const char* kEnvironmentVariable = "QUILLMOOR_RAR_DEBUG_LOG";

// Starts the log from the environment on the first call in the process; later calls do nothing.
void StartOnce();

// Starts (or restarts) the log at `path`, truncating it; null or an uncreatable path turns
// logging off. For tools and tests that want the log somewhere specific.
void StartAt(const char* path);

bool Enabled();

// One entry: the milliseconds since the log started, the line number given with the
// message, and the printf-formatted message.
void Write(unsigned line, const char* format, ...) __attribute__((format(printf, 2, 3)));

} // namespace RarDebugLog
