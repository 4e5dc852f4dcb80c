#include "tools/quillmoor-media/music_track.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include <vorbis/vorbisenc.h>

#include "tools/quillmoor-media/beat_tables.h"

namespace media {

namespace {

// The scenes' tables follow one tempo: a quarter note every 0.41775 s (about 143.6 beats a minute).
constexpr double kBeat = 0.41775;
constexpr double kTwoPi = 6.283185307179586;
constexpr int kRate = kMusicSampleRate;

// Chords as MIDI notes; four chords a progression, two bars each.
using Chord = std::array<int, 3>;
constexpr Chord kAm{57, 60, 64}, kF{53, 57, 60}, kC{55, 60, 64}, kG{55, 59, 62}, kDm{57, 62, 65},
    kEm{55, 59, 64}, kE{56, 59, 64};
constexpr std::array<std::array<Chord, 4>, 4> kProgressions = {{
    {kAm, kF, kC, kG},
    {kDm, kAm, kEm, kF},
    {kAm, kG, kF, kE},
    {kF, kG, kAm, kAm},
}};

double NoteHz(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

class Mixer {
  public:
    explicit Mixer(size_t frames) : left_(frames, 0.0f), right_(frames, 0.0f) {}
    void Add(size_t frame, float l, float r) {
        if (frame < left_.size()) {
            left_[frame] += l;
            right_[frame] += r;
        }
    }
    size_t Frames() const { return left_.size(); }
    std::vector<float>& Left() { return left_; }
    std::vector<float>& Right() { return right_; }

  private:
    std::vector<float> left_, right_;
};

// Deterministic white noise.
struct Noise {
    uint32_t state = 0x12345678u;
    float Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
    }
};

void Kick(Mixer& m, double t, float gain) {
    const auto start = static_cast<size_t>(t * kRate);
    double phase = 0;
    for (int i = 0; i < kRate * 4 / 10; ++i) {
        const double s = double(i) / kRate;
        const double hz = 48.0 + 110.0 * std::exp(-s * 28.0);
        phase += kTwoPi * hz / kRate;
        const float v = gain * static_cast<float>(std::sin(phase) * std::exp(-s * 7.0) +
                                                  0.3 * std::exp(-s * 300.0)); // click
        m.Add(start + i, v, v);
    }
}

void Snare(Mixer& m, Noise& n, double t, float gain) {
    const auto start = static_cast<size_t>(t * kRate);
    float low = 0;
    for (int i = 0; i < kRate / 4; ++i) {
        const double s = double(i) / kRate;
        const float white = n.Next();
        low += 0.3f * (white - low);
        const float noise = (white - low) * static_cast<float>(std::exp(-s * 16.0));
        const float tone = static_cast<float>(std::sin(kTwoPi * 185.0 * s) * std::exp(-s * 25.0));
        const float v = gain * (0.55f * noise + 0.45f * tone);
        m.Add(start + i, v * 0.9f, v);
    }
}

void HiHat(Mixer& m, Noise& n, double t, float gain, double decay) {
    const auto start = static_cast<size_t>(t * kRate);
    float low = 0;
    const int length = static_cast<int>(kRate * 6.0 / decay);
    for (int i = 0; i < length; ++i) {
        const double s = double(i) / kRate;
        const float white = n.Next();
        low += 0.6f * (white - low);
        const float v = gain * (white - low) * static_cast<float>(std::exp(-s * decay));
        m.Add(start + i, v * 0.7f, v);
    }
}

// A filtered saw note with a short attack and release.
void SawNote(Mixer& m, double t, double length, double hz, float gain, float cutoff, float pan,
             double detune) {
    const auto start = static_cast<size_t>(t * kRate);
    const int frames = static_cast<int>((length + 0.3) * kRate);
    double p1 = 0, p2 = 0.37;
    float lp1 = 0, lp2 = 0;
    const float k = 1.0f - static_cast<float>(std::exp(-kTwoPi * cutoff / kRate));
    for (int i = 0; i < frames; ++i) {
        const double s = double(i) / kRate;
        p1 += hz * (1.0 + detune) / kRate;
        p2 += hz * (1.0 - detune) / kRate;
        const float saw =
            static_cast<float>((p1 - std::floor(p1)) * 2.0 - 1.0 + (p2 - std::floor(p2)) * 2.0 - 1.0);
        lp1 += k * (saw - lp1);
        lp2 += k * (lp1 - lp2);
        const double attack = std::min(1.0, s / 0.01),
                     release = s > length ? std::exp(-(s - length) * 15.0) : 1.0;
        const float v = gain * lp2 * static_cast<float>(attack * release);
        m.Add(start + i, v * (1.0f - pan), v * (1.0f + pan));
    }
}

void Pad(Mixer& m, double t, double length, const Chord& chord, float gain) {
    const auto start = static_cast<size_t>(t * kRate);
    const int frames = static_cast<int>((length + 0.8) * kRate);
    for (size_t voice = 0; voice < chord.size(); ++voice) {
        const double hz = NoteHz(chord[voice] - 12);
        double pl = 0.1 * double(voice), pr = 0.6;
        float ll = 0, lr = 0;
        for (int i = 0; i < frames; ++i) {
            const double s = double(i) / kRate;
            pl += hz * 1.003 / kRate;
            pr += hz * 0.997 / kRate;
            const float cutoff = 900.0f + 500.0f * static_cast<float>(std::sin(kTwoPi * 0.25 * (t + s)));
            const float k = 1.0f - static_cast<float>(std::exp(-kTwoPi * cutoff / kRate));
            ll += k * (static_cast<float>((pl - std::floor(pl)) * 2.0 - 1.0) - ll);
            lr += k * (static_cast<float>((pr - std::floor(pr)) * 2.0 - 1.0) - lr);
            const double env = std::min(1.0, s / 0.4) * (s > length ? std::exp(-(s - length) * 5.0) : 1.0);
            m.Add(start + i, gain * ll * static_cast<float>(env), gain * lr * static_cast<float>(env));
        }
    }
}

bool NearAny(const std::vector<double>& events, double t, double within) {
    const auto it = std::lower_bound(events.begin(), events.end(), t - within);
    return it != events.end() && *it <= t + within;
}

void RenderSection(Mixer& m, Noise& noise, const MusicSection& sec) {
    const double anchor = sec.events.empty() ? sec.start : sec.events.front();
    // Grid points from the first whole eighth at or after the section start.
    const double eighth = kBeat / 2;
    const double firstIndex = std::ceil((sec.start - anchor) / eighth - 1e-9);
    const auto& progression = kProgressions[static_cast<size_t>(sec.progression)];

    for (double t : sec.events) {
        Kick(m, t, 0.85f);
    }
    for (int i = static_cast<int>(firstIndex);; ++i) {
        const double t = anchor + i * eighth;
        if (t >= sec.end) {
            break;
        }
        const int quarter = i / 2 + (i < 0 && i % 2 ? -1 : 0);
        const bool onBeat = i % 2 == 0;
        if (onBeat && sec.energy >= 0.9f && !NearAny(sec.events, t, 0.08)) {
            Kick(m, t, 0.7f);
        }
        if (onBeat && (quarter % 2 != 0) && sec.energy >= 0.5f) {
            Snare(m, noise, t, 0.45f * sec.energy);
        }
        if (sec.energy >= 0.35f) {
            HiHat(m, noise, t, (onBeat ? 0.10f : 0.18f) * sec.energy, onBeat ? 60.0 : 25.0);
        }
        // Chords change every two bars.
        const int bar2 = static_cast<int>(std::floor(double(quarter) / 8.0));
        const Chord& chord = progression[static_cast<size_t>(((bar2 % 4) + 4) % 4)];
        const int root = chord[0] - 24 - ((chord[0] - 24) > 40 ? 12 : 0);
        if (sec.energy >= 0.5f) {
            const int note = onBeat ? root : root + 12;
            SawNote(m, t, eighth * 0.8, NoteHz(note), 0.22f, 500.0f + 900.0f * sec.energy, 0.0f, 0.004);
        } else if (i % 4 == 0) {
            SawNote(m, t, kBeat * 1.8, NoteHz(root), 0.2f, 400.0f, 0.0f, 0.004);
        }
        if (sec.energy >= 0.9f) { // arpeggio in sixteenths over the chord
            for (int half = 0; half < 2; ++half) {
                // Eighths before the first bar count from below zero: keep the step in 0..3.
                const int step = ((i * 2 + half) % 4 + 4) % 4;
                const int note = chord[static_cast<size_t>(step % 3)] + 12 * (step == 3 ? 1 : 0) + 12;
                SawNote(m, t + half * eighth / 2, eighth / 2 * 0.6, NoteHz(note), 0.05f, 2500.0f,
                        half ? 0.4f : -0.4f, 0.002);
            }
        }
        if (i % 16 == 0 || (t - sec.start < 1e-9 && i % 16 != 0 && false)) {
            const double length = std::min(kBeat * 8, sec.end - t);
            Pad(m, t, length, chord, 0.045f);
        }
    }
    // A pad under the stretch before the first whole bar.
    const double firstBar = anchor + 16 * std::ceil((sec.start - anchor) / (16 * eighth) - 1e-9) * eighth;
    if (firstBar - sec.start > 0.2) {
        Pad(m, sec.start, firstBar - sec.start, progression[0], 0.045f);
    }
}

} // namespace

std::vector<float> SynthesiseMusic() {
    const auto frames = static_cast<size_t>(kMusicSeconds * kRate);
    Mixer m(frames);
    Noise noise;
    for (const MusicSection& sec : MusicSections()) {
        RenderSection(m, noise, sec);
    }
    std::vector<float> out(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const float fade = static_cast<float>(std::clamp((kMusicSeconds - t) / 6.0, 0.0, 1.0));
        out[2 * i] = std::tanh(m.Left()[i] * 0.9f) * fade;
        out[2 * i + 1] = std::tanh(m.Right()[i] * 0.9f) * fade;
    }
    return out;
}

std::vector<uint8_t> EncodeMusicTrack() {
    const std::vector<float> pcm = SynthesiseMusic();
    std::vector<uint8_t> out;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 2, kRate, 0.3f) != 0) {
        vorbis_info_clear(&vi);
        return {};
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "TITLE", "Quillmoor");
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 0x51554C4C); // fixed serial: identical bytes on every build
    auto emit = [&](const ogg_page& page) {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };
    ogg_packet header, comment, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comment);
    ogg_stream_packetin(&os, &code);
    ogg_page page;
    while (ogg_stream_flush(&os, &page) != 0) {
        emit(page);
    }
    const size_t frames = pcm.size() / 2;
    constexpr size_t kChunk = 4096;
    bool done = false;
    for (size_t pos = 0; !done;) {
        const size_t n = std::min(kChunk, frames - pos);
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i) {
                buffer[0][i] = pcm[2 * (pos + i)];
                buffer[1][i] = pcm[2 * (pos + i) + 1];
            }
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            pos += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet) == 1) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page) != 0) {
                    emit(page);
                    if (ogg_page_eos(&page)) {
                        done = true;
                    }
                }
            }
        }
        if (n == 0) {
            done = true;
        }
    }
    while (ogg_stream_flush(&os, &page) != 0) {
        emit(page);
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

} // namespace media
