#include <SDL.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/fs/windows_path.h"
#include "platform/sound/alsa_error_silencer.h"
#include "platform/sound/fmod.h"
#include "platform/sound/playback_position.h"
#include "platform/sound/sound_clock.h"
#include "platform/trace/call_trace.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int deviceBufferFrames = 2048;
// SDL drivers that accept audio without pacing it like a real device; their consumption
// is no clock for the pictures.
constexpr const char* unpacedDrivers[] = {"dummy", "disk"};

struct SoundSystem {
    bool initialised = false;
    bool audioAvailable = false;
    int mixRate = 44100;
    int bufferMilliseconds = 1000;
    // Play of a null stream still starts a wall clock, so a run without music keeps time.
    bool silentPlaying = false;
    Clock::time_point silentPlayStart{};
};

SoundSystem sound;

int WallMilliseconds(Clock::time_point since) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
    return static_cast<int>(std::clamp<long long>(ms, 0, 0x7FFFFFFF));
}

} // namespace

struct FSOUND_STREAM {
    OggVorbis_File file{};
    int channels = 2;
    int rate = 44100;
    std::int64_t totalFrames = 0;

    bool playing = false;
    bool wallClock = true;
    Clock::time_point playStart{};
    SDL_AudioDeviceID device = 0;

    std::mutex positionLock;
    PlaybackPosition position;
    Clock::time_point lastCallback{};
    std::int64_t reported = 0;
    bool ended = false;

    void Fill(Uint8* out, int bytes);
};

void FSOUND_STREAM::Fill(Uint8* out, int bytes) {
    const int frameBytes = channels * 2;
    int written = 0;
    while (!ended && written + frameBytes <= bytes) {
        int section = 0;
        const long got =
            ov_read(&file, reinterpret_cast<char*>(out + written), bytes - written, 0, 2, 1, &section);
        if (got == OV_HOLE) {
            continue; // a gap in the data: skip it and go on
        }
        if (got <= 0) {
            ended = true;
            break;
        }
        written += static_cast<int>(got);
    }
    if (written < bytes) {
        std::memset(out + written, 0, static_cast<std::size_t>(bytes - written));
    }
    std::lock_guard<std::mutex> guard(positionLock);
    position.framesBeforeLastCallback = position.framesHanded;
    position.framesHanded += written / frameBytes;
    lastCallback = Clock::now();
}

namespace {

void AudioCallback(void* user, Uint8* out, int bytes) {
    static_cast<FSOUND_STREAM*>(user)->Fill(out, bytes);
}

bool DriverIsPaced() {
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver == nullptr) {
        return false;
    }
    for (const char* unpaced : unpacedDrivers) {
        if (std::strcmp(driver, unpaced) == 0) {
            return false;
        }
    }
    return true;
}

std::size_t ReadCallback(void* target, std::size_t size, std::size_t count, void* source) {
    return std::fread(target, size, count, static_cast<std::FILE*>(source));
}

} // namespace

signed char FSOUND_SetOutput(int /*outputType*/) {
    // Output goes wherever SDL's default device goes; the type only says "the normal one".
    return 1;
}

signed char FSOUND_Init(int mixRate, int /*maxSoftwareChannels*/, unsigned /*flags*/) {
    if (!sound.initialised) {
        sound.initialised = true;
        sound.mixRate = mixRate > 0 ? mixRate : 44100;
        SilenceAlsaErrors();
        sound.audioAvailable = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0 && DriverIsPaced();
    }
    return 1;
}

signed char FSOUND_Stream_SetBufferSize(int milliseconds) {
    if (milliseconds <= 0) {
        return 0;
    }
    sound.bufferMilliseconds = milliseconds;
    return 1;
}

