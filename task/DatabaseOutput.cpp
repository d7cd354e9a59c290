#include "task/DatabaseOutput.h"

std::optional<zrl::InfluxOptions> databaseOutputOptions(const DatabaseChoice& settings,
                                                        const Json::Value& config) {
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
  if (config.isObject() && config["InfluxBatchSize"].isUInt() &&
      config["InfluxBatchSize"].asUInt() > 0) {
    options.batchSize = config["InfluxBatchSize"].asUInt();
  }
  return options;
}
