#include "tools/zrlwriter/ZrlDescriptionText.h"

#include <fstream>
#include <optional>
#include <sstream>

#include "tools/zrlwriter/RecordEncoder.h"
#include "tools/zrlwriter/DescriptionLexer.h"

namespace zrlwriter {
namespace {

using description::Counters;
using description::Token;

struct Line {
  int number = 0;
  std::vector<Token> tokens;
};

const std::map<std::string, uint8_t> kTypeNames = {
    {"unused", kUnused}, {"bool", kBoolean}, {"int", kInteger}, {"float", kFloat},
    {"double", kDouble}, {"string", kString}, {"can", kCanFrame}, {"timestamp", kTimestamp},
};

class DescriptionInterpreter {
 public:
  ZrlDescription run(const std::vector<Line>& lines) {
    execute(lines, 0, lines.size());
    if (storedSizeDelta_) description_.head.storedSizeOverride = correctStoredSize(encoder_.size()) + *storedSizeDelta_;
    description_.body = encoder_.bytes();
    // Fields that cannot be laid out (a group past its table for the final
    // version...) are reported now rather than when the file is written.
    encodeHead(description_.head, 0);
    return std::move(description_);
  }

 private:
  // Statement at `lines[i]`, with its positional arguments and key=value options.
  struct Statement {
    std::string keyword;
    std::vector<Token> args;
    std::map<std::string, Token> named;
  };

  void execute(const std::vector<Line>& lines, size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i) {
      const Line& line = lines[i];
      line_ = line.number;
      if (line.tokens[0].kind == Token::Word && line.tokens[0].text == "repeat") {
        const size_t close = matchingEnd(lines, i);
        Statement st = split(line);
        if (st.args.empty() || st.args.size() > 3 || (st.args.size() >= 2 && st.args[1].text != "as") ||
            st.args.size() == 2)
          fail("use: repeat COUNT [as NAME]");
        const int64_t count = description::integerValue(st.args[0], 0, 100000000, counters_, "repeat count");
        const std::string name = st.args.size() == 3 ? st.args[2].text : "i";
        const std::optional<int64_t> outer =
            counters_.count(name) ? std::optional<int64_t>(counters_[name]) : std::nullopt;
        for (int64_t k = 0; k < count; ++k) {
          counters_[name] = k;
          execute(lines, i + 1, close);
        }
        if (outer) counters_[name] = *outer;
        else counters_.erase(name);
        i = close;
        continue;
      }
      try {
        statement(split(line));
      } catch (const ZrlWriteError& e) {
        const std::string what = e.what();
        if (what.rfind("line ", 0) == 0) throw;
        fail(what);
      }
    }
  }

  static size_t matchingEnd(const std::vector<Line>& lines, size_t open) {
    int depth = 0;
    for (size_t i = open; i < lines.size(); ++i) {
      const std::string& k = lines[i].tokens[0].text;
      if (lines[i].tokens[0].kind != Token::Word) continue;
      if (k == "repeat") ++depth;
      if (k == "end" && --depth == 0) return i;
    }
    throw ZrlWriteError("line " + std::to_string(lines[open].number) + ": repeat without end");
  }

  Statement split(const Line& line) const {
    Statement st;
    st.keyword = line.tokens[0].text;
    if (line.tokens[0].kind != Token::Word) fail("a line must start with a keyword");
    for (size_t i = 1; i < line.tokens.size(); ++i) {
      const Token& t = line.tokens[i];
      const size_t eq = t.kind == Token::Word && t.text[0] != '{' ? t.text.find('=') : std::string::npos;
      if (eq != std::string::npos && eq > 0) {
        Token value{Token::Word, t.text.substr(eq + 1)};
        const std::string key = t.text.substr(0, eq);
        if (value.text.compare(0, 4, "hex:") == 0) value = description::tokenize(value.text)[0];
        if (st.named.count(key)) fail("option " + key + "= given twice");
        st.named[key] = value;
      } else {
        st.args.push_back(t);
      }
    }
    return st;
  }

  [[noreturn]] void fail(const std::string& why) const {
    throw ZrlWriteError("line " + std::to_string(line_) + ": " + why);
  }

