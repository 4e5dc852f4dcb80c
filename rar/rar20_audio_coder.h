#pragma once
// Audio blocks from the packer's side: each byte becomes the delta between the decoder's
// prediction and the byte, channel by channel, with the decoder's own predictor; and a
// quick look at whether a member is sampled sound, and with how many byte channels.

#include <cstdint>
#include <span>
#include <vector>

#include "rar/rar20_audio_predictor.h"
#include "rar/rar20_tokens.h"

// The audio part of the decoder's state, which lasts across blocks and solid members.
struct Rar20AudioState {
    Rar20::AudioPredictor predictors[4];
    int channelDelta = 0;
    int currentChannel = 0;
};

// Codes `bytes` as audio blocks of `channels` channels (1 to 4) right after a table read,
// appending one token per byte and stepping `state` as the decoder will.
void Rar20EncodeAudio(std::span<const std::uint8_t> bytes, int channels, Rar20AudioState& state,
                      std::vector<Rar20::Token>& tokens);

struct Rar20SoundGuess {
    int channels = 1;
    // The deltas code clearly smaller than the bytes themselves.
    bool looksLikeSound = false;
};

// Looks at a sample of the bytes with 1 to 4 channels, from a fresh predictor.
Rar20SoundGuess Rar20GuessSound(std::span<const std::uint8_t> bytes);
