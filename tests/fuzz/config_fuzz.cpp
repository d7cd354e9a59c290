// Loading fuzzed configuration files: parse, read every option the window
// takes from them, then save and load again. A loaded configuration must
// always save to a file that loads back with the same aliases, conditions
// and selection.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include <QString>
#include <json/json.h>

#include "config/ConfigFile.h"
#include "config/ConfigOptions.h"
#include "tests/fuzz/FuzzLog.h"

using namespace zrlfuzz;

namespace {

std::string configPath;

void check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "config_fuzz: %s\n", what);
  std::abort();
}

bool parseText(const std::string& text, Json::Value& out) {
  Json::CharReaderBuilder builder;
  std::istringstream in(text);
  std::string errors;
  return Json::parseFromStream(builder, in, &out, &errors);
}

SavedOptions savedFrom(const LoadedOptions& loaded, const QStringList& selected) {
  SavedOptions saved;
  saved.floatFormat = loaded.floatFormat.value_or(QStringLiteral("Tarvik"));
  saved.columnSeparator = loaded.columnSeparator.value_or(QStringLiteral(";"));
  saved.decimalSeparator = loaded.decimalSeparator.value_or(QStringLiteral("."));
  saved.frequency = QStringLiteral("None");
  saved.method = loaded.methodTexts.isEmpty() ? QStringLiteral("Median") : loaded.methodTexts.last();
  saved.milliseconds = loaded.milliseconds;
  saved.utc = loaded.utc;
  saved.aliases = loaded.aliases;
  saved.conditions = loaded.conditions;
  saved.selectedNames = selected;
  return saved;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silenceStdout();
  configPath = scratchDir() + "/decoderConf.json";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(configPath.c_str(), "wb");
  check(f != nullptr, "cannot write the configuration");
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  Json::Value config;
  if (!parseConfigFile(QString::fromStdString(configPath), config, size % 2 == 0)) return 0;
  const LoadedOptions loaded = readLoadedOptions(config);
  const QStringList selected = selectedVariableNames(config);

  // Save what was loaded, as the window does, and load it again.
  Json::Value saved = config;
  storeSavedOptions(saved, savedFrom(loaded, selected));
  Json::Value reloaded;
  check(parseText(serializeConfig(saved), reloaded), "a saved configuration does not parse");
  const LoadedOptions again = readLoadedOptions(reloaded);
  check(again.aliases == loaded.aliases, "aliases changed on save");
  check(again.conditions == loaded.conditions, "conditions changed on save");
  check(selectedVariableNames(reloaded) == selected, "selection changed on save");
  return 0;
}
