#include "common/LogSummary.h"

#include <memory>
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

std::string infoJsonText(const Json::Value& info, int precision) {
  std::ostringstream out;
  if (precision <= 0) {
    out << info << '\n';
  } else {
    // The stream output's own settings, with fewer digits: a rate of 0.1 Hz
    // reads 0.1, not 0.10000000000000001.
    Json::StreamWriterBuilder builder;
    builder["precision"] = precision;
    std::unique_ptr<Json::StreamWriter>(builder.newStreamWriter())->write(info, &out);
    out << '\n';
  }
  return out.str();
}
