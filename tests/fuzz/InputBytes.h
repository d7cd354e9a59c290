// A forward reader over a fuzz input and the matching writer that the seed
// program uses, so that seeds and targets agree on one input layout.
// Reading past the end yields zeros: every input, however short, is a case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zrlfuzz {

class InputReader {
 public:
  InputReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint16_t u16() { return static_cast<uint16_t>(u8() | (u8() << 8)); }
  uint32_t u24() {
    const uint32_t low = u16();
    return low | (static_cast<uint32_t>(u8()) << 16);
  }
  uint32_t u32() {
    const uint32_t low = u16();
    return low | (static_cast<uint32_t>(u16()) << 16);
  }
  // A length byte, then up to that many bytes.
  std::string text() { return bytes(u8()); }
  std::string bytes(std::size_t count) {
    const std::size_t n = count < remaining() ? count : remaining();
    std::string out(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return out;
  }
  std::string rest() { return bytes(remaining()); }
  std::size_t remaining() const { return size_ - pos_; }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

class InputWriter {
 public:
  InputWriter& u8(uint8_t v) {
    out_.push_back(static_cast<char>(v));
    return *this;
  }
  InputWriter& u16(uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
  InputWriter& u24(uint32_t v) { return u16(v & 0xFFFF).u8((v >> 16) & 0xFF); }
  InputWriter& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  InputWriter& text(const std::string& s) {
    u8(static_cast<uint8_t>(s.size()));
    out_ += s.substr(0, 255);
    return *this;
  }
  InputWriter& bytes(const std::string& s) {
    out_ += s;
    return *this;
  }
  const std::string& str() const { return out_; }

 private:
  std::string out_;
};

}  // namespace zrlfuzz