  void expectArgs(const Statement& st, size_t min, size_t max, const char* usage,
                  std::initializer_list<const char*> options = {}) const {
    if (st.args.size() < min || st.args.size() > max) fail(std::string("use: ") + usage);
    for (const auto& [key, value] : st.named) {
      bool known = false;
      for (const char* o : options) known = known || key == o;
      if (!known) fail("unknown option " + key + "= for " + st.keyword);
    }
  }

  int64_t integer(const Token& t, int64_t min, int64_t max, const std::string& what) {
    return description::integerValue(t, min, max, counters_, what);
  }
  uint16_t recordIdArg(const Token& t) { return static_cast<uint16_t>(integer(t, 0, 65535, "record id")); }

  TimeValue timeValue(const Statement& st) {
    TimeValue v;
    v.seconds = static_cast<int32_t>(integer(st.args[0], INT32_MIN, INT32_MAX, "seconds"));
    v.nanoseconds = static_cast<int32_t>(integer(st.args[1], INT32_MIN, INT32_MAX, "nanoseconds"));
    if (st.args.size() > 2) v.unused = static_cast<uint32_t>(integer(st.args[2], 0, UINT32_MAX, "unused bytes"));
    return v;
  }

  uint8_t typeCode(const Token& t) {
    const auto it = kTypeNames.find(t.text);
    if (t.kind == Token::Word && it != kTypeNames.end()) return it->second;
    return static_cast<uint8_t>(integer(t, 0, 255, "data type (a number 0-255 or unused, bool, int, float, "
                                                   "double, string, can, timestamp)"));
  }

  void beforeRecords(const Statement& st) const {
    if (recordsStarted_) fail(st.keyword + " must come before the first record");
  }
  void record() { recordsStarted_ = true; }

