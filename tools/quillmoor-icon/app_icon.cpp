#include "tools/quillmoor-icon/app_icon.h"

#include <algorithm>
#include <cmath>

namespace media {

namespace {

// Ball centres and radii in icon units (-1..1, y downwards).
struct Ball {
    float x, y, r;
};
constexpr Ball balls[] = {{-0.22f, 0.12f, 0.42f}, {0.26f, -0.18f, 0.34f}, {0.18f, 0.34f, 0.24f}};

constexpr float cornerRadius = 0.32f;
constexpr float squareHalf = 0.94f;
constexpr std::array<float, 3> backgroundTop = {0.10f, 0.06f, 0.22f};
constexpr std::array<float, 3> backgroundBottom = {0.02f, 0.10f, 0.20f};
constexpr std::array<float, 3> blobColour = {1.0f, 0.55f, 0.15f};
constexpr std::array<float, 3> lightDirection = {-0.45f, -0.55f,
                                                 0.70f}; // from upper left, towards the viewer
constexpr float surfaceSteepness = 0.5f;
constexpr int subsamples = 3; // per side, for smooth edges

// Signed distance to the rounded square: negative inside.
float SquareDistance(float u, float v) {
    const float qx = std::max(std::fabs(u) - (squareHalf - cornerRadius), 0.0f);
    const float qy = std::max(std::fabs(v) - (squareHalf - cornerRadius), 0.0f);
    return std::sqrt(qx * qx + qy * qy) - cornerRadius;
}

// The metaball field (1 on a lone ball's rim) and its gradient.
float Field(float u, float v, float* gu, float* gv) {
    float f = 0.0f;
    *gu = *gv = 0.0f;
    for (const Ball& b : balls) {
        const float dx = u - b.x;
        const float dy = v - b.y;
        const float d2 = std::max(dx * dx + dy * dy, 1e-6f);
        const float term = b.r * b.r / d2;
        f += term;
        *gu += -2.0f * term * dx / d2;
        *gv += -2.0f * term * dy / d2;
    }
    return f;
}

std::array<float, 4> Shade(float u, float v) {
    if (SquareDistance(u, v) > 0.0f) {
        return {0, 0, 0, 0};
    }
    const float t = (v + 1.0f) * 0.5f;
    std::array<float, 4> c{};
    for (int i = 0; i < 3; ++i) {
        c[i] = backgroundTop[i] * (1.0f - t) + backgroundBottom[i] * t;
    }
    c[3] = 1.0f;
    float gu = 0.0f;
    float gv = 0.0f;
    const float f = Field(u, v, &gu, &gv);
    if (f < 1.0f) {
        // A soft glow around the blob.
        const float glow = std::pow(std::max(0.0f, (f - 0.4f) / 0.6f), 2.0f) * 0.45f;
        for (int i = 0; i < 3; ++i) {
            c[i] += blobColour[i] * glow;
        }
        return c;
    }
    // The blob as a height field z = sqrt(1 - 1/f): 0 on the rim, rising like a ball's
    // surface towards the centres; its slope tilts the normal.
    const float z = std::sqrt(std::max(1.0f - 1.0f / f, 1e-4f));
    const float slope = surfaceSteepness / (2.0f * z * f * f);
    float n[3] = {-gu * slope, -gv * slope, 1.0f};
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    const float lightLength =
        std::sqrt(lightDirection[0] * lightDirection[0] + lightDirection[1] * lightDirection[1] +
                  lightDirection[2] * lightDirection[2]);
    float diffuse = 0.0f;
    for (int i = 0; i < 3; ++i) {
        n[i] /= length;
        diffuse += n[i] * lightDirection[i] / lightLength;
    }
    diffuse = std::max(0.0f, diffuse);
    // Blinn highlight with the viewer on +z.
    float h[3] = {lightDirection[0] / lightLength, lightDirection[1] / lightLength,
                  lightDirection[2] / lightLength + 1.0f};
    const float hLength = std::sqrt(h[0] * h[0] + h[1] * h[1] + h[2] * h[2]);
    const float specular =
        std::pow(std::max(0.0f, (n[0] * h[0] + n[1] * h[1] + n[2] * h[2]) / hLength), 40.0f);
    for (int i = 0; i < 3; ++i) {
        c[i] = blobColour[i] * (0.22f + 0.78f * diffuse) + specular * 0.9f;
    }
    return c;
}

} // namespace

Image AppIcon(int size) {
    Image icon(size, size, {0, 0, 0, 0});
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            std::array<float, 4> sum{};
            for (int sy = 0; sy < subsamples; ++sy) {
                for (int sx = 0; sx < subsamples; ++sx) {
                    const float u = (x + (sx + 0.5f) / subsamples) / size * 2.0f - 1.0f;
                    const float v = (y + (sy + 0.5f) / subsamples) / size * 2.0f - 1.0f;
                    const std::array<float, 4> c = Shade(u, v);
                    // Colour weighted by coverage, so the transparent corners do not darken the edge.
                    for (int i = 0; i < 3; ++i) {
                        sum[i] += c[i] * c[3];
                    }
                    sum[3] += c[3];
                }
            }
            std::array<float, 4>& p = icon.At(x, y);
            const float coverage = sum[3] / (subsamples * subsamples);
            for (int i = 0; i < 3; ++i) {
                p[i] = sum[3] > 0.0f ? sum[i] / sum[3] : 0.0f;
            }
            p[3] = coverage;
        }
    }
    return icon;
}

} // namespace media
