#pragma once
// Bits first-highest into bytes, as the RAR 2.0 decoder reads its bit field. A counting
// writer keeps only the number of bits, so that a coding can be sized before it is written.

#include <cstddef>
#include <cstdint>
#include <vector>

class Rar20BitWriter {
  public:
    enum class Mode { Write, CountOnly };
    explicit Rar20BitWriter(Mode mode = Mode::Write) : counting_(mode == Mode::CountOnly) {}

    bool Counting() const { return counting_; }
    void Reserve(std::size_t bytes) { out_.reserve(bytes); }

    void Put(std::uint32_t value, unsigned bits) { // bits <= 24
        if (counting_) {
            counted_ += bits;
            return;
        }
        acc_ = (acc_ << bits) | (value & ((1u << bits) - 1));
        filled_ += bits;
        if (filled_ >= 32) {
            filled_ -= 32;
            const auto word = static_cast<std::uint32_t>(acc_ >> filled_);
            out_.insert(out_.end(),
                        {static_cast<std::uint8_t>(word >> 24), static_cast<std::uint8_t>(word >> 16),
                         static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)});
        }
    }
    // Bits whose values do not matter because they are only counted.
    void Count(std::uint64_t bits) { counted_ += bits; }

    std::uint64_t BitCount() const { return counting_ ? counted_ : out_.size() * 8 + filled_; }
    // The bytes, the last one padded with zero bits.
    std::vector<std::uint8_t> Finish() {
        while (filled_ >= 8) {
            filled_ -= 8;
            out_.push_back(static_cast<std::uint8_t>(acc_ >> filled_));
        }
        if (filled_ > 0) {
            out_.push_back(static_cast<std::uint8_t>(acc_ << (8 - filled_)));
        }
        filled_ = 0;
        acc_ = 0;
        return std::move(out_);
    }

  private:
    bool counting_;
    std::vector<std::uint8_t> out_;
    std::uint64_t acc_ = 0; // the last `filled_` bits are not yet in out_
    unsigned filled_ = 0;
    std::uint64_t counted_ = 0;
};
