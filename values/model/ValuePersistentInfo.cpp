// Persistent display settings of a tracked value (see ValuePersistentInfo.h).
#include "values/model/ValuePersistentInfo.h"

#include <cmath>
#include <sstream>

#include "values/model/JsonText.h"

namespace zrl {

ValuePersistentInfo::ValuePersistentInfo(const ValuePersistentInfo& other) { *this = other; }

ValuePersistentInfo& ValuePersistentInfo::operator=(const ValuePersistentInfo& other) {
  if (this == &other) return *this;
  // Read the source under its lock, then store under ours: never both at once.
  ValuePersistentInfo copy;
  {
    std::lock_guard<std::mutex> guard(other.lock);
    copy.alias = other.alias;
    copy.decimalsDisplay = other.decimalsDisplay;
    copy.digits = other.digits;
    copy.enableMinMax = other.enableMinMax;
    copy.currentMin = other.currentMin;
    copy.currentMax = other.currentMax;
    copy.userMin = other.userMin;
    copy.userMax = other.userMax;
    copy.enableHistory = other.enableHistory;
    copy.historyPeriodMs = other.historyPeriodMs;
  }
  std::lock_guard<std::mutex> guard(lock);
  alias = std::move(copy.alias);
  decimalsDisplay = copy.decimalsDisplay;
  digits = copy.digits;
  enableMinMax = copy.enableMinMax;
  currentMin = copy.currentMin;
  currentMax = copy.currentMax;
  userMin = copy.userMin;
  userMax = copy.userMax;
  enableHistory = copy.enableHistory;
  historyPeriodMs = copy.historyPeriodMs;
  return *this;
}

namespace {

// A JSON number as an 8-bit setting; out-of-range or fractional numbers are
// not settings we wrote, so they leave the default.
bool readByte(const JsonValue* v, uint8_t& out) {
  if (v == nullptr || !v->isNumber()) return false;
  const double d = v->asNumber();
  if (!(d >= 0 && d <= 255) || d != std::trunc(d)) return false;
  out = static_cast<uint8_t>(d);
  return true;
}

void readBool(const JsonValue* v, bool& out) {
  if (v != nullptr && v->isBool()) out = v->asBool();
}

void readFloat(const JsonValue* v, float& out) {
  if (v != nullptr && v->isNumber()) out = static_cast<float>(v->asNumber());
}

}  // namespace

ValuePersistentInfo ValuePersistentInfo::fromJson(const JsonValue& object) {
  ValuePersistentInfo info;
  if (!object.isObject()) return info;
  if (const JsonValue* alias = object.find("alias"); alias && alias->isString()) {
    info.alias = alias->asString();
  }
  if (!readByte(object.find("decimalsDisplay"), info.decimalsDisplay)) {
    readByte(object.find("decimals"), info.decimalsDisplay);
  }
  readByte(object.find("digits"), info.digits);
  readBool(object.find("enableMinMax"), info.enableMinMax);
  readFloat(object.find("userMin"), info.userMin);
  readFloat(object.find("userMax"), info.userMax);
  readBool(object.find("enableHistory"), info.enableHistory);
  if (const JsonValue* period = object.find("historyPeriodMs"); period && period->isNumber()) {
    const double d = period->asNumber();
    if (d >= 0 && d <= 65535 && d == std::trunc(d)) info.historyPeriodMs = static_cast<uint16_t>(d);
  }
  return info;
}

void ValuePersistentInfo::writeJsonMembers(std::ostream& out) const {
  std::lock_guard<std::mutex> guard(lock);
  out << "\"alias\":";
  writeJsonString(out, alias);
  out << ",\"decimalsDisplay\":" << static_cast<unsigned>(decimalsDisplay)
      << ",\"digits\":" << static_cast<unsigned>(digits)
      << ",\"enableMinMax\":" << (enableMinMax ? "true" : "false") << ",\"userMin\":";
  writeJsonFloat(out, userMin);
  out << ",\"userMax\":";
  writeJsonFloat(out, userMax);
  out << ",\"enableHistory\":" << (enableHistory ? "true" : "false")
      << ",\"historyPeriodMs\":" << historyPeriodMs;
}

std::string ValuePersistentInfo::toJson() const {
  std::ostringstream out;
  out << '{';
  writeJsonMembers(out);
  out << '}';
  return out.str();
}

}  // namespace zrl
