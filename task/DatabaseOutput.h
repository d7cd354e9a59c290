// The database output of a batch run: its settings, taken from the command
// line and completed from the configuration file.
#pragma once

#include <json/json.h>

#include <cstdint>
#include <optional>
#include <string>

#include "influx/InfluxSink.h"

// The database options as the command line gives them.
struct DatabaseChoice {
  std::optional<std::string> influxDatabase;
  std::optional<std::string> influxMeasurement;
  std::optional<std::string> influxGateway;
  std::optional<std::string> influxUrl;
};

// Bounds of the configuration's "InfluxBatchSize": one batch of the largest
// size is held twice in memory (one filled, one on its way).
inline constexpr uint32_t kMaxInfluxBatchSize = 1000000;

// None unless a database and a measurement were given, and none with
// `problem` set when the configuration's batch size is unusable. The
// address is --influxURL, else the configuration's "InfluxUrl", else the
// default; the batch size is the configuration's "InfluxBatchSize", else
// 500. The command line wins over the configuration, as for every other
// option.
std::optional<zrl::InfluxOptions> databaseOutputOptions(const DatabaseChoice& settings,
                                                        const Json::Value& config,
                                                        std::string& problem);
