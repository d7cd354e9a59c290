#include "common/PathText.h"

#include <cstdint>

namespace {

constexpr char16_t kKeptByte = 0xDC00;

// A low surrogate after a high one is half of a character, not a kept byte.
bool isKeptByte(const QString& text, int i) {
  const char16_t c = text[i].unicode();
  return c >= 0xDC80 && c <= 0xDCFF && (i == 0 || !text[i - 1].isHighSurrogate());
}

// Length of the valid UTF-8 sequence at `p` (of `left` bytes), or 0.
std::size_t utf8Sequence(const unsigned char* p, std::size_t left) {
  const unsigned char b = p[0];
  if (b < 0x80) return 1;
  std::size_t length = 0;
  uint32_t code = 0;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
    code = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    code = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    code = b & 0x07;
  } else {
    return 0;
  }
  if (left < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (p[i] & 0x3F);
  }
  // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
  if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
      (code >= 0xD800 && code <= 0xDFFF))
    return 0;
  return length;
}

}  // namespace

QString pathFromBytes(const std::string& bytes) {
  QString path;
  path.reserve(static_cast<int>(bytes.size()));
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t length = utf8Sequence(p + i, bytes.size() - i);
    if (length == 0) {
      path += QChar(static_cast<char16_t>(kKeptByte + p[i]));
      ++i;
    } else {
      path += QString::fromUtf8(reinterpret_cast<const char*>(p + i), static_cast<int>(length));
      i += length;
    }
  }
  return path;
}

std::string pathBytes(const QString& path) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(path.size()));
  int start = 0;
  for (int i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !isKeptByte(path, i)) continue;
    bytes += path.mid(start, i - start).toStdString();
    if (i < path.size()) bytes += static_cast<char>(path[i].unicode() - kKeptByte);
    start = i + 1;
  }
  return bytes;
}

QByteArray visibleText(const QString& text) {
  bool kept = false;
  for (int i = 0; i < text.size() && !kept; ++i) kept = isKeptByte(text, i);
  if (!kept) return text.toUtf8();
  QString shown;
  for (int i = 0; i < text.size(); ++i) {
    if (isKeptByte(text, i)) {
      shown += QStringLiteral("\\x") + QString::number(text[i].unicode() - kKeptByte, 16).toUpper();
    } else {
      shown += text[i];
    }
  }
  return shown.toUtf8();
}