  void statement(const Statement& st) {
    const std::string& k = st.keyword;
    ZrlHead& h = description_.head;
    WriteOptions& o = description_.options;
    if (k == "version") {
      expectArgs(st, 1, 1, "version N");
      beforeRecords(st);
      h.formatVersion = static_cast<uint32_t>(integer(st.args[0], 0, UINT32_MAX, "format version"));
      encoder_ = RecordEncoder(h.formatVersion);
    } else if (k == "times") {
      expectArgs(st, 2, 3, "times START_MS END_MS [COUNTER_START_MS]");
      const int64_t start = integer(st.args[0], INT64_MIN / 4, INT64_MAX / 4, "start time");
      const int64_t end = integer(st.args[1], INT64_MIN / 4, INT64_MAX / 4, "end time");
      const int64_t counter = st.args.size() > 2 ? integer(st.args[2], INT64_MIN / 4, INT64_MAX / 4, "counter") : 0;
      h.setTimeSpan(start, end, counter);
    } else if (k == "start-time" || k == "end-time" || k == "start-counter" || k == "end-counter") {
      expectArgs(st, 2, 3, (k + " SECONDS NANOSECONDS [UNUSED]").c_str());
      TimeValue& target = k == "start-time" ? h.startTime : k == "end-time" ? h.endTime
                          : k == "start-counter" ? h.startCounter : h.endCounter;
      target = timeValue(st);
    } else if (k == "note") {
      expectArgs(st, 1, 1, "note TEXT");
      h.note = description::bytesValue(st.args[0]);
    } else if (k == "frequency") {
      expectArgs(st, 1, 1, "frequency HZ");
      h.recordingFrequency = static_cast<float>(description::realValue(st.args[0], counters_, "frequency"));
    } else if (k == "reserved") {
      expectArgs(st, 1, 1, "reserved N");
      h.reserved = static_cast<uint32_t>(integer(st.args[0], 0, UINT32_MAX, "reserved"));
    } else if (k == "reserved-byte") {
      expectArgs(st, 1, 1, "reserved-byte N");
      h.reservedByte = static_cast<uint8_t>(integer(st.args[0], 0, 255, "reserved byte"));
    } else if (k == "stored-size") {
      expectArgs(st, 1, 1, "stored-size N | correct | correct+N | correct-N");
      const std::string& t = st.args[0].text;
      if (t.rfind("correct", 0) == 0 && st.args[0].kind == Token::Word) {
        int64_t delta = 0;
        if (t.size() > 7) {
          if (t[7] != '+' && t[7] != '-') fail("use: stored-size correct+N or correct-N");
          delta = integer(Token{Token::Word, t.substr(8)}, 0, UINT32_MAX, "size difference");
          if (t[7] == '-') delta = -delta;
        }
        h.storedSizeOverride.reset();
        storedSizeDelta_.reset();
        if (delta != 0) storedSizeDelta_ = static_cast<uint32_t>(delta);
      } else {
        h.storedSizeOverride = static_cast<uint32_t>(integer(st.args[0], 0, UINT32_MAX, "stored size"));
        storedSizeDelta_.reset();
      }
    } else if (k == "serial") {
      expectArgs(st, 1, 1, "serial TEXT");
      h.serial = description::bytesValue(st.args[0]);
    } else if (k == "firmware") {
      expectArgs(st, 1, 1, "firmware TEXT");
      h.firmware = description::bytesValue(st.args[0]);
    } else if (k == "uid") {
      expectArgs(st, 1, 1, "uid 32-HEX-DIGITS (dashes allowed)");
      const Token hex = description::tokenize("hex:" + st.args[0].text)[0];
      if (hex.text.size() != 16) fail("uid needs 16 bytes (32 hex digits)");
      for (size_t i = 0; i < 16; ++i) h.uid[i] = static_cast<uint8_t>(hex.text[i]);
    } else if (k == "group") {
      expectArgs(st, 2, 2, "group ID NAME");
      h.groups[static_cast<uint32_t>(integer(st.args[0], 0, 65535, "group id"))] = description::bytesValue(st.args[1]);
    } else if (k == "unit") {
      expectArgs(st, 2, 2, "unit INDEX SYMBOL");
      h.units[static_cast<uint32_t>(integer(st.args[0], 0, 255, "unit index"))] = description::bytesValue(st.args[1]);
    } else if (k == "var") {
      expectArgs(st, 4, 4, "var SLOT GROUP TYPE NAME [unit=N] [decimals=N] [id=N]", {"unit", "decimals", "id"});
      ZrlVariable& v = h.addVariable(static_cast<uint16_t>(integer(st.args[0], 0, 19999, "variable slot")),
                                     static_cast<uint16_t>(integer(st.args[1], 0, 65535, "group id")),
                                     typeCode(st.args[2]), description::bytesValue(st.args[3]));
      if (st.named.count("unit")) v.unitIndex = static_cast<uint8_t>(integer(st.named.at("unit"), 0, 255, "unit"));
      if (st.named.count("decimals"))
        v.decimals = static_cast<uint8_t>(integer(st.named.at("decimals"), 0, 255, "decimals"));
      if (st.named.count("id")) v.id = static_cast<uint16_t>(integer(st.named.at("id"), 0, 65535, "id"));
    } else if (k == "body") {
      expectArgs(st, 1, 1, "body gzip | plain");
      if (st.args[0].text == "gzip") o.encoding = BodyEncoding::Gzip;
      else if (st.args[0].text == "plain") o.encoding = BodyEncoding::Plain;
      else fail("use: body gzip | plain");
    } else if (k == "members") {
      expectArgs(st, 1, 1, "members N");
      o.gzipMembers = static_cast<int>(integer(st.args[0], 1, 100000, "gzip members"));
    } else if (k == "level") {
      expectArgs(st, 1, 1, "level N");
      o.compressionLevel = static_cast<int>(integer(st.args[0], 0, 9, "compression level"));
    } else if (k == "garbage") {
      expectArgs(st, 1, 1, "garbage BYTES");
      o.trailingGarbage = description::bytesValue(st.args[0]);
    } else if (k == "truncate-body") {
      expectArgs(st, 1, 1, "truncate-body N");
      o.truncateBodyAt = unsignedValue(st.args[0]);
    } else if (k == "truncate-file") {
      expectArgs(st, 1, 1, "truncate-file N");
      o.truncateFileAt = unsignedValue(st.args[0]);
    } else if (k == "ts") {
      expectArgs(st, 1, 1, "ts OFFSET_MS | ts +STEP_MS");
      const Token& t = st.args[0];
      uint64_t offset;
      if (t.kind == Token::Word && !t.text.empty() && t.text[0] == '+')
        offset = lastOffset_ + unsignedValue(Token{Token::Word, t.text.substr(1)});
      else
        offset = unsignedValue(t);
      record();
      encoder_.timestamp(offset);
      lastOffset_ = offset;
    } else if (k == "bool") {
      expectArgs(st, 2, 2, "bool ID 0|1|true|false|BYTE");
      const Token& t = st.args[1];
      const uint8_t b = t.text == "true" ? 1 : t.text == "false" ? 0
                        : static_cast<uint8_t>(integer(t, 0, 255, "boolean byte"));
      record();
      encoder_.boolean(recordIdArg(st.args[0]), b);
    } else if (k == "int") {
      expectArgs(st, 2, 2, "int ID VALUE");
      const int64_t v = integer(st.args[1], INT32_MIN, UINT32_MAX, "integer value");
      record();
      encoder_.integer(recordIdArg(st.args[0]), static_cast<int32_t>(static_cast<uint32_t>(v)));
    } else if (k == "float") {
      expectArgs(st, 2, 2, "float ID VALUE");
      const double v = description::realValue(st.args[1], counters_, "float value");
      record();
      encoder_.floatValue(recordIdArg(st.args[0]), static_cast<float>(v));
    } else if (k == "double") {
      expectArgs(st, 2, 2, "double ID VALUE");
      const double v = description::realValue(st.args[1], counters_, "double value");
      record();
      encoder_.doubleValue(recordIdArg(st.args[0]), v);
    } else if (k == "string") {
      expectArgs(st, 2, 2, "string ID TEXT [len=N]", {"len"});
      const std::string bytes = description::bytesValue(st.args[1]);
      const uint16_t id = recordIdArg(st.args[0]);
      record();
      if (st.named.count("len"))
        encoder_.string(id, static_cast<uint8_t>(integer(st.named.at("len"), 0, 255, "length byte")), bytes);
      else
        encoder_.string(id, bytes);
    } else if (k == "can") {
      expectArgs(st, 2, 3, "can ID IDENTIFIER [DATA] [len=N]", {"len"});
      const uint16_t id = recordIdArg(st.args[0]);
      const uint32_t identifier = static_cast<uint32_t>(integer(st.args[1], 0, UINT32_MAX, "CAN identifier"));
      const std::string data = st.args.size() > 2 ? description::bytesValue(st.args[2]) : std::string();
      int64_t length = static_cast<int64_t>(data.size());
      if (st.named.count("len")) length = integer(st.named.at("len"), 0, 255, "length byte");
      else if (length > 255) fail("CAN data longer than 255 bytes needs len=");
      record();
      encoder_.canFrame(id, static_cast<uint8_t>(length), identifier, data);
    } else if (k == "tsval") {
      expectArgs(st, 2, 2, "tsval ID MICROSECONDS");
      const uint64_t micros = unsignedValue(st.args[1]);
      record();
      encoder_.timestampValue(recordIdArg(st.args[0]), micros);
    } else if (k == "id") {
      expectArgs(st, 1, 1, "id N");
      const uint16_t id = recordIdArg(st.args[0]);
      record();
      encoder_.recordId(id);
    } else if (k == "raw") {
      expectArgs(st, 1, 1, "raw BYTES");
      record();
      encoder_.raw(description::bytesValue(st.args[0]));
    } else if (k == "end") {
      fail("end without repeat");
    } else {
      fail("unknown keyword '" + k + "'");
    }
  }

