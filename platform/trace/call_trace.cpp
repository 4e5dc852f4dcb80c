#include "platform/trace/call_trace.h"

#include <cmath>

void CallTrace::SetOutput(std::FILE* out) {
    out_ = out;
}

void CallTrace::SetFrame(unsigned long long frame, float seconds) {
    frame_ = frame;
    seconds_ = seconds;
}

void CallTrace::SetEnabled(bool enabled) {
    enabled_ = enabled;
}

void CallTrace::Record(const std::string& call, const std::vector<std::string>& args,
                       const std::string& resultJson) {
    if (!Enabled()) {
        return;
    }
    // The time as the single-precision value the scenes see, in its shortest exact form
    // (28000 ms reads 28.000002); JSON has no NaN or infinity, so those are written as null.
    const std::string t = std::isfinite(seconds_) ? FloatText(seconds_) : "null";
    const RecordedCall recorded{call, args};
    std::fprintf(out_, "{\"frame\":%llu,\"t\":%s,%s", frame_, t.c_str(), recorded.JsonMembers().c_str());
    if (!resultJson.empty()) {
        std::fprintf(out_, ",\"result\":%s", resultJson.c_str());
    }
    std::fputs("}\n", out_);
}

void CallTrace::Record(const char* interfaceName, const RecordedCall& call, const std::string& resultJson) {
    if (!Enabled()) {
        return;
    }
    Record(std::string(interfaceName) + "::" + call.name, call.args, resultJson);
}

void CallTrace::Record(const RecordedCall& call, const std::string& resultJson) {
    Record(call.name, call.args, resultJson);
}

void CallTrace::Flush() {
    if (out_ != nullptr) {
        std::fflush(out_);
    }
}

DeviceCallFormatter& CallTrace::Formatter() {
    static DeviceCallFormatter formatter;
    return formatter;
}