// The mode's sample format (16-bit mono) describes the library's own mixing buffers; the
// music is played with the file's channels and rate, SDL converting for the device, so
// stereo music stays stereo.
FSOUND_STREAM* FSOUND_Stream_Open(const char* nameOrData, unsigned /*mode*/, int /*offset*/, int /*length*/) {
    if (nameOrData == nullptr) {
        return nullptr;
    }
    std::FILE* fp = WindowsPath::OpenFile(nameOrData, "rb");
    if (fp == nullptr) {
        return nullptr;
    }
    auto* stream = new FSOUND_STREAM();
    // libvorbisfile closes the file with the stream; with its own fclose callback only on
    // success, so a failed open closes it here.
    const ov_callbacks callbacks = {ReadCallback,
                                    [](void* source, ogg_int64_t offset, int whence) {
                                        return std::fseek(static_cast<std::FILE*>(source),
                                                          static_cast<long>(offset), whence);
                                    },
                                    [](void* source) { return std::fclose(static_cast<std::FILE*>(source)); },
                                    [](void* source) { return std::ftell(static_cast<std::FILE*>(source)); }};
    if (ov_open_callbacks(fp, &stream->file, nullptr, 0, callbacks) != 0) {
        std::fclose(fp);
        delete stream;
        return nullptr;
    }
    const vorbis_info* info = ov_info(&stream->file, -1);
    if (info == nullptr || info->channels <= 0 || info->rate <= 0) {
        ov_clear(&stream->file);
        delete stream;
        return nullptr;
    }
    stream->channels = info->channels;
    stream->rate = static_cast<int>(info->rate);
    const ogg_int64_t total = ov_pcm_total(&stream->file, -1);
    stream->totalFrames = total > 0 ? total : 0;
    stream->position.sampleRate = stream->rate;
    return stream;
}

int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream) {
    if (!sound.initialised) {
        FSOUND_Init(44100, 32, 0);
    }
    if (stream == nullptr) {
        if (!sound.silentPlaying) {
            sound.silentPlaying = true;
            sound.silentPlayStart = Clock::now();
        }
        return -1;
    }
    if (stream->playing) {
        return channel;
    }
    stream->playing = true;
    stream->playStart = Clock::now();
    stream->wallClock = true;
    // Deterministic runs render offscreen and take their sound from the file itself.
    if (!sound.audioAvailable || SoundClock::HasFixedPosition()) {
        return channel;
    }
    SDL_AudioSpec want{};
    want.freq = stream->rate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(std::min(stream->channels, 8));
    want.samples = deviceBufferFrames;
    want.callback = AudioCallback;
    want.userdata = stream;
    SDL_AudioSpec have{};
    if (stream->channels <= 8) {
        stream->device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    }
    if (stream->device == 0) {
        return channel; // no device after all: the wall clock keeps time
    }
    stream->position.deviceBufferFrames = have.samples;
    stream->wallClock = false;
    SDL_PauseAudioDevice(stream->device, 0);
    return channel;
}

signed char FSOUND_Stream_Close(FSOUND_STREAM* stream) {
    if (stream == nullptr) {
        return 0;
    }
    if (stream->device != 0) {
        SDL_CloseAudioDevice(stream->device); // waits for a running callback to return
    }
    ov_clear(&stream->file);
    delete stream;
    return 1;
}

namespace {

int StreamTime(FSOUND_STREAM* stream) {
    if (SoundClock::HasFixedPosition()) {
        return SoundClock::FixedPosition();
    }
    if (stream == nullptr) {
        return sound.silentPlaying ? WallMilliseconds(sound.silentPlayStart) : 0;
    }
    if (!stream->playing) {
        return 0;
    }
    const int length = FSOUND_Stream_GetLengthMs(stream);
    if (stream->wallClock) {
        return std::min(WallMilliseconds(stream->playStart), length);
    }
    if (SDL_GetAudioDeviceStatus(stream->device) == SDL_AUDIO_STOPPED) {
        // The device went away (unplugged, sound server stopped): SDL goes on calling back
        // at a guessed pace, which is no clock. The wall clock takes over from the position
        // last reported, so the pictures neither jump back nor stop.
        std::lock_guard<std::mutex> guard(stream->positionLock);
        const int heard = PlaybackPosition::Milliseconds(stream->reported, stream->rate);
        stream->wallClock = true;
        stream->playStart = Clock::now() - std::chrono::milliseconds(heard);
        return heard;
    }
    std::lock_guard<std::mutex> guard(stream->positionLock);
    if (stream->position.framesHanded == 0) {
        return 0;
    }
    const double since = std::chrono::duration<double>(Clock::now() - stream->lastCallback).count();
    stream->reported = std::min(stream->position.FramesHeard(since, stream->reported), stream->totalFrames);
    return PlaybackPosition::Milliseconds(stream->reported, stream->rate);
}

} // namespace

int FSOUND_Stream_GetTime(FSOUND_STREAM* stream) {
    const int milliseconds = StreamTime(stream);
    if (CallTrace::Enabled()) {
        // The time read is what drives every scene, so the trace shows it.
        CallTrace::Record(CallTrace::Formatter().StreamGetTime(stream), std::to_string(milliseconds));
    }
    return milliseconds;
}

int FSOUND_Stream_GetLengthMs(FSOUND_STREAM* stream) {
    if (stream == nullptr) {
        return 0;
    }
    return PlaybackPosition::Milliseconds(stream->totalFrames, stream->rate);
}
