// Checks every frame of a PNG capture (frame_NNNNNN.png at a known frame rate) for broken
// output. A frame is broken when
//  - it is missing, does not decode, or is not 800 x 600;
//  - before the end of the demo, the frame overlay is missing: its two thin border lines
//    (under the top bar and over the bottom bar, at rows 56-57 and 542-543, or at rows
//    47-48 and 551-552 in the credits overlay) must be lit across at least 90 % of the width;
//  - the 3D area (between the bars, inside the corner marks) is one flat colour other than
//    black;
//  - the 3D area is black longer than a fade dip (0.5 s), outside the two stretches the
//    timeline keeps black on purpose: the camera flight before its blob appears (28 to
//    29.411 s), the blob room's strobe (113 to 126.313 s), and the final room between the
//    last greeting fading out (181.153 s + 1 / 1.5 s) and the closing logo (183.216 s);
//  - more than 20 % of the 3D area is pure magenta (255, 0, 255) or pure green (0, 255, 0):
//    colours no scene draws, which undefined floats and unset targets give.
// Prints one line per broken frame and a summary; exit status 1 when any frame is broken.
//
// Usage: quillmoor-capture-check DIR FPS [SECONDS] [--stats]
//   SECONDS: the capture's end (default 190).
//   --stats: one line per frame with the measured values, for tuning.

#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int Width = 800;
constexpr int Height = 600;
// Where the frame overlay's bars and border lines lie (rows); the credits overlay differs.
constexpr int TopBarEnd = 50;
constexpr int BottomBarStart = 552;
constexpr int TopLine = 57;
constexpr int BottomLine = 542;
constexpr int CreditsTopLine = 47;
constexpr int CreditsBottomLine = 551;
constexpr int AreaTop = 62;
constexpr int AreaBottom = 538;
// The longest fade to black a frame may sit in, in seconds.
constexpr double LongestBlackDip = 0.5;
constexpr double GarbageShare = 0.2;

struct BlackStretch {
    double start;
    double end;
};
constexpr BlackStretch BlackOnPurpose[] = {{28.0, 29.411}, {113.0, 126.313}, {181.82, 183.216}};

bool BlackAllowed(double t) {
    for (const BlackStretch& b : BlackOnPurpose) {
        if (t >= b.start && t < b.end) {
            return true;
        }
    }
    return false;
}

struct FrameStats {
    bool decoded = false;
    int width = 0;
    int height = 0;
    double barLuma = 0;    // mean luma of the bars, away from the captions
    double topLineLit = 0; // share of the top border line's pixels that are lit
    double bottomLineLit = 0;
    double creditsTopLineLit = 0;
    double creditsBottomLineLit = 0;
    int areaMin[3] = {255, 255, 255};
    int areaMax[3] = {0, 0, 0};
    double garbage = 0; // share of the 3D area in a garbage colour
    double areaLuma = 0;
};

double Luma(const unsigned char* p) {
    return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
}

// The brightest of the rows around the nominal one: the line's row may be off by one.
double LineLit(const unsigned char* rgb, int row) {
    double best = 0;
    for (int y = row - 2; y <= row + 2; ++y) {
        int lit = 0;
        for (int x = 0; x < Width; ++x) {
            if (Luma(rgb + 3 * (y * Width + x)) > 60) {
                ++lit;
            }
        }
        best = std::fmax(best, double(lit) / Width);
    }
    return best;
}

