// The FSOUND stream functions on Web Audio: the browser decodes the Ogg Vorbis file, and the
// heard position comes from the audio context's clock (its output timestamp: the moment
// leaving the speaker now), so the pictures follow what is heard. The position rules are the
// desktop's (platform/sound/fmod.h): without a running audio context (no device, or the page
// was never clicked) the wall clock since play keeps time; a fixed position overrides all.
//
// The page makes the audio context in its "click to start" handler (Module.audioContext),
// since browsers start sound only after a user's gesture.
#include <emscripten.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/fs/windows_path.h"
#include "platform/sound/fmod.h"
#include "platform/sound/sound_clock.h"
#include "platform/trace/call_trace.h"

namespace {

using Clock = std::chrono::steady_clock;

struct SoundSystem {
    bool initialised = false;
    // Play of a null stream still starts a wall clock, so a run without music keeps time.
    bool silentPlaying = false;
    Clock::time_point silentPlayStart{};
};

SoundSystem sound;

int WallMilliseconds(Clock::time_point since) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
    return static_cast<int>(std::clamp<long long>(ms, 0, 0x7FFFFFFF));
}

// Decodes the file's bytes; returns the stream's id in the page (its decoded length in
// milliseconds in *lengthMs), or 0 when the browser cannot decode them. Decoding needs no
// sound device: without an audio context an offline one decodes.
EM_ASYNC_JS(int, qm_audio_decode, (const void* bytes, int size, int* lengthMs), {
    const copy = HEAPU8.slice(bytes, bytes + size).buffer;
    const decoder = Module['audioContext'] || new OfflineAudioContext(2, 1, 44100);
    try {
        const buffer = await decoder.decodeAudioData(copy);
        Module['audioStreams'] = Module['audioStreams'] || {next : 1};
        const id = Module['audioStreams'].next++;
        Module['audioStreams'][id] = {buffer : buffer, source : null, start : 0};
        HEAP32[lengthMs >> 2] = Math.floor(buffer.duration * 1000);
        return id;
    } catch (e) {
        return 0;
    }
});

// Starts the stream on the page's audio context; 0 when there is no running context.
EM_JS(int, qm_audio_play, (int id), {
    const context = Module['audioContext'];
    const stream = Module['audioStreams'][id];
    if (!context || context.state != 'running' || !stream)
        return 0;
    const source = context.createBufferSource();
    source.buffer = stream.buffer;
    source.connect(context.destination);
    stream.start = context.currentTime;
    source.start(stream.start);
    stream.source = source;
    return 1;
});

// Milliseconds of the stream that have left the speaker, by the context's output timestamp
// carried forward to this moment on the page's clock.
EM_JS(double, qm_audio_heard_ms, (int id), {
    const context = Module['audioContext'];
    const stream = Module['audioStreams'][id];
    if (!context || !stream || !stream.source)
        return 0;
    let now = context.currentTime;
    const stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
    if (stamp && stamp.contextTime > 0) {
        now = stamp.contextTime + Math.max(0, performance.now() - stamp.performanceTime) / 1000;
    }
    return Math.max(0, now - stream.start) * 1000;
});

EM_JS(void, qm_audio_close, (int id), {
    const stream = Module['audioStreams'][id];
    if (!stream)
        return;
    if (stream.source)
        stream.source.stop();
    delete Module['audioStreams'][id];
});

} // namespace

struct FSOUND_STREAM {
    int id = 0;
    int lengthMs = 0;
    bool playing = false;
    bool wallClock = true;
    Clock::time_point playStart{};
    int reported = 0;
};

signed char FSOUND_SetOutput(int /*outputType*/) {
    return 1;
}

signed char FSOUND_Init(int /*mixRate*/, int /*maxSoftwareChannels*/, unsigned /*flags*/) {
    sound.initialised = true;
    return 1;
}

signed char FSOUND_Stream_SetBufferSize(int milliseconds) {
    return milliseconds > 0 ? 1 : 0;
}

FSOUND_STREAM* FSOUND_Stream_Open(const char* nameOrData, unsigned /*mode*/, int /*offset*/, int /*length*/) {
    if (nameOrData == nullptr) {
        return nullptr;
    }
    std::FILE* file = WindowsPath::OpenFile(nameOrData, "rb");
    if (file == nullptr) {
        return nullptr;
    }
    std::vector<unsigned char> bytes;
    unsigned char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    const bool readWhole = std::ferror(file) == 0;
    std::fclose(file);
    int lengthMs = 0;
    const int id = readWhole && !bytes.empty()
                       ? qm_audio_decode(bytes.data(), static_cast<int>(bytes.size()), &lengthMs)
                       : 0;
    if (id == 0) {
        return nullptr;
    }
    auto* stream = new FSOUND_STREAM();
    stream->id = id;
    stream->lengthMs = lengthMs;
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
    // Deterministic runs take their time from the run mode, not from the speaker.
    stream->wallClock = SoundClock::HasFixedPosition() || qm_audio_play(stream->id) == 0;
    return channel;
}

signed char FSOUND_Stream_Close(FSOUND_STREAM* stream) {
    if (stream == nullptr) {
        return 0;
    }
    qm_audio_close(stream->id);
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
    const int heard = stream->wallClock ? WallMilliseconds(stream->playStart)
                                        : static_cast<int>(qm_audio_heard_ms(stream->id));
    // Never backwards, never past the end.
    stream->reported = std::clamp(heard, stream->reported, stream->lengthMs);
    return stream->reported;
}

} // namespace

int FSOUND_Stream_GetTime(FSOUND_STREAM* stream) {
    const int milliseconds = StreamTime(stream);
    if (CallTrace::Enabled()) {
        CallTrace::Record(CallTrace::Formatter().StreamGetTime(stream), std::to_string(milliseconds));
    }
    return milliseconds;
}

int FSOUND_Stream_GetLengthMs(FSOUND_STREAM* stream) {
    return stream != nullptr ? stream->lengthMs : 0;
}
