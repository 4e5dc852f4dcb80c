#pragma once
// The adaptive predictor of RAR 2.0 audio blocks, one per channel. The decoder and the
// encoder step the same object, so the packer's predictions are the unpacker's by
// construction: a packed delta is (prediction - byte) mod 256.

#include <cstdint>
#include <cstdlib>

namespace Rar20 {

struct AudioPredictor {
    int k1 = 0, k2 = 0, k3 = 0, k4 = 0, k5 = 0;
    int d1 = 0, d2 = 0, d3 = 0, d4 = 0;
    int lastDelta = 0;
    std::uint32_t errorSums[11] = {};
    std::uint32_t byteCount = 0;
    int last = 0;

    // The predicted byte for this channel's next byte; shifts the delta history, so it is
    // called exactly once per byte, before Learn.
    int Predict(int channelDelta) {
        ++byteCount;
        d4 = d3;
        d3 = d2;
        d2 = lastDelta - d1;
        d1 = lastDelta;
        return ((8 * last + k1 * d1 + k2 * d2 + k3 * d3 + k4 * d4 + k5 * channelDelta) >> 3) & 0xFF;
    }

    // Takes in the coded delta and returns the byte; `channelDelta` is shared by all channels.
    std::uint8_t Learn(int predicted, int delta, int& channelDelta) {
        const int value = predicted - delta;
        const int i = static_cast<int>(static_cast<std::int8_t>(delta)) * 8;
        // Spelled out rather than looped over an array of candidates: it stays in registers.
        const auto addError = [&](int k, int error) {
            errorSums[k] += static_cast<std::uint32_t>(std::abs(error));
        };
        addError(0, i);
        addError(1, i - d1);
        addError(2, i + d1);
        addError(3, i - d2);
        addError(4, i + d2);
        addError(5, i - d3);
        addError(6, i + d3);
        addError(7, i - d4);
        addError(8, i + d4);
        addError(9, i - channelDelta);
        addError(10, i + channelDelta);
        channelDelta = lastDelta = static_cast<std::int8_t>(value - last);
        last = value; // the full value, not reduced to a byte
        if ((byteCount & 0x1F) == 0) {
            AdaptWeights();
        }
        return static_cast<std::uint8_t>(value & 0xFF);
    }

    // The delta that makes Learn give `byte` after Predict gave `predicted`.
    static int DeltaFor(int predicted, std::uint8_t byte) { return (predicted - byte) & 0xFF; }

  private:
    // Every 32 bytes the weight whose error sum was smallest moves one step its way.
    void AdaptWeights() {
        int best = 0;
        for (int k = 1; k < 11; ++k) {
            if (errorSums[k] < errorSums[best]) {
                best = k;
            }
        }
        for (std::uint32_t& sum : errorSums) {
            sum = 0;
        }
        if (best == 0) {
            return;
        }
        int* weights[5] = {&k1, &k2, &k3, &k4, &k5};
        int& k = *weights[(best - 1) / 2];
        if (best % 2 == 1) {
            if (k >= -16) {
                --k;
            }
        } else if (k < 16) {
            ++k;
        }
    }
};

} // namespace Rar20
