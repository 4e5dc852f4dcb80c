#pragma once
// The FMOD 3 stream functions the demo calls, on libvorbisfile and SDL audio.
//
// Position rules (FSOUND_Stream_GetTime):
// - with a sound device, the whole milliseconds of music actually heard so far;
// - without a usable device (or on SDL's imprecise "dummy" driver), the wall clock since
//   FSOUND_Stream_Play, so the pictures keep their timing while the run is silent;
// - a stream that could not be opened (null handle) also follows the wall clock since the
//   last FSOUND_Stream_Play, so a missing music file gives a silent but timed run; before
//   any play the position is 0;
// - a stream that has ended stays at its length;
// - a fixed position set through SoundClock (capture, shots, scripted runs) overrides all.

#include "platform/win32/windows_types.h"

struct FSOUND_STREAM;

constexpr int FSOUND_OUTPUT_WINMM = 1;
constexpr unsigned FSOUND_NORMAL = 0x130;

signed char FSOUND_SetOutput(int outputType);
signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned flags);
signed char FSOUND_Stream_SetBufferSize(int milliseconds);
FSOUND_STREAM* FSOUND_Stream_Open(const char* nameOrData, unsigned mode, int offset, int length);
int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);
// Stops playback and frees the stream; false for a null stream.
signed char FSOUND_Stream_Close(FSOUND_STREAM* stream);
// Whole milliseconds of the stream actually played.
int FSOUND_Stream_GetTime(FSOUND_STREAM* stream);
// Length of the stream in whole milliseconds; 0 for a null stream.
int FSOUND_Stream_GetLengthMs(FSOUND_STREAM* stream);
