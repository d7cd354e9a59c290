#include "task/DatabaseOutput.h"

namespace {

std::string jsonText(const Json::Value& value) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  return Json::writeString(builder, value);
}

}  // namespace

std::optional<zrl::InfluxOptions> databaseOutputOptions(const DatabaseChoice& settings,
                                                        const Json::Value& config,
                                                        std::string& problem) {
  problem.clear();
  if (!settings.influxDatabase || !settings.influxMeasurement) return std::nullopt;
  zrl::InfluxOptions options;
  options.database = *settings.influxDatabase;
  options.measurement = *settings.influxMeasurement;
  options.gateway = settings.influxGateway.value_or("");
  if (settings.influxUrl) {
    options.url = *settings.influxUrl;
  } else if (config.isObject() && config["InfluxUrl"].isString() &&
             !config["InfluxUrl"].asString().empty()) {
    options.url = config["InfluxUrl"].asString();
  }
  if (config.isObject() && config.isMember("InfluxBatchSize")) {
    const Json::Value& size = config["InfluxBatchSize"];
    if (!size.isUInt() || size.asUInt() == 0 || size.asUInt() > kMaxInfluxBatchSize) {
      problem = "InfluxBatchSize must be a whole number from 1 to " +
                std::to_string(kMaxInfluxBatchSize) + ", not " + jsonText(size);
      return std::nullopt;
    }
    options.batchSize = size.asUInt();
  }
  return options;
}
