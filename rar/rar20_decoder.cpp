#include "rar/rar20_decoder.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

using namespace Rar20;

namespace {

// Refill thresholds: the step, a table read, and each symbol of a table read may consume up
// to this much before the next check.
constexpr std::size_t kStepRefill = 8162;
constexpr std::size_t kTablesRefill = 8167;
constexpr std::size_t kTableSymbolRefill = 8187;
constexpr std::size_t kKeptOnRefill = 32;

// A stream that has used up its packed bytes and keeps asking for this many more is corrupt
// or truncated; decoding stops instead of spinning on stale input.
constexpr std::size_t kStarvedSlack = 16;

constexpr std::uint32_t kFlushMargin = 270;

} // namespace

Rar20Decoder::Rar20Decoder() = default;

bool Rar20Decoder::Reset() {
    try {
        if (window_.size() != kWindowSize) {
            window_.assign(kWindowSize, 0);
        } else {
            std::fill(window_.begin(), window_.end(), 0);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    writePos_ = flushedPos_ = 0;
    input_.fill(0);
    inAddr_ = inBit_ = 0;
    readTop_ = dataEnd_ = 0;
    mainTable_ = distanceTable_ = repeatTable_ = bitLengthTable_ = DecodeTable{};
    for (DecodeTable& t : audioTables_) {
        t = DecodeTable{};
    }
    previousLengths_.fill(0);
    std::fill(std::begin(oldDistances_), std::end(oldDistances_), 0);
    ringIndex_ = 0;
    lastDistance_ = lastLength_ = 0;
    audioBlock_ = false;
    channels_ = 1;
    currentChannel_ = 0;
    channelDelta_ = 0;
    for (AudioPredictor& c : audio_) {
        c = AudioPredictor{};
    }
    return true;
}

void Rar20Decoder::FirstFill() {
    const std::size_t want = std::min<std::size_t>(kInputSize, packedLeft_);
    const std::size_t got = want > 0 ? source_->Read(input_.data(), want) : 0;
    // A short read means the archive ends early: nothing more will come.
    packedLeft_ = got < want ? 0 : packedLeft_ - static_cast<std::uint32_t>(got);
    inAddr_ = 0;
    readTop_ = got;
    dataEnd_ = got;
}

void Rar20Decoder::Refill() {
    std::memmove(input_.data(), input_.data() + kInputSize - kKeptOnRefill, kKeptOnRefill);
    inAddr_ %= kKeptOnRefill;
    const std::size_t want = std::min<std::size_t>(kInputSize - kKeptOnRefill, packedLeft_);
    const std::size_t got = want > 0 ? source_->Read(input_.data() + kKeptOnRefill, want) : 0;
    packedLeft_ = got < want ? 0 : packedLeft_ - static_cast<std::uint32_t>(got);
    readTop_ = got > 0 ? got + kKeptOnRefill : inAddr_;
    // The real data end moves with the buffer; it only matters once the input has run dry.
    dataEnd_ = got > 0
                   ? got + kKeptOnRefill
                   : (dataEnd_ > kInputSize - kKeptOnRefill ? dataEnd_ - (kInputSize - kKeptOnRefill) : 0);
}

inline std::uint32_t Rar20Decoder::BitField() const {
    const std::uint32_t bits = (std::uint32_t{input_[inAddr_]} << 16) |
                               (std::uint32_t{input_[inAddr_ + 1]} << 8) | input_[inAddr_ + 2];
    return (bits >> (8 - inBit_)) & 0xFFFF;
}

inline void Rar20Decoder::AddBits(unsigned n) {
    const unsigned total = inBit_ + n;
    inAddr_ += total >> 3;
    inBit_ = total & 7;
    // Never walk off the buffer, whatever the stream says; the refill checks bring the
    // position back long before this in any well-formed stream.
    inAddr_ = std::min(inAddr_, kInputSize + kInputSlack - 4);
}

inline std::uint32_t Rar20Decoder::ReadBits(unsigned n) {
    const std::uint32_t value = BitField() >> (16 - n);
    AddBits(n);
    return value;
}

bool Rar20Decoder::Starved() const {
    return packedLeft_ == 0 && inAddr_ > dataEnd_ + kStarvedSlack;
}

void Rar20Decoder::BuildTable(DecodeTable& table, const std::uint8_t* lengths, int count) {
    table.symbolCount = count;
    std::uint32_t lengthCount[16] = {};
    for (int i = 0; i < count; ++i) {
        ++lengthCount[lengths[i] & 0xF];
    }
    lengthCount[0] = 0;
    table.decodeLen[0] = table.decodePos[0] = 0;
    std::uint32_t n = 0;
    for (int i = 1; i < 16; ++i) {
        n = 2 * (n + lengthCount[i]);
        table.decodeLen[i] = std::min<std::uint32_t>(n << (15 - i), 0xFFFF);
        table.decodePos[i] = table.decodePos[i - 1] + lengthCount[i - 1];
    }
    table.decodeNum.fill(0);
    std::uint32_t next[16];
    std::copy(std::begin(table.decodePos), std::end(table.decodePos), next);
    for (int symbol = 0; symbol < count; ++symbol) {
        const int length = lengths[symbol] & 0xF;
        if (length != 0 && next[length] < table.decodeNum.size()) {
            table.decodeNum[next[length]++] = static_cast<std::uint16_t>(symbol);
        }
    }
    // The code length and position only grow with the 16-bit field, so when both ends of
    // the fields sharing a kQuickBits prefix give the same code, every field between does,
    // and the entry holds exactly what the long way would give.
    constexpr unsigned rest = 16 - kQuickBits;
    for (std::uint32_t q = 0; q < table.quick.size(); ++q) {
        unsigned lowBits = 0, highBits = 0;
        std::uint32_t lowPos = 0, highPos = 0;
        LocateCode(table, q << rest, &lowBits, &lowPos);
        LocateCode(table, ((q << rest) | ((1u << rest) - 1)) & 0xFFFE, &highBits, &highPos);
        if (lowBits == highBits && lowPos == highPos && lowBits <= kQuickBits) {
            const std::uint32_t symbol =
                table.decodeNum[lowPos >= static_cast<std::uint32_t>(count) ? 0 : lowPos];
            table.quick[q] = static_cast<std::uint16_t>(symbol << 4 | lowBits);
        } else {
            table.quick[q] = 0;
        }
    }
}

void Rar20Decoder::LocateCode(const DecodeTable& table, std::uint32_t n, unsigned* bits, std::uint32_t* pos) {
    // decodeLen rises with the bit count, so the first bound above n gives the code length.
    unsigned b = 15;
    for (unsigned i = 1; i < 15; ++i) {
        if (n < table.decodeLen[i]) {
            b = i;
            break;
        }
    }
    *bits = b;
    *pos = table.decodePos[b] + ((n - table.decodeLen[b - 1]) >> (16 - b));
}

inline int Rar20Decoder::DecodeSymbol(const DecodeTable& table) {
    const std::uint32_t field = BitField();
    const std::uint32_t quick = field >> (16 - kQuickBits);
    if (const unsigned entry = table.quick[quick]; entry != 0) {
        AddBits(entry & 0xF);
        return static_cast<int>(entry >> 4);
    }
    unsigned bits = 0;
    std::uint32_t pos = 0;
    LocateCode(table, field & 0xFFFE, &bits, &pos);
    AddBits(bits);
    if (pos >= static_cast<std::uint32_t>(table.symbolCount)) {
        pos = 0;
    }
    return table.decodeNum[pos];
}

void Rar20Decoder::ReadTables() {
    if (inAddr_ > kTablesRefill) {
        Refill();
    }
    const std::uint32_t flags = BitField();
    audioBlock_ = (flags & 0x8000) != 0;
    if ((flags & 0x4000) == 0) {
        previousLengths_.fill(0);
    }
    AddBits(2);
    int tableSize = kLzTableSize;
    if (audioBlock_) {
        channels_ = static_cast<int>((flags >> 12) & 3) + 1;
        if (currentChannel_ >= channels_) {
            currentChannel_ = 0;
        }
        AddBits(2);
        tableSize = kAudioSymbols * channels_;
    }
    std::uint8_t bitLengths[kBitLengthSymbols];
    for (std::uint8_t& length : bitLengths) {
        length = static_cast<std::uint8_t>(BitField() >> 12);
        AddBits(4);
    }
    BuildTable(bitLengthTable_, bitLengths, kBitLengthSymbols);

    std::array<std::uint8_t, kMaxTableSize> lengths{};
    for (int i = 0; i < tableSize;) {
        if (inAddr_ > kTableSymbolRefill) {
            Refill();
        }
        const int symbol = DecodeSymbol(bitLengthTable_);
        if (symbol < 16) {
            lengths[i] = static_cast<std::uint8_t>((symbol + previousLengths_[i]) & 0xF);
            ++i;
        } else if (symbol == 16) {
            // A repeat with nothing before it has nothing to repeat: it repeats length 0.
            int count = static_cast<int>(BitField() >> 14) + 3;
            AddBits(2);
            for (; count > 0 && i < tableSize; --count, ++i) {
                lengths[i] = i > 0 ? lengths[i - 1] : 0;
            }
        } else {
            int count;
            if (symbol == 17) {
                count = static_cast<int>(BitField() >> 13) + 3;
                AddBits(3);
            } else {
                count = static_cast<int>(BitField() >> 9) + 11;
                AddBits(7);
            }
            for (; count > 0 && i < tableSize; --count, ++i) {
                lengths[i] = 0;
            }
        }
    }
    if (audioBlock_) {
        for (int c = 0; c < channels_; ++c) {
            BuildTable(audioTables_[c], &lengths[c * kAudioSymbols], kAudioSymbols);
        }
    } else {
        BuildTable(mainTable_, &lengths[0], kMainSymbols);
        BuildTable(distanceTable_, &lengths[kMainSymbols], kDistanceSymbols);
        BuildTable(repeatTable_, &lengths[kMainSymbols + kDistanceSymbols], kRepeatSymbols);
    }
    std::copy(lengths.begin(), lengths.begin() + tableSize, previousLengths_.begin());
}

void Rar20Decoder::ReadLastTables() {
    if (readTop_ < inAddr_ + 5) {
        return;
    }
    if (audioBlock_) {
        if (DecodeSymbol(audioTables_[currentChannel_]) == kSymbolRepeatLast) {
            ReadTables();
        }
    } else if (DecodeSymbol(mainTable_) == kSymbolNewTables) {
        ReadTables();
    }
}

void Rar20Decoder::CopyString(std::uint32_t length, std::uint32_t distance) {
    oldDistances_[ringIndex_++ & 3] = distance;
    lastDistance_ = distance;
    lastLength_ = length;
    remaining_ -= length;
    std::uint8_t* window = window_.data();
    std::uint32_t src = (writePos_ - distance) & kWindowMask;
    if (writePos_ + length <= kWindowSize && src + length <= kWindowSize) {
        // Neither end wraps: a block move unless the source runs into the bytes being
        // written (source behind the destination by less than the length), where the
        // byte-by-byte copy repeats the bytes it has just written.
        std::uint8_t* to = window + writePos_;
        const std::uint8_t* from = window + src;
        if (src >= writePos_ || writePos_ - src >= length) {
            std::memmove(to, from, length);
        } else {
            for (std::uint32_t i = 0; i < length; ++i) {
                window[writePos_ + i] = window[src + i];
            }
        }
        writePos_ = (writePos_ + length) & kWindowMask;
        return;
    }
    for (std::uint32_t i = 0; i < length; ++i) {
        window[writePos_] = window[src];
        writePos_ = (writePos_ + 1) & kWindowMask;
        src = (src + 1) & kWindowMask;
    }
}

inline std::uint8_t Rar20Decoder::DecodeAudio(int delta) {
    AudioPredictor& channel = audio_[currentChannel_];
    const int predicted = channel.Predict(channelDelta_);
    return channel.Learn(predicted, delta, channelDelta_);
}

void Rar20Decoder::Flush(unsigned wrappedLine, unsigned straightLine) {
    if (output_ == nullptr) {
        flushedPos_ = writePos_;
        return;
    }
    const bool wrapped = writePos_ < flushedPos_;
    const std::uint32_t count = wrapped ? (kWindowSize - flushedPos_) + writePos_ : writePos_ - flushedPos_;
    if (std::uint64_t{*outputSize_} + count > unpackedSize_) {
        (*logger_)(wrapped ? wrappedLine : straightLine, "Fatal! Buffer overrun during decompression!");
        remaining_ = -1;
    } else if (wrapped) {
        const std::uint32_t first = kWindowSize - flushedPos_;
        std::memcpy(output_ + *outputSize_, window_.data() + flushedPos_, first);
        std::memcpy(output_ + *outputSize_ + first, window_.data(), writePos_);
        *outputSize_ += count;
    } else {
        std::memcpy(output_ + *outputSize_, window_.data() + flushedPos_, count);
        *outputSize_ += count;
    }
    flushedPos_ = writePos_;
}

void Rar20Decoder::DecodeMember(ByteSource& source, std::uint32_t packedSize, std::uint32_t unpackedSize,
                                bool continuesSolid, std::uint8_t* output, std::uint32_t* outputSize,
                                const Logger& logger) {
    if (window_.size() != kWindowSize && !Reset()) {
        return;
    }
    source_ = &source;
    packedLeft_ = packedSize;
    unpackedSize_ = unpackedSize;
    output_ = output;
    outputSize_ = outputSize;
    logger_ = &logger;
    inAddr_ = inBit_ = 0;
    if (!continuesSolid) {
        for (AudioPredictor& c : audio_) {
            c = AudioPredictor{};
        }
        std::fill(std::begin(oldDistances_), std::end(oldDistances_), 0);
        ringIndex_ = 0;
        currentChannel_ = 0;
        channelDelta_ = 0;
        lastLength_ = lastDistance_ = 0;
        std::fill(window_.begin(), window_.end(), 0);
        previousLengths_.fill(0);
        writePos_ = flushedPos_ = 0;
    }
    FirstFill();
    if (!continuesSolid) {
        ReadTables();
    }

    // The bit position, window position and byte count live in locals for the whole loop so
    // they stay in registers; they go back to the members around every call that uses them.
    std::uint8_t* const window = window_.data();
    const std::uint8_t* const in = input_.data();
    // One bit position (byte * 8 + bit) keeps the step from bit to bit a single add.
    std::size_t bitPos = inAddr_ * 8 + inBit_;
    std::uint32_t wp = writePos_;
    std::int64_t remaining = std::int64_t{unpackedSize} - 1;
    // Members that only the calls below change, copied too: the window stores could alias
    // them and would make the compiler load them again on every symbol.
    std::uint32_t flushed = flushedPos_;
    bool audio = audioBlock_;
    std::size_t starvedAfter = 0; // Starved() as one compare
    // The stream from bitPos on, first bit highest, kept at 56 valid bits or more before each
    // step, more than one step takes (symbol, length bits, distance symbol, distance bits:
    // 51), so a step shifts bits out of a register instead of loading for each field. A step
    // starts at most kStepRefill bytes in, so the slack behind the input keeps the loads
    // inside it; only the clamp in addBits reaches the very end of the buffer, where four
    // bytes are enough for BitField()'s three.
    std::uint64_t stream = 0;
    std::size_t next = 0; // the byte that tops the stream up next
    unsigned avail = 0;   // bits of the stream known valid, from the top
    const auto loadStream = [&]() __attribute__((always_inline)) {
        const std::size_t at = bitPos >> 3;
        std::uint64_t bytes;
        if (at + 8 <= input_.size()) [[likely]] {
            std::memcpy(&bytes, in + at, 8);
            if constexpr (std::endian::native == std::endian::little) {
                bytes = __builtin_bswap64(bytes);
            }
            next = at + 7;
            avail = 56 - (bitPos & 7);
        } else {
            std::uint32_t word;
            std::memcpy(&word, in + at, 4);
            if constexpr (std::endian::native == std::endian::little) {
                word = __builtin_bswap32(word);
            }
            bytes = std::uint64_t{word} << 32;
            next = at + 3;
            avail = 24 - (bitPos & 7);
        }
        stream = bytes << (bitPos & 7);
    };
    // Back to at least 56 valid bits without a load on the path from one symbol to the next:
    // the new bytes land exactly where the stream's own copies of them already are.
    const auto topUp = [&]() __attribute__((always_inline)) {
        if (next + 8 <= input_.size()) [[likely]] {
            std::uint64_t bytes;
            std::memcpy(&bytes, in + next, 8);
            if constexpr (std::endian::native == std::endian::little) {
                bytes = __builtin_bswap64(bytes);
            }
            stream |= bytes >> avail;
            next += (63 - avail) >> 3;
            avail |= 56;
        }
    };
    const auto save = [&] {
        inAddr_ = bitPos >> 3;
        inBit_ = bitPos & 7;
        writePos_ = wp;
        remaining_ = remaining;
    };
    const auto load = [&] {
        bitPos = inAddr_ * 8 + inBit_;
        wp = writePos_;
        remaining = remaining_;
        flushed = flushedPos_;
        audio = audioBlock_;
        starvedAfter = packedLeft_ == 0 ? dataEnd_ + kStarvedSlack : SIZE_MAX;
        loadStream();
    };
    load();
    remaining = std::int64_t{unpackedSize} - 1;
    // Same bits as BitField().
    const auto field = [&]() __attribute__((always_inline))->std::uint32_t {
        return static_cast<std::uint32_t>(stream >> 48);
    };
    const auto addBits = [&](unsigned n) __attribute__((always_inline)) {
        bitPos += n;
        stream <<= n;
        avail -= n;
        if ((bitPos >> 3) > kInputSize + kInputSlack - 4) [[unlikely]] {
            // As AddBits(): the byte position stops at the end of the buffer.
            bitPos = (kInputSize + kInputSlack - 4) * 8 + (bitPos & 7);
            loadStream();
        }
    };
    // Zero bits read as 0 and move nothing, so the step reads its extra bits without a
    // branch that the stream would make unpredictable.
    const auto readBits = [&](unsigned n) __attribute__((always_inline)) {
        const std::uint32_t value = field() >> (16 - n);
        addBits(n);
        return value;
    };
    const auto decode = [&](const DecodeTable& table) __attribute__((always_inline))->int {
        const std::uint32_t bits = field();
        const std::uint32_t quick = bits >> (16 - kQuickBits);
        if (const unsigned entry = table.quick[quick]; entry != 0) {
            addBits(entry & 0xF);
            return static_cast<int>(entry >> 4);
        }
        unsigned length = 0;
        std::uint32_t pos = 0;
        LocateCode(table, bits & 0xFFFE, &length, &pos);
        addBits(length);
        if (pos >= static_cast<std::uint32_t>(table.symbolCount)) {
            pos = 0;
        }
        return table.decodeNum[pos];
    };
    const auto copyString = [&](std::uint32_t length, std::uint32_t distance) __attribute__((always_inline)) {
        oldDistances_[ringIndex_++ & 3] = distance;
        lastDistance_ = distance;
        lastLength_ = length;
        remaining -= length;
        std::uint32_t src = (wp - distance) & kWindowMask;
        if (wp + length <= kWindowSize && src + length <= kWindowSize) {
            std::uint8_t* to = window + wp;
            const std::uint8_t* from = window + src;
            if (src < wp && distance >= 8) {
                // Eight bytes at a time never read a byte before it is written (the source
                // trails by at least eight), and never write past the match: the bytes ahead
                // of it are still history for later matches.
                // The last piece is the eight bytes ending the match: any it shares with the
                // piece before are written again with the same values. Shorter matches lie
                // wholly behind the destination, so two overlapping pieces read before writing.
                if (length >= 8) {
                    for (std::uint32_t i = 0; i + 8 < length; i += 8) {
                        std::memcpy(to + i, from + i, 8);
                    }
                    std::memcpy(to + length - 8, from + length - 8, 8);
                } else if (length >= 4) {
                    std::uint32_t head, tail;
                    std::memcpy(&head, from, 4);
                    std::memcpy(&tail, from + length - 4, 4);
                    std::memcpy(to, &head, 4);
                    std::memcpy(to + length - 4, &tail, 4);
                } else if (length >= 2) {
                    std::uint16_t head, tail;
                    std::memcpy(&head, from, 2);
                    std::memcpy(&tail, from + length - 2, 2);
                    std::memcpy(to, &head, 2);
                    std::memcpy(to + length - 2, &tail, 2);
                } else if (length == 1) {
                    to[0] = from[0];
                }
            } else if (src < wp) {
                // Fewer than eight back: the byte-by-byte copy repeats the bytes just written.
                for (std::uint32_t i = 0; i < length; ++i) {
                    to[i] = from[i];
                }
            } else {
                std::memmove(to, from, length);
            }
            wp = (wp + length) & kWindowMask;
            return;
        }
        for (std::uint32_t i = 0; i < length; ++i) {
            window[wp] = window[src];
            wp = (wp + 1) & kWindowMask;
            src = (src + 1) & kWindowMask;
        }
    };

    while (remaining >= 0) {
        wp &= kWindowMask;
        if ((bitPos >> 3) > kStepRefill) {
            save();
            Refill();
            load();
        }
        if ((bitPos >> 3) > starvedAfter) {
            break;
        }
        if (((flushed - wp) & kWindowMask) < kFlushMargin && flushed != wp) {
            save();
            Flush(1370, 1390);
            load();
        }
        topUp();
        if (audio) {
            const int symbol = decode(audioTables_[currentChannel_]);
            if (symbol == kSymbolRepeatLast) {
                save();
                ReadTables();
                load();
                continue;
            }
            window[wp] = DecodeAudio(symbol);
            wp = (wp + 1) & kWindowMask;
            if (++currentChannel_ >= channels_) {
                currentChannel_ = 0;
            }
            --remaining;
            continue;
        }
        const int symbol = decode(mainTable_);
        if (symbol < 256) {
            window[wp] = static_cast<std::uint8_t>(symbol);
            wp = (wp + 1) & kWindowMask;
            --remaining;
        } else if (symbol >= kSymbolFirstLength) {
            const int index = symbol - kSymbolFirstLength;
            std::uint32_t length = kLengthBase[index] + 3u;
            length += readBits(kLengthBits[index]);
            const int distanceSymbol = decode(distanceTable_);
            std::uint32_t distance = kDistanceBase[distanceSymbol] + 1;
            distance += readBits(kDistanceBits[distanceSymbol]);
            length += (distance >= 0x2000) + (distance >= 0x40000);
            copyString(length, distance);
        } else if (symbol == kSymbolNewTables) {
            save();
            ReadTables();
            load();
        } else if (symbol == kSymbolRepeatLast) {
            copyString(lastLength_, lastDistance_);
        } else if (symbol < kSymbolFirstShort) {
            const std::uint32_t distance = oldDistances_[(ringIndex_ - (symbol - kSymbolRepeatLast)) & 3];
            const int lengthSymbol = decode(repeatTable_);
            std::uint32_t length = kLengthBase[lengthSymbol] + 2u;
            length += readBits(kLengthBits[lengthSymbol]);
            length += (distance >= 0x101) + (distance >= 0x2000) + (distance >= 0x40000);
            copyString(length, distance);
        } else {
            const int index = symbol - kSymbolFirstShort;
            std::uint32_t distance = kShortBase[index] + 1u;
            distance += readBits(kShortBits[index]);
            copyString(2, distance);
        }
    }
    save();
    ReadLastTables();
    writePos_ &= kWindowMask;
    Flush(1536, 1554);
    flushedPos_ = writePos_;
    source_ = nullptr;
    output_ = nullptr;
    outputSize_ = nullptr;
    logger_ = nullptr;
}
