#include "shell/capture_progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
constexpr int barWidth = 20;

std::string Duration(double seconds) {
    const long long s = std::llround(std::max(0.0, seconds));
    char text[32];
    if (s >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    }
    return text;
}
} // namespace

std::string CaptureProgress::Line(long long done, double elapsedSeconds) const {
    const long long clamped = std::clamp(done, 0LL, std::max(total, 0LL));
    const double fraction = total > 0 ? static_cast<double>(clamped) / static_cast<double>(total) : 1.0;
    const int filled = static_cast<int>(fraction * barWidth);
    std::string bar = "[" + std::string(filled, '#') + std::string(barWidth - filled, '-') + "]";

    const double videoSeconds = fps > 0 ? static_cast<double>(clamped) / fps : 0.0;
    char text[160];
    if (clamped == 0 || elapsedSeconds <= 0) {
        std::snprintf(text, sizeof text, "%s %3d%%  %lld/%lld frames", bar.c_str(),
                      static_cast<int>(fraction * 100), clamped, total);
        return text;
    }
    const double speed = videoSeconds / elapsedSeconds;
    const double left = elapsedSeconds / static_cast<double>(clamped) * static_cast<double>(total - clamped);
    std::snprintf(text, sizeof text, "%s %3d%%  %lld/%lld frames  %.2fx  %s left", bar.c_str(),
                  static_cast<int>(fraction * 100), clamped, total, speed, Duration(left).c_str());
    return text;
}
