#pragma once
// The music windows of the ten scenes, in timeline order, in seconds. Stored as floats:
// 42.696 becomes 42.69599914..., and adjacent windows share their boundary value.

struct SceneWindow {
    float start;
    float end;
};

constexpr SceneWindow sceneSchedule[] = {
    {0.0f, 28.0f},        // opening twisting blob with beat markers
    {28.0f, 42.696f},     // camera flight with glowing particle trails
    {42.696f, 56.078f},   // wobbling blob with beat squares
    {56.078f, 69.204f},   // twisting stack with flare stream
    {69.204f, 84.827f},   // tumbling blob with credits
    {84.827f, 100.0f},    // camera cuts around a twisting blob
    {100.0f, 113.0f},     // swirling blob
    {113.0f, 139.863f},   // blob room with beat cuts
    {139.863f, 160.248f}, // water room
    {160.248f, 190.0f},   // final room and greetings
};

constexpr int sceneCount = sizeof sceneSchedule / sizeof sceneSchedule[0];
static_assert(sceneCount == 10);
