#pragma once
// The FMOD 3 stream functions the demo calls, on libvorbisfile and SDL audio.

#include "platform/win32/windows_types.h"

struct FSOUND_STREAM;

constexpr int FSOUND_OUTPUT_WINMM = 1;
constexpr unsigned FSOUND_NORMAL = 0x130;

signed char FSOUND_SetOutput(int outputType);
signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned flags);
signed char FSOUND_Stream_SetBufferSize(int milliseconds);
FSOUND_STREAM* FSOUND_Stream_Open(const char* nameOrData, unsigned mode, int offset, int length);
int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);
// Whole milliseconds of the stream actually played.
int FSOUND_Stream_GetTime(FSOUND_STREAM* stream);
