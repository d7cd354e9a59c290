#include "app/PrintConfig.h"

#include <cstdio>

#include "app/HeadlessStart.h"
#include "config/ConfigFile.h"
#include "session/Session.h"

int runPrintConfig(const StartupOptions& options) {
  Session session(false);
  if (!loadRunConfiguration(session, options)) return 1;
  Json::Value config = session.configToSave();
  if (options.vars) {
    Json::Value selected(Json::arrayValue);
    for (const std::string& piece : *options.vars) selected.append(piece);
    config["selected_vars"] = selected;
  }
  if (options.outDir) config["outputDirName"] = *options.outDir;
  if (options.influxUrl) config["InfluxUrl"] = *options.influxUrl;
  if (options.timeFormat) config["timeFormat"] = *options.timeFormat;
  if (options.noBom) config["bom"] = false;
  if (options.lf) config["lineEnd"] = "lf";
  if (options.format) {
    if (*options.format == "csv") config.removeMember("outputFormat");
    else config["outputFormat"] = *options.format;
  }
  const std::string text = serializeConfig(config) + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  return 0;
}
