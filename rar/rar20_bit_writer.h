#pragma once
// Bits first-highest into bytes, as the RAR 2.0 decoder reads its bit field.

#include <cstddef>
#include <cstdint>
#include <vector>

class Rar20BitWriter {
  public:
    void Put(std::uint32_t value, unsigned bits) { // bits <= 24
        if (bits == 0) {
            return;
        }
        acc_ = (acc_ << bits) | (value & ((1u << bits) - 1));
        filled_ += bits;
        while (filled_ >= 8) {
            filled_ -= 8;
            out_.push_back(static_cast<std::uint8_t>(acc_ >> filled_));
        }
        acc_ &= (1u << filled_) - 1;
    }
    std::size_t BitCount() const { return out_.size() * 8 + filled_; }
    // The bytes, the last one padded with zero bits.
    std::vector<std::uint8_t> Finish() {
        if (filled_ > 0) {
            out_.push_back(static_cast<std::uint8_t>(acc_ << (8 - filled_)));
        }
        filled_ = 0;
        acc_ = 0;
        return std::move(out_);
    }

  private:
    std::vector<std::uint8_t> out_;
    std::uint32_t acc_ = 0;
    unsigned filled_ = 0;
};
