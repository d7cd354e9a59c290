// Small readers used to check what the writer produced.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>
#include <zlib.h>

#include "tools/zrlwriter/ZrlWriter.h"

namespace writertest {

inline uint64_t le(const std::string& bytes, size_t offset, size_t width) {
  uint64_t v = 0;
  for (size_t i = 0; i < width; ++i) v |= uint64_t(static_cast<uint8_t>(bytes.at(offset + i))) << (8 * i);
  return v;
}

inline std::string hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// Inflates consecutive gzip members; `members` counts them and `rest` gets
// whatever follows the last complete one. `complete` is false when the data
// ends inside a member.
struct Inflated {
  std::string data;
  int members = 0;
  std::string rest;
  bool complete = true;
};

inline Inflated gunzipMembers(const std::string& gz) {
  Inflated result;
  size_t pos = 0;
  while (pos < gz.size() && gz.size() - pos >= 2 && static_cast<uint8_t>(gz[pos]) == 0x1f &&
         static_cast<uint8_t>(gz[pos + 1]) == 0x8b) {
    z_stream zs{};
    inflateInit2(&zs, 15 + 16);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gz.data() + pos));
    zs.avail_in = static_cast<uInt>(gz.size() - pos);
    char buffer[65536];
    int rc;
    do {
      zs.next_out = reinterpret_cast<Bytef*>(buffer);
      zs.avail_out = sizeof buffer;
      rc = inflate(&zs, Z_NO_FLUSH);
      result.data.append(buffer, sizeof buffer - zs.avail_out);
    } while (rc == Z_OK);
    pos += zs.total_in;
    inflateEnd(&zs);
    if (rc != Z_STREAM_END) {
      result.complete = false;
      return result;
    }
    ++result.members;
  }
  result.rest = gz.substr(pos);
  return result;
}

// Walks a decompressed body with the catalog's types, as a reader must.
struct Walk {
  size_t timestamps = 0;
  size_t values = 0;
  std::vector<uint64_t> offsets;
  bool clean = true;   // ended exactly after a complete record
  std::string error;
};

inline Walk walkBody(const zrlwriter::ZrlHead& head, const std::string& body) {
  std::map<uint16_t, uint8_t> types;
  for (const auto& v : head.variables) types[v.slot] = v.type;
  const size_t tsWidth = zrlwriter::layout::timestampWidth(head.formatVersion);
  Walk w;
  size_t p = 0;
  auto need = [&](size_t n) {
    if (p + n > body.size()) throw std::runtime_error("record cut at " + std::to_string(p));
  };
  try {
    while (p < body.size()) {
      need(2);
      const uint16_t id = static_cast<uint16_t>(le(body, p, 2));
      p += 2;
      if (id == 0xFFFF) {
        need(tsWidth);
        w.offsets.push_back(le(body, p, tsWidth));
        p += tsWidth;
        ++w.timestamps;
        continue;
      }
      const auto it = types.find(id);
      if (it == types.end()) throw std::runtime_error("record for unknown id " + std::to_string(id));
      size_t width = 0;
      switch (it->second) {
        case 1: width = 1; break;
        case 2: case 3: width = 4; break;
        case 4: case 7: width = 8; break;
        case 5: need(1); width = 1 + static_cast<uint8_t>(body[p]); break;
        case 6: need(1); width = 5 + static_cast<uint8_t>(body[p]); break;
        default: throw std::runtime_error("bad type for id " + std::to_string(id));
      }
      need(width);
      p += width;
      ++w.values;
    }
  } catch (const std::exception& e) {
    w.clean = false;
    w.error = e.what();
  }
  return w;
}

}  // namespace writertest
