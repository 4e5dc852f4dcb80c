#include "rar/rar20_audio_coder.h"

#include <algorithm>
#include <array>
#include <cmath>

using namespace Rar20;

namespace {

// The sample the guess looks at: enough bytes for the predictor's weights to settle, few
// enough that looking costs little beside packing.
constexpr std::size_t kSampleBytes = 12 * 1024;
constexpr std::size_t kSampleSlices = 4;
// Deltas must code at least this much smaller than the bytes to count as sound.
constexpr double kSoundGain = 0.85;

double Order0Bits(std::span<const std::uint32_t> counts) {
    std::uint64_t total = 0;
    for (std::uint32_t c : counts) {
        total += c;
    }
    double bits = 0;
    for (std::uint32_t c : counts) {
        if (c != 0) {
            bits += c * std::log2(static_cast<double>(total) / c);
        }
    }
    return bits;
}

// Steps the predictors over `bytes` as the decoder will, handing each byte's channel and
// delta to `take`.
template <class Take>
void CodeAudio(std::span<const std::uint8_t> bytes, int channels, Rar20AudioState& state, Take take) {
    if (state.currentChannel >= channels) {
        state.currentChannel = 0;
    }
    int channel = state.currentChannel;
    for (std::uint8_t byte : bytes) {
        AudioPredictor& p = state.predictors[channel];
        const int predicted = p.Predict(state.channelDelta);
        const int delta = AudioPredictor::DeltaFor(predicted, byte);
        p.Learn(predicted, delta, state.channelDelta);
        take(channel, delta);
        if (++channel >= channels) {
            channel = 0;
        }
    }
    state.currentChannel = channel;
}

} // namespace

void Rar20EncodeAudio(std::span<const std::uint8_t> bytes, int channels, Rar20AudioState& state,
                      std::vector<Token>& tokens) {
    CodeAudio(bytes, channels, state,
              [&](int channel, int delta) { tokens.push_back(AudioToken(channel, delta)); });
}

Rar20SoundGuess Rar20GuessSound(std::span<const std::uint8_t> bytes) {
    // Slices spread over the member, past any file header and around a quiet stretch; each
    // a multiple of every channel count.
    std::vector<std::span<const std::uint8_t>> slices;
    const std::size_t slice = std::min(bytes.size() / kSampleSlices, kSampleBytes / kSampleSlices) / 12 * 12;
    for (std::size_t k = 0; k < kSampleSlices && slice > 0; ++k) {
        const std::size_t at = (bytes.size() * (2 * k + 1) / (2 * kSampleSlices)) / 12 * 12;
        slices.push_back(bytes.subspan(std::min(at, bytes.size() - slice), slice));
    }
    std::array<std::uint32_t, 256> byteCounts{};
    for (const std::span<const std::uint8_t> s : slices) {
        for (std::uint8_t b : s) {
            ++byteCounts[b];
        }
    }
    const double plain = Order0Bits(byteCounts);
    Rar20SoundGuess guess;
    double best = plain;
    for (int channels = 1; channels <= 4; ++channels) {
        std::array<std::uint32_t, kAudioSymbols * 4> counts{};
        for (const std::span<const std::uint8_t> s : slices) {
            Rar20AudioState state;
            CodeAudio(s, channels, state,
                      [&](int channel, int delta) { ++counts[channel * kAudioSymbols + delta]; });
        }
        double bits = 0;
        for (int c = 0; c < channels; ++c) {
            bits += Order0Bits(std::span(counts).subspan(c * kAudioSymbols, kAudioSymbols));
        }
        if (bits < best) {
            best = bits;
            guess.channels = channels;
        }
    }
    guess.looksLikeSound = !slices.empty() && best < kSoundGain * plain;
    return guess;
}