  uint64_t unsignedValue(const Token& t) { return description::unsignedValue(t, counters_, "value"); }

  ZrlDescription description_;
  RecordEncoder encoder_{4};
  Counters counters_;
  std::optional<uint32_t> storedSizeDelta_;
  uint64_t lastOffset_ = 0;
  bool recordsStarted_ = false;
  int line_ = 0;
};

}  // namespace

ZrlDescription parseZrlDescription(const std::string& text) {
  std::vector<Line> lines;
  std::istringstream in(text);
  std::string raw;
  int number = 0;
  while (std::getline(in, raw)) {
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    Line line;
    line.number = number;
    try {
      line.tokens = description::tokenize(raw);
    } catch (const ZrlWriteError& e) {
      throw ZrlWriteError("line " + std::to_string(number) + ": " + e.what());
    }
    if (!line.tokens.empty()) lines.push_back(std::move(line));
  }
  return DescriptionInterpreter().run(lines);
}

ZrlDescription parseZrlDescriptionFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ZrlWriteError("cannot read description " + path);
  std::ostringstream text;
  text << in.rdbuf();
  try {
    return parseZrlDescription(text.str());
  } catch (const ZrlWriteError& e) {
    throw ZrlWriteError(path + ": " + e.what());
  }
}

}  // namespace zrlwriter
