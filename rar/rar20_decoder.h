#pragma once
// RAR 2.0 decompression: LZ77 over a 1 MiB window with Huffman-coded symbols, and the
// multimedia (audio) mode that predicts each byte from its predecessors. One object holds
// the whole decoder state, which carries over from member to member of a solid archive.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "rar/rar20_audio_predictor.h"
#include "rar/rar20_tables.h"

// Where the packed bytes of a member come from.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Up to `size` bytes into `buffer`; the count read (0 at the end).
    virtual std::size_t Read(std::uint8_t* buffer, std::size_t size) = 0;
};

class Rar20Decoder {
  public:
    // Receives "Fatal! Buffer overrun..." messages with their line numbers.
    using Logger = std::function<void(unsigned line, const char* message)>;

    Rar20Decoder();

    // Clears everything (window, tables, distances, audio state), as before the first member
    // of an archive. False when the window cannot be allocated.
    bool Reset();

    // Decodes one member of `packedSize` bytes read from `source`. With `output` set, the
    // decoded bytes (at most `unpackedSize`) go there and `outputSize` counts them; without it
    // the member is decoded only to fill the window for the members that continue it.
    void DecodeMember(ByteSource& source, std::uint32_t packedSize, std::uint32_t unpackedSize,
                      bool continuesSolid, std::uint8_t* output, std::uint32_t* outputSize,
                      const Logger& logger);

  private:
    struct DecodeTable {
        int symbolCount = 0;
        std::uint32_t decodeLen[16] = {};
        std::uint32_t decodePos[16] = {};
        std::array<std::uint16_t, Rar20::kMaxTableSize> decodeNum{};
        // Codes of up to kQuickBits bits looked up at once by the next kQuickBits of the
        // stream: symbol << 4 | code length, one load for both; a length of 0 sends the
        // decoder the long way (longer codes).
        std::array<std::uint16_t, 1u << 10> quick{};
    };
    static constexpr unsigned kQuickBits = 10;

    static constexpr std::size_t kInputSize = 8192;
    // Slack behind the input buffer: the bit field peeks up to three bytes ahead, and a
    // corrupt stream must never make it read past the allocation.
    static constexpr std::size_t kInputSlack = 64;

    void FirstFill();
    void Refill();
    std::uint32_t BitField() const;
    void AddBits(unsigned n);
    std::uint32_t ReadBits(unsigned n);
    static void BuildTable(DecodeTable& table, const std::uint8_t* lengths, int count);
    static void LocateCode(const DecodeTable& table, std::uint32_t n, unsigned* bits, std::uint32_t* pos);
    int DecodeSymbol(const DecodeTable& table);
    void ReadTables();
    void ReadLastTables();
    void CopyString(std::uint32_t length, std::uint32_t distance);
    std::uint8_t DecodeAudio(int delta);
    void Flush(unsigned wrappedLine, unsigned straightLine);
    bool Starved() const;

    std::vector<std::uint8_t> window_;
    std::uint32_t writePos_ = 0;
    std::uint32_t flushedPos_ = 0;

    std::array<std::uint8_t, kInputSize + kInputSlack> input_{};
    std::size_t inAddr_ = 0;
    unsigned inBit_ = 0;
    std::size_t readTop_ = 0;
    std::size_t dataEnd_ = 0; // end of the bytes really read for this member
    std::uint32_t packedLeft_ = 0;
    ByteSource* source_ = nullptr;

    DecodeTable mainTable_, distanceTable_, repeatTable_, bitLengthTable_;
    DecodeTable audioTables_[4];
    std::array<std::uint8_t, Rar20::kMaxTableSize> previousLengths_{};

    std::uint32_t oldDistances_[4] = {};
    unsigned ringIndex_ = 0;
    std::uint32_t lastDistance_ = 0;
    std::uint32_t lastLength_ = 0;

    bool audioBlock_ = false;
    int channels_ = 1;
    int currentChannel_ = 0;
    int channelDelta_ = 0;
    Rar20::AudioPredictor audio_[4];

    std::int64_t remaining_ = 0;
    std::uint32_t unpackedSize_ = 0;
    std::uint8_t* output_ = nullptr;
    std::uint32_t* outputSize_ = nullptr;
    const Logger* logger_ = nullptr;
};
