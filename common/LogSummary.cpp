#include "common/LogSummary.h"

#include <sstream>

Json::Value buildInfoJson(const LogSummary& summary) {
  Json::Value info(Json::objectValue);
  info["start"] = Json::Value(static_cast<Json::Int64>(summary.startMs));
  info["end"] = Json::Value(static_cast<Json::Int64>(summary.endMs));
  info["zrlversion"] = Json::Value(static_cast<Json::UInt>(summary.formatVersion));
  info["uncompressedSize"] = Json::Value(static_cast<Json::UInt64>(summary.uncompressedSize));
  info["note"] = summary.note;
  if (summary.formatVersion > 2) {
    info["firmware"] = summary.firmware;
    info["uid"] = summary.uid;
    info["serial"] = summary.serial;
  }
  Json::Value data(Json::arrayValue);
  for (const LogVariableSummary& variable : summary.variables) {
    Json::Value entry(Json::objectValue);
    entry["name"] = variable.fullName;
    entry["type"] = Json::Value(static_cast<Json::Int>(variable.type));
    entry["unintsymb"] = variable.unitSymbol;
    data.append(entry);
  }
  info["data"] = data;
  return info;
}

std::string infoJsonText(const Json::Value& info) {
  std::ostringstream out;
  out << info << '\n';
  return out.str();
}
