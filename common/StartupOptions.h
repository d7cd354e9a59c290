// What the command line asked for.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/TimeArgument.h"

struct StartupOptions {
  std::string logPath;   // --zrl
  std::string csvName;   // --csv
  std::string confPath;  // --conf
  bool allData = false;  // --alldata
  bool batch = false;    // --batch
  bool verbose = false;  // --verbose
  bool info = false;     // --info
  // Log files given as plain arguments, decoded after logPath in a batch
  // run; when --zrl is absent the first of them becomes logPath.
  std::vector<std::string> moreLogPaths;
  std::optional<TimeArgument> start;             // --start
  std::optional<TimeArgument> end;               // --end
  std::optional<std::vector<std::string>> vars;  // --vars, split at commas
  std::optional<std::string> outDir;             // --out-dir
  bool quiet = false;                            // --quiet: no progress line
  bool stats = false;                            // --stats: --info reads the records too
  bool printConfig = false;                      // --print-config
  bool force = false;                            // --force: the table replaces a file of its name
  std::optional<std::string> timeFormat;         // --time: iso, epoch-ms or seconds
  bool noBom = false;                            // --no-bom
  bool lf = false;                               // --lf: lines end with LF alone
  std::optional<std::string> format;             // --format: csv, hdf5 or mat
  bool index = false;                            // --index: make the logs' indexes and exit
  bool noIndex = false;                          // --no-index: neither read nor write indexes
  // Database output of a batch run (--influxBDD, --influxMeasurement,
  // --influxGw, --influxURL); an empty argument still counts as given, hence
  // optional rather than empty-means-absent.
  std::optional<std::string> influxDatabase;
  std::optional<std::string> influxMeasurement;
  std::optional<std::string> influxGateway;
  std::optional<std::string> influxUrl;
  // A watched folder (--watch and what goes with it).
  std::optional<std::string> watchDir;   // --watch: decode every log arriving below it
  std::optional<std::string> watchStatus;  // --watch-status [DIR]: "" for every folder
  int settleMs = 5000;                   // --settle: unchanged this long before it is taken
  int rescanMs = 30000;                  // --rescan: look at the whole folder this often
  int jobs = 1;                          // --jobs: decodes at once
  std::optional<std::string> doneDir;    // --done-dir
  std::optional<std::string> failedDir;  // --failed-dir
};
