#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "scenes/beat_room_scene.h"
#include "scenes/camera_flight_scene.h"
#include "scenes/credits_blob_scene.h"
#include "scenes/cut_blob_scene.h"
#include "scenes/final_room_scene.h"
#include "scenes/opening_blob_scene.h"
#include "scenes/twisting_stack_scene.h"
#include "scenes/water_room_scene.h"
#include "scenes/wobbling_blob_scene.h"
#include "shell/scene_schedule.h"
#include "tools/quillmoor-media/beat_tables.h"
#include "tools/quillmoor-media/music_track.h"

namespace {

double Rms(const std::vector<float>& pcm, double from, double to) {
    const auto a = static_cast<size_t>(from * media::kMusicSampleRate);
    const auto b = static_cast<size_t>(to * media::kMusicSampleRate);
    double sum = 0;
    for (size_t i = a; i < b; ++i) {
        sum += pcm[2 * i] * pcm[2 * i];
    }
    return std::sqrt(sum / double(b - a));
}

// One of a scene's tables of music times and the scene it belongs to (its index in the
// schedule). Entries outside the scene's window, or after `until` where that is set, are
// strays the scene never acts on.
struct SceneTimes {
    const char* name;
    std::span<const float> times;
    int scene;
    float until = 0;
};

const SceneTimes ScenesTimes[] = {
    {"opening block 0", OpeningBlobScene::Block0Times, 0},
    {"opening block 1", OpeningBlobScene::Block1Times, 0},
    {"opening block 2", OpeningBlobScene::Block2Times, 0},
    {"opening circle 0", OpeningBlobScene::Circle0Times, 0},
    {"opening circle 1", OpeningBlobScene::Circle1Times, 0},
    {"opening circle 2", OpeningBlobScene::Circle2Times, 0},
    {"flight segments", CameraFlightScene::SegmentStarts, 1},
    {"flight sweeps end", std::span(&CameraFlightScene::SweepsEnd, 1), 1},
    {"flight pulses", CameraFlightScene::PulseTimes, 1},
    {"wobble beats", WobbleBlobScene::BeatTimes, 2},
    {"stack beats", TwistStackScene::BeatTimes, 3},
    {"credits", CreditsBlobScene::CreditTimes, 4},
    {"cuts", CutBlobScene::CutTimes, 5},
    {"strobe", BeatRoomScene::FlashTimes, 7, BeatRoomScene::StrobeEnd},
    {"room block 0", BeatRoomScene::Block0Times, 7},
    {"room block 1", BeatRoomScene::Block1Times, 7},
    {"room block 2", BeatRoomScene::Block2Times, 7},
    {"room block 3", BeatRoomScene::Block3Times, 7},
    {"room block 4", BeatRoomScene::Block4Times, 7},
    {"final cuts", FinalRoomScene::CutTimes, 9},
    {"greetings end", std::span(&FinalRoomScene::GreetingsEnd, 1), 9},
    {"closing logo", std::span(&FinalRoomScene::ClosingLogoStart, 1), 9},
};

TEST(MusicTrack, DrumsLandOnTheScenesOwnTimes) {
    const std::vector<float> pcm = media::SynthesiseMusic();
    ASSERT_EQ(pcm.size(), static_cast<size_t>(media::kMusicSeconds * media::kMusicSampleRate) * 2);
    std::vector<double> times;
    for (const SceneTimes& table : ScenesTimes) {
        const SceneWindow& window = sceneSchedule[table.scene];
        for (const float t : table.times) {
            if (t >= window.start && t <= window.end && (table.until == 0 || t <= table.until)) {
                times.push_back(t);
            }
        }
    }
    for (const WaterRoomScene::ShotStart& shot : WaterRoomScene::ShotStarts) {
        times.push_back(shot.time);
    }
    for (const FinalRoomScene::GreetingSlot& slot : FinalRoomScene::GreetingSlots) {
        times.push_back(slot.start);
    }
    std::sort(times.begin(), times.end());
    // A hit starts at each time; one that follows the last hit within 60 ms shares its drum.
    int hits = 0;
    double lastHit = -1.0;
    for (const double t : times) {
        if (t - lastHit <= 0.06) {
            continue;
        }
        lastHit = t;
        ++hits;
        // The 30 ms after a hit carry a kick: clearly more energy than the 30 ms before.
        EXPECT_GT(Rms(pcm, t, t + 0.03), 1.3 * Rms(pcm, t - 0.03, t)) << "no drum hit at " << t << " s";
    }
    EXPECT_GT(hits, 250);
}

TEST(MusicTrack, SectionsCoverTheWholeDemoWithoutGaps) {
    const auto& sections = media::MusicSections();
    ASSERT_FALSE(sections.empty());
    EXPECT_DOUBLE_EQ(sections.front().start, 0.0);
    for (size_t i = 1; i < sections.size(); ++i) {
        EXPECT_DOUBLE_EQ(sections[i].start, sections[i - 1].end);
    }
    EXPECT_GE(sections.back().end, 190.0);
    EXPECT_GE(media::kMusicSeconds, 190.0);
}

TEST(MusicTrack, EncodesAnOggVorbisStream) {
    const std::vector<uint8_t> ogg = media::EncodeMusicTrack();
    ASSERT_GT(ogg.size(), 100000u);
    EXPECT_EQ(std::string(ogg.begin(), ogg.begin() + 4), "OggS");
    EXPECT_EQ(std::string(ogg.begin() + 29, ogg.begin() + 35), "vorbis");
}

} // namespace
