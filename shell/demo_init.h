#pragma once
// The one-time start-up after the device exists: media extraction, scene inits, clean-up of
// the extracted files, the timeline, the hidden cursor, the music and the clock.

void DemoInit();
