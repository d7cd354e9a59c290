// CAN frame text form and its parser (see DataValue.h).
#include <cstring>

#include "values/DataValue.h"

namespace zrl {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int writeHex(char* out, uint32_t v, int digits) {
  for (int i = digits - 1; i >= 0; --i) {
    out[i] = kHexDigits[v & 0xF];
    v >>= 4;
  }
  return digits;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int formatCanFrame(char* buffer, const can_frame& frame, char separator, unsigned maxDataBytes) {
  int pos = 0;
  if (frame.can_id & kCanErrorFlag) {
    pos += writeHex(buffer, frame.can_id & (kCanExtendedMask | kCanErrorFlag), 8);
  } else if (frame.can_id & kCanExtendedFlag) {
    pos += writeHex(buffer, frame.can_id & kCanExtendedMask, 8);
  } else {
    pos += writeHex(buffer, frame.can_id & kCanStandardMask, 3);
  }
  buffer[pos++] = '#';
  if (frame.can_id & kCanRemoteFlag) {
    buffer[pos++] = 'R';
    if (frame.can_dlc >= 1 && frame.can_dlc <= 8) buffer[pos++] = kHexDigits[frame.can_dlc];
    buffer[pos] = '\0';
    return pos;
  }
  unsigned n = frame.can_dlc < maxDataBytes ? frame.can_dlc : maxDataBytes;
  if (n > 8) n = 8;  // the record has no more data bytes
  for (unsigned i = 0; i < n; ++i) {
    if (i > 0) buffer[pos++] = separator;
    buffer[pos++] = kHexDigits[frame.data[i] >> 4];
    buffer[pos++] = kHexDigits[frame.data[i] & 0xF];
  }
  buffer[pos] = '\0';
  return pos;
}

bool parseCanFrame(can_frame& frame, const char* text) {
  std::memset(&frame, 0, sizeof frame);
  if (text == nullptr || hexValue(text[0]) < 0) return false;
  const char* p = text;
  uint64_t id = 0;
  for (int digit; (digit = hexValue(*p)) >= 0; ++p) {
    // Saturate rather than wrap on absurdly long identifiers.
    id = id > 0xFFFFFFFFULL ? id : (id << 4) | static_cast<uint64_t>(digit);
  }
  frame.can_id = id > 0xFFFFFFFFULL ? 0xFFFFFFFFU : static_cast<uint32_t>(id);
  if (frame.can_id > kCanStandardMask && !(frame.can_id & kCanErrorFlag)) {
    frame.can_id |= kCanExtendedFlag;
  }
  std::size_t remaining = std::strlen(p);
  uint8_t count = 0;
  while (remaining >= 2 && count < 8) {
    // One separator ("#" first, then the byte separator), then one byte.
    const int high = hexValue(p[1]);
    const int low = remaining >= 3 ? hexValue(p[2]) : -1;
    if (high < 0 || low < 0) break;
    frame.data[count++] = static_cast<uint8_t>(high << 4 | low);
    p += 3;
    remaining -= 3;
  }
  frame.can_dlc = count;
  return true;
}

}  // namespace zrl
