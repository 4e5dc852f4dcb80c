#pragma once

#include <vector>

namespace media {

// The music times at which the scenes flash, cut or pulse, gathered so the drums can land on them.
struct MusicSection {
    double start;
    double end;
    std::vector<double> events; // ascending times that want a drum hit
    int progression;            // which chord progression the pads and bass follow
    float energy;               // 0 (sparse) .. 1 (full kit)
};

const std::vector<MusicSection>& MusicSections();

} // namespace media
