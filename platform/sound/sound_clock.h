#pragma once
// A position override for runs that must be deterministic (video capture, screenshots,
// scripted test runs): while a fixed position is set, FSOUND_Stream_GetTime returns it for
// every stream, and FSOUND_Stream_Play opens no sound device.

namespace SoundClock {

void SetFixedPosition(int milliseconds);
void ClearFixedPosition();
bool HasFixedPosition();
int FixedPosition();

// The fixed-step position of frame number `frame` at `fps` frames per second:
// frame * 1000 / fps milliseconds, rounded down.
int StepPosition(long long frame, int fps);

} // namespace SoundClock
