// The picture guard: frames of the real binary, rendered headless through the GL device on
// the generated media, compared with the reference pictures in tests/data/picture_guard
// within the tolerance of tests/demo/picture_comparison.h. It catches a change of the
// picture, not a fault that was there when the references were made; the GL device's own
// pixel tests check the formulas.
//
// scripts/picture-guard-references.sh renders the references anew. A commit that changes
// them must say why the picture changed (a deliberate media change, a fixed fault); a speed
// change never needs new references.

#include "tests/demo/picture_comparison.h"
#include "tests/demo/whole_program_fixture.h"

#include <stb_image_write.h>

#include "shell/frame_schedule.h"

#include <cstdio>
#include <string>

namespace {

// Music times (ms) of the frames: one well inside every scene and one either side of every
// scene change (28, 42.696, 56.078, 69.204, 84.827, 100, 113, 139.863, 160.248 and 190 s,
// where nothing is drawn any more).
// The fixed clock steps a second at a time between them, which keeps the run short; each
// scene's state still depends on every frame before, as in a real run. A greeting fades
// out by 1.5 a second, so the one at 173.636 s is seen only in a frame that follows
// another closely: 173.63 s goes before it.
constexpr int guardedMilliseconds[] = {
    16000,  27900,  28100,  33500,  42600,  42800,  50000,  56000,  56200,  63500,  69100,
    69300,  77000,  84700,  84900,  91000,  99900,  100100, 106000, 112900, 113100, 128500,
    139700, 140000, 148500, 160100, 160400, 173630, 173660, 189900, 190100,
};
constexpr int stepsPerSecond = 1;

const fs::path referenceDirectory = fs::path(QUILLMOOR_TEST_DATA) / "picture_guard";
// Set to a directory to write the reduced frames there instead of comparing them.
constexpr const char* writeReferencesVariable = "QUILLMOOR_PICTURE_GUARD_WRITE_TO";

using PictureComparison::LoadPicture;
using PictureComparison::Picture;

bool SavePicture(const fs::path& path, const Picture& picture) {
    stbi_write_png_compression_level = 9;
    return stbi_write_png(path.c_str(), picture.width, picture.height, 3, picture.rgb.data(),
                          picture.width * 3) != 0;
}

// Four times the difference, so that a faint change shows.
Picture DifferencePicture(const Picture& a, const Picture& b) {
    Picture d = a;
    for (std::size_t i = 0; i < d.rgb.size(); ++i) {
        d.rgb[i] = static_cast<unsigned char>(std::min(255, 4 * std::abs(a.rgb[i] - b.rgb[i])));
    }
    return d;
}

class PictureGuard : public WholeProgram {};

TEST_F(PictureGuard, FramesMatchTheirReferences) {
    ASSERT_TRUE(CopyMedia()) << "no generated media in " << runDirectory;
    std::string shots;
    for (int ms : guardedMilliseconds) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%s%d.%03d", shots.empty() ? "" : ",", ms / 1000, ms % 1000);
        shots += seconds;
    }
    const RunResult r = Run("-fps:" + std::to_string(stepsPerSecond) + " -shots:" + shots + " -out:shots");
    ASSERT_EQ(r.exitCode, 0) << r.err;

    const char* writeTo = std::getenv(writeReferencesVariable);
    fs::path kept; // rendered frames and differences of the frames that fail, left for a look
    for (int ms : guardedMilliseconds) {
        const std::string name = FrameSchedule::ShotFileName(ms);
        SCOPED_TRACE(name);
        Picture frame;
        ASSERT_TRUE(LoadPicture(work / "shots" / name, &frame));
        const Picture reduced = PictureComparison::Reduced(frame, PictureComparison::reductionFactor);
        if (writeTo != nullptr && *writeTo != '\0') {
            EXPECT_TRUE(SavePicture(fs::path(writeTo) / name, reduced));
            continue;
        }
        Picture reference;
        if (!LoadPicture(referenceDirectory / name, &reference)) {
            ADD_FAILURE() << "no reference picture " << referenceDirectory / name
                          << "; scripts/picture-guard-references.sh renders them";
            continue;
        }
        const PictureComparison::Difference d = PictureComparison::Compare(reference, reduced);
        if (PictureComparison::Passes(d)) {
            continue;
        }
        if (kept.empty()) {
            kept = TestTemp::MakeDirectory("quillmoor-picture-guard");
        }
        fs::copy_file(work / "shots" / name, kept / name);
        SavePicture(kept / ("reduced_" + name), reduced);
        SavePicture(kept / ("reference_" + name), reference);
        if (d.sameSize) {
            SavePicture(kept / ("difference_" + name), DifferencePicture(reference, reduced));
        }
        ADD_FAILURE() << "the frame differs from its reference: " << d.pixelsOff
                      << " reduced pixels off by more than " << PictureComparison::channelTolerance
                      << " (at most " << PictureComparison::allowedPixelsOff << " allowed), mean difference "
                      << d.meanDifference << " (at most " << PictureComparison::allowedMeanDifference
                      << "), largest " << d.largest << (d.sameSize ? "" : ", not the reference's size")
                      << "; pictures kept in " << kept;
    }
}

} // namespace
