#include "shell/music_stream.h"

#include "platform/sound/fmod.h"

namespace {
constexpr const char* musicFile = "z.ogg";
constexpr int mixRate = 44100;
constexpr int softwareChannels = 32;
constexpr int streamBufferMilliseconds = 1000;
} // namespace

FSOUND_STREAM* MusicStream::handle = nullptr;

void MusicStream::Open() {
    FSOUND_SetOutput(FSOUND_OUTPUT_WINMM);
    FSOUND_Init(mixRate, softwareChannels, 0);
    FSOUND_Stream_SetBufferSize(streamBufferMilliseconds);
    handle = FSOUND_Stream_Open(musicFile, FSOUND_NORMAL, 0, 0);
}

void MusicStream::Play() {
    FSOUND_Stream_Play(0, handle);
}
