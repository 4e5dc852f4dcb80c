#pragma once
// The -trace sink. While it is on, every call into the platform's Direct3D, D3DX, sound and
// window functions writes one JSON line:
//   {"frame":12,"t":3.25,"call":"IDirect3DDevice9::SetRenderState","args":["D3DRS_ZENABLE","1"]}
// with "result" added where the returned value is worth seeing. It is off until the run
// modes give it a file and switch it on for the frames they trace; callers test Enabled()
// before formatting anything, so an untraced run pays one branch per call.

#include "platform/d3d9/call_formatter.h"

#include <cstdio>
#include <string>
#include <vector>

class CallTrace {
  public:
    // The file lines go to; null stops tracing. The file stays owned by the caller.
    static void SetOutput(std::FILE* out);
    // The frame number and music time every following line carries.
    static void SetFrame(unsigned long long frame, float seconds);
    static void SetEnabled(bool enabled);
    static bool Enabled() { return enabled_ && out_ != nullptr; }

    // `call` is the full name ("IDirect3DDevice9::Clear", "FSOUND_Stream_GetTime");
    // `resultJson`, when not empty, is written as the value of "result" unchanged.
    static void Record(const std::string& call, const std::vector<std::string>& args,
                       const std::string& resultJson = {});
    // A formatted call under its own name (plain functions such as FSOUND_Stream_GetTime).
    static void Record(const RecordedCall& call, const std::string& resultJson = {});
    // A formatted call whose name gets `interfaceName` and "::" in front.
    static void Record(const char* interfaceName, const RecordedCall& call,
                       const std::string& resultJson = {});
    static void Flush();

    // The one formatter of traced calls, so an object keeps its name across interfaces.
    static DeviceCallFormatter& Formatter();

  private:
    static inline std::FILE* out_ = nullptr;
    static inline bool enabled_ = false;
    static inline unsigned long long frame_ = 0;
    static inline float seconds_ = 0.0f;
};
