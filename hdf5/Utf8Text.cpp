#include "hdf5/Utf8Text.h"

namespace zrl {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

// Length of the valid UTF-8 sequence at `p` (at most `left` bytes), or 0.
std::size_t sequenceLength(const unsigned char* p, std::size_t left) {
  const unsigned char c = p[0];
  if (c < 0x80) return 1;
  std::size_t length;
  uint32_t code;
  if ((c & 0xE0) == 0xC0) {
    length = 2;
    code = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    length = 3;
    code = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    length = 4;
    code = c & 0x07;
  } else {
    return 0;
  }
  if (length > left) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (p[i] & 0x3F);
  }
  // Overlong forms, surrogates and code points past Unicode are not text.
  static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kLeast[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
  return length;
}

}  // namespace

void appendValidUtf8(const char* text, std::size_t length, std::string& out) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  std::size_t i = 0;
  while (i < length) {
    const std::size_t n = sequenceLength(p + i, length - i);
    if (n == 0) {
      out += kReplacement;
      ++i;
    } else {
      out.append(text + i, n);
      i += n;
    }
  }
}

void utf16FromUtf8(const std::string& text, std::vector<uint16_t>& out) {
  out.clear();
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = p[i];
    uint32_t code;
    std::size_t n;
    if (c < 0x80) {
      code = c;
      n = 1;
    } else if ((c & 0xE0) == 0xC0) {
      code = c & 0x1F;
      n = 2;
    } else if ((c & 0xF0) == 0xE0) {
      code = c & 0x0F;
      n = 3;
    } else {
      code = c & 0x07;
      n = 4;
    }
    for (std::size_t k = 1; k < n && i + k < text.size(); ++k) code = (code << 6) | (p[i + k] & 0x3F);
    i += n;
    if (code < 0x10000) {
      out.push_back(static_cast<uint16_t>(code));
    } else {
      code -= 0x10000;
      out.push_back(static_cast<uint16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<uint16_t>(0xDC00 + (code & 0x3FF)));
    }
  }
}

}  // namespace zrl
