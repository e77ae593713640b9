// The fuzz input read front to back as the values a target needs. Reads past
// the end give zeros, so every input, however short, drives a whole run.
#ifndef FUZZ_FUZZ_INPUT_H
#define FUZZ_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool empty() const { return pos_ >= size_; }
  size_t remaining() const { return empty() ? 0 : size_ - pos_; }

  uint8_t Byte() { return empty() ? 0 : data_[pos_++]; }
  uint16_t Word() {
    uint16_t low = Byte();
    return static_cast<uint16_t>(low | Byte() << 8);
  }
  uint32_t Dword() {
    uint32_t low = Word();
    return low | static_cast<uint32_t>(Word()) << 16;
  }
  // A value in [0, limit).
  uint32_t Below(uint32_t limit) { return limit ? Byte() % limit : 0; }

  // Up to `count` bytes (fewer when the input ends).
  std::vector<uint8_t> Bytes(size_t count) {
    if (count > remaining()) count = remaining();
    std::vector<uint8_t> bytes(data_ + pos_, data_ + pos_ + count);
    pos_ += count;
    return bytes;
  }
  // Everything left.
  std::vector<uint8_t> Rest() { return Bytes(remaining()); }
  std::string RestAsText() {
    std::vector<uint8_t> bytes = Rest();
    return std::string(bytes.begin(), bytes.end());
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

#endif  // FUZZ_FUZZ_INPUT_H
