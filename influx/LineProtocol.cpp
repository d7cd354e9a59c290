#include "influx/LineProtocol.h"

#include "decode/CellText.h"
#include "values/Format.h"

namespace zrl {

namespace {

// The protocol has no escape for a line break inside a name; it is written
// as the two characters "\n" rather than ending the line early.
std::string escapeWith(std::string_view text, std::string_view specials) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    if (specials.find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

std::string escapeMeasurement(std::string_view text) { return escapeWith(text, ", "); }

std::string escapeKey(std::string_view text) { return escapeWith(text, ",= "); }

namespace {

// The server reads a backslash before a character with a meaning there, or
// at the end of a name (before the separator that follows), as an escape
// in one place and as a literal in another; no way of writing such a name
// brings it back unchanged.
std::string backslashProblem(std::string_view name, std::string_view specials,
                             const char* specialsText) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] != '\\') continue;
    if (i + 1 == name.size()) return "it must not end with a backslash";
    if (specials.find(name[i + 1]) != std::string_view::npos) {
      return std::string("a backslash must not come before ") + specialsText;
    }
  }
  return "";
}

}  // namespace

std::string measurementNameProblem(std::string_view name) {
  return backslashProblem(name, ", ", "a comma or a space");
}

std::string keyNameProblem(std::string_view name) {
  return backslashProblem(name, ",= ", "a comma, an equals sign or a space");
}

void appendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
}

PointEncoder::PointEncoder(const std::string& measurement,
                           const std::vector<std::pair<std::string, std::string>>& tags,
                           const std::vector<PointField>& fields, int32_t floatFormat)
    : prefix_(escapeMeasurement(measurement)), floatFormat_(floatFormat) {
  for (const auto& tag : tags) {
    if (tag.second.empty()) continue;
    prefix_ += ',' + escapeKey(tag.first) + '=' + escapeKey(tag.second);
  }
  prefix_ += ' ';
  for (const PointField& field : fields) {
    keys_.push_back(escapeKey(field.name) + '=');
    decimals_.push_back(field.decimals);
  }
}

bool PointEncoder::append(std::string& out, uint64_t rowMs, const DataValue* const* cells) const {
  const std::size_t lineStart = out.size();
  out += prefix_;
  const std::size_t fieldsStart = out.size();
  char text[kValueTextCapacity];
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    const DataValue* value = cells[i];
    if (value == nullptr || value->type == DataValueKind::UnknownDt) continue;
    const int length = cellText(*value, text, '.', floatFormat_, decimals_[i]);
    const std::string_view cell(text, static_cast<std::size_t>(length));
    const DataValueKind kind = value->type;
    // Not-finite numbers read "nan"; the protocol has no value for them.
    const bool quoted = kind == DataValueKind::String || kind == DataValueKind::CanFrame ||
                        kind == DataValueKind::TimeStamp;
    if (!quoted && kind != DataValueKind::Boolean && cell == "nan") continue;
    if (out.size() != fieldsStart) out += ',';
    out += keys_[i];
    if (quoted) {
      appendQuoted(out, cell);
    } else {
      out += cell;
      if (kind == DataValueKind::Integer) out += 'i';
    }
  }
  if (out.size() == fieldsStart) {
    out.resize(lineStart);
    return false;
  }
  out += ' ';
  char digits[kUInt64TextCapacity];
  out.append(digits, static_cast<std::size_t>(formatUInt64(rowMs, digits)));
  out += '\n';
  return true;
}

}  // namespace zrl