FrameStats Measure(const std::string& path) {
    FrameStats s;
    int channels = 0;
    std::unique_ptr<unsigned char, void (*)(void*)> rgb(
        stbi_load(path.c_str(), &s.width, &s.height, &channels, 3), stbi_image_free);
    if (!rgb) {
        return s;
    }
    s.decoded = true;
    if (s.width != Width || s.height != Height) {
        return s;
    }
    const unsigned char* p = rgb.get();
    double bar = 0;
    int barCount = 0;
    for (int y = 0; y < Height; ++y) {
        if (y > TopBarEnd && y < BottomBarStart) {
            continue;
        }
        // The captions sit at the left of the top bar and the right of the bottom bar.
        for (int x = 200; x < 600; ++x) {
            bar += Luma(p + 3 * (y * Width + x));
            ++barCount;
        }
    }
    s.barLuma = bar / barCount;
    s.topLineLit = LineLit(p, TopLine);
    s.bottomLineLit = LineLit(p, BottomLine);
    s.creditsTopLineLit = LineLit(p, CreditsTopLine);
    s.creditsBottomLineLit = LineLit(p, CreditsBottomLine);
    long garbage = 0;
    double luma = 0;
    // The corner marks of the overlay sit inside the area; leave 40 pixels at the sides.
    const int left = 50;
    const int right = Width - 50;
    for (int y = AreaTop + 30; y <= AreaBottom - 30; ++y) {
        for (int x = left; x < right; ++x) {
            const unsigned char* q = p + 3 * (y * Width + x);
            for (int c = 0; c < 3; ++c) {
                s.areaMin[c] = std::min<int>(s.areaMin[c], q[c]);
                s.areaMax[c] = std::max<int>(s.areaMax[c], q[c]);
            }
            const bool magenta = q[0] == 255 && q[1] == 0 && q[2] == 255;
            const bool green = q[0] == 0 && q[1] == 255 && q[2] == 0;
            garbage += magenta || green;
            luma += Luma(q);
        }
    }
    const double count = double(AreaBottom - 30 - (AreaTop + 30) + 1) * (right - left);
    s.garbage = garbage / count;
    s.areaLuma = luma / count;
    return s;
}

bool Flat(const FrameStats& s) {
    for (int c = 0; c < 3; ++c) {
        if (s.areaMax[c] - s.areaMin[c] > 2) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s DIR FPS [SECONDS] [--stats]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const double fps = std::atof(argv[2]);
    double end = 190.0;
    bool stats = false;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--stats") == 0) {
            stats = true;
        } else {
            end = std::atof(argv[i]);
        }
    }
    if (!(fps > 0) || !(end > 0)) {
        std::fprintf(stderr, "FPS and SECONDS must be positive\n");
        return 2;
    }
    // -capture renders frames 0 .. ceil(end * fps) - 1.
    const long frames = std::lround(std::ceil(end * fps - 1e-9));
    long broken = 0;
    long blackRun = 0;
    long flatBlack = 0;
    const long longestBlackRun = std::lround(std::floor(LongestBlackDip * fps));
    for (long i = 0; i < frames; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/frame_%06ld.png", i);
        const double t = i / fps;
        const FrameStats s = Measure(dir + name);
        std::string fault;
        if (!s.decoded) {
            fault = "missing or does not decode";
        } else if (s.width != Width || s.height != Height) {
            fault = "size " + std::to_string(s.width) + "x" + std::to_string(s.height);
        } else {
            const bool flat = Flat(s);
            const bool black = flat && s.areaMax[0] <= 2 && s.areaMax[1] <= 2 && s.areaMax[2] <= 2;
            blackRun = black && !BlackAllowed(t) ? blackRun + 1 : 0;
            flatBlack += black;
            const bool overlay = (s.topLineLit >= 0.9 && s.bottomLineLit >= 0.9) ||
                                 (s.creditsTopLineLit >= 0.9 && s.creditsBottomLineLit >= 0.9);
            if (!overlay) {
                fault = "frame overlay missing";
            } else if (flat && !black) {
                fault = "3D area one flat colour";
            } else if (blackRun > longestBlackRun) {
                fault = "3D area black for more than " + std::to_string(LongestBlackDip) + " s";
            } else if (s.garbage > GarbageShare) {
                fault = "garbage colour over " + std::to_string(int(s.garbage * 100)) + " % of the 3D area";
            }
        }
        if (stats) {
            std::printf("%ld t=%.3f bar=%.1f lines=%.2f/%.2f,%.2f/%.2f min=%d,%d,%d max=%d,%d,%d luma=%.1f "
                        "garbage=%.3f %s\n",
                        i, t, s.barLuma, s.topLineLit, s.bottomLineLit, s.creditsTopLineLit,
                        s.creditsBottomLineLit, s.areaMin[0], s.areaMin[1], s.areaMin[2], s.areaMax[0],
                        s.areaMax[1], s.areaMax[2], s.areaLuma, s.garbage, fault.c_str());
        } else if (!fault.empty()) {
            std::printf("broken: frame %ld (t = %.3f s): %s\n", i, t, fault.c_str());
        }
        broken += !fault.empty();
    }
    std::printf("%ld frames checked at %g fps up to %g s: %ld broken, %ld with a black 3D area (fade dips)\n",
                frames, fps, end, broken, flatBlack);
    return broken == 0 ? 0 : 1;
}
