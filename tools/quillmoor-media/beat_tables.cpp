#include "tools/quillmoor-media/beat_tables.h"

#include <algorithm>
#include <iterator>
#include <span>

#include "scenes/beat_room_scene.h"
#include "scenes/camera_flight_scene.h"
#include "scenes/credits_blob_scene.h"
#include "scenes/cut_blob_scene.h"
#include "scenes/final_room_scene.h"
#include "scenes/opening_blob_scene.h"
#include "scenes/twisting_stack_scene.h"
#include "scenes/water_room_scene.h"
#include "scenes/wobbling_blob_scene.h"

namespace media {

namespace {

// The times of the scenes' own tables inside [start, end], ascending; hits closer than 60 ms
// merge into one. Entries outside the window (a stray the scene never fires) add nothing.
std::vector<double> Hits(double start, double end, std::initializer_list<std::span<const float>> tables,
                         std::vector<double> more = {}) {
    std::vector<double> all = std::move(more);
    for (std::span<const float> table : tables) {
        all.insert(all.end(), table.begin(), table.end());
    }
    std::sort(all.begin(), all.end());
    std::vector<double> out;
    for (double t : all) {
        if (t >= start && t <= end && (out.empty() || t - out.back() > 0.06)) {
            out.push_back(t);
        }
    }
    return out;
}

std::vector<double> WaterShotStarts() {
    std::vector<double> times;
    for (const WaterRoomScene::ShotStart& shot : WaterRoomScene::ShotStarts) {
        times.push_back(shot.time);
    }
    return times;
}

std::vector<double> GreetingTimes() {
    std::vector<double> times;
    for (const FinalRoomScene::GreetingSlot& slot : FinalRoomScene::GreetingSlots) {
        times.push_back(slot.start);
    }
    times.push_back(FinalRoomScene::GreetingsEnd);
    times.push_back(FinalRoomScene::ClosingLogoStart);
    return times;
}

} // namespace

const std::vector<MusicSection>& MusicSections() {
    using Opening = OpeningBlobScene;
    using Flight = CameraFlightScene;
    using Room = BeatRoomScene;
    static const std::vector<MusicSection> sections = {
        {0.0, 15.0, Hits(0.0, 15.0, {Opening::Block0Times, Opening::Block1Times, Opening::Block2Times}), 0,
         0.5f},
        {15.0, 28.0, Hits(15.0, 28.0, {Opening::Circle0Times, Opening::Circle1Times, Opening::Circle2Times}),
         0, 0.7f},
        {28.0, 42.696, Hits(28.0, 42.696, {Flight::SegmentStarts, Flight::PulseTimes}, {Flight::SweepsEnd}),
         1, 0.6f},
        {42.696, 56.078, Hits(42.696, 56.078, {WobbleBlobScene::BeatTimes}), 2, 1.0f},
        {56.078, 69.204, Hits(56.078, 69.204, {TwistStackScene::BeatTimes}), 3, 1.0f},
        {69.204, 84.827, Hits(69.204, 84.827, {CreditsBlobScene::CreditTimes}), 1, 0.5f},
        {84.827, 100.0, Hits(84.827, 100.0, {CutBlobScene::CutTimes}), 2, 0.9f},
        {100.0, 113.0, {}, 0, 0.4f},
        {113.0, 126.541, Hits(113.0, Room::StrobeEnd, {Room::FlashTimes}), 3, 0.8f},
        {126.541, 139.863,
         Hits(
             126.541, 139.863,
             {Room::Block0Times, Room::Block1Times, Room::Block2Times, Room::Block3Times, Room::Block4Times}),
         2, 1.0f},
        {139.863, 160.248, Hits(139.863, 160.248, {}, WaterShotStarts()), 1, 0.6f},
        {160.248, 173.636, Hits(160.248, 173.636, {FinalRoomScene::CutTimes}), 0, 0.8f},
        {173.636, 194.0, Hits(173.636, 194.0, {}, GreetingTimes()), 0, 0.35f},
    };
    return sections;
}

} // namespace media
