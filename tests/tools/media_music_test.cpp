#include <gtest/gtest.h>

#include <cmath>
#include <vector>

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

TEST(MusicTrack, DrumsLandOnTheScenesBeatTimes) {
    const std::vector<float> pcm = media::SynthesiseMusic();
    ASSERT_EQ(pcm.size(), static_cast<size_t>(media::kMusicSeconds * media::kMusicSampleRate) * 2);
    int events = 0, louder = 0;
    for (const media::MusicSection& s : media::MusicSections()) {
        for (double t : s.events) {
            if (t > s.end - 0.1) {
                continue;
            }
            ++events;
            // The 30 ms after an event carry a kick: clearly more energy than the 30 ms before.
            if (Rms(pcm, t, t + 0.03) > 1.3 * Rms(pcm, t - 0.03, t)) {
                ++louder;
            }
        }
    }
    EXPECT_GT(events, 250);
    EXPECT_GE(louder, events * 9 / 10);
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
