#include "app/CommandLine.h"

#include <getopt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "common/VariablePatterns.h"

#ifndef ZRL_VERSION
#define ZRL_VERSION "unknown"
#endif

namespace {

enum OptionId {
  ZrlOption = 1000,
  CsvOption,
  ConfOption,
  AllDataOption,
  BatchOption,
  VerboseOption,
  InfoOption,
  InfluxDatabaseOption,
  InfluxMeasurementOption,
  InfluxGatewayOption,
  InfluxUrlOption,
  HelpOption,
  StartOption,
  EndOption,
  VarsOption,
  OutDirOption,
  QuietOption,
  VersionOption,
  ForceOption,
  PrintConfigOption,
  StatsOption,
  TimeOption,
  NoBomOption,
  LfOption,
  FormatOption,
  IndexOption,
  NoIndexOption,
  // The watched folder's options.
  WatchOption,
  WatchStatusOption,
  SettleOption,
  RescanOption,
  JobsOption,
  DoneDirOption,
  FailedDirOption,
};

const option kLongOptions[] = {
    {"zrl", required_argument, nullptr, ZrlOption},
    {"csv", required_argument, nullptr, CsvOption},
    {"conf", required_argument, nullptr, ConfOption},
    {"alldata", no_argument, nullptr, AllDataOption},
    {"batch", no_argument, nullptr, BatchOption},
    {"verbose", no_argument, nullptr, VerboseOption},
    {"info", no_argument, nullptr, InfoOption},
    {"influxBDD", required_argument, nullptr, InfluxDatabaseOption},
    {"influxMeasurement", required_argument, nullptr, InfluxMeasurementOption},
    {"influxGw", required_argument, nullptr, InfluxGatewayOption},
    {"influxURL", required_argument, nullptr, InfluxUrlOption},
    {"help", no_argument, nullptr, HelpOption},
    {"start", required_argument, nullptr, StartOption},
    {"end", required_argument, nullptr, EndOption},
    {"vars", required_argument, nullptr, VarsOption},
    {"out-dir", required_argument, nullptr, OutDirOption},
    {"quiet", no_argument, nullptr, QuietOption},
    {"version", no_argument, nullptr, VersionOption},
    {"force", no_argument, nullptr, ForceOption},
    {"print-config", no_argument, nullptr, PrintConfigOption},
    {"stats", no_argument, nullptr, StatsOption},
    {"time", required_argument, nullptr, TimeOption},
    {"no-bom", no_argument, nullptr, NoBomOption},
    {"lf", no_argument, nullptr, LfOption},
    {"format", required_argument, nullptr, FormatOption},
    {"index", no_argument, nullptr, IndexOption},
    {"no-index", no_argument, nullptr, NoIndexOption},
    {"watch", required_argument, nullptr, WatchOption},
    {"watch-status", optional_argument, nullptr, WatchStatusOption},
    {"settle", required_argument, nullptr, SettleOption},
    {"rescan", required_argument, nullptr, RescanOption},
    {"jobs", required_argument, nullptr, JobsOption},
    {"done-dir", required_argument, nullptr, DoneDirOption},
    {"failed-dir", required_argument, nullptr, FailedDirOption},
    {nullptr, 0, nullptr, 0},
};

// Scripts tell a mistyped command from a failed decode by this status.
constexpr int kUsageStatus = 2;

// Seconds as the watch options take them ("0.2", "5"), in milliseconds;
// none when the text is no number of seconds in [0, limit].
std::optional<int> secondsArgument(const char* text, double limitSeconds) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0' || !(value >= 0.0) || value > limitSeconds) return std::nullopt;
  return static_cast<int>(value * 1000.0 + 0.5);
}

CommandLineOutcome endWith(int status) {
  CommandLineOutcome outcome;
  outcome.proceed = false;
  outcome.exitStatus = status;
  return outcome;
}

// A value the parser itself accepted but that makes no sense: said in the
// parser's manner, then the usage.
CommandLineOutcome usageError(std::ostream& out, std::ostream& err, const char* programName,
                              const std::string& message) {
  (void)out;
  err << programName << ": " << message << "\n";
  err.flush();
  printUsage(err, programName);
  return endWith(kUsageStatus);
}

}  // namespace

void printUsage(std::ostream& out, const char* programName) {
  // The program's own name, not the path it was started by.
  const char* slash = programName ? std::strrchr(programName, '/') : nullptr;
  const char* name = slash ? slash + 1 : (programName ? programName : "");
  out << "Usage: " << name << " [--zrl <path> Full path of file to decode]\n"
      << "\t[--csv <file name> CSV output file name; - for standard output]\n"
      << "\t[--conf <path> Json config file full path]\n"
      << "\t[--alldata] decode all data\n"
      << "\t[--batch] script mode: decode at startup and exit when completed\n"
      << "\t[--verbose] print verbose message on console\n"
      << "\t[--info] print ZRL info json string and exit.\n"
      << "\t\t[--stats] with --info: also per variable its samples, times, rate and range (reads the whole log)\n"
      << "\t[--start <time>] [--end <time>] time window of a batch run: 2026-03-14T09:27:53[.mmm][Z|+hh:mm]\n"
      << "\t\t(no zone: UTC or local time as the configuration's \"utc\" says) or +<seconds> from the file's start\n"
      << "\t[--vars <list>] comma-separated variable names or patterns (Engine.*), instead of the configured selection\n"
      << "\t[--out-dir <dir>] output directory of this run\n"
      << "\t[--force] the finished table replaces a file of the same name (atomically) instead of taking \"name (2)\"\n"
      << "\t[--time iso|epoch-ms|seconds] one \"Time\" column instead of \"Date\" and \"Hour\": ISO 8601 with milliseconds\n"
      << "\t\tand zone, milliseconds since 1970, or seconds from the log's start\n"
      << "\t[--no-bom] no byte order mark at the start of the CSV file\n"
      << "\t[--lf] CSV lines end with LF instead of CR LF\n"
      << "\t[--format csv|hdf5|mat] the rows as CSV text (default), or as typed columns in an HDF5 (.h5) or a\n"
      << "\t\tMATLAB v7.3 (.mat) file\n"
      << "\t[--index] make the index of each log given (in $XDG_CACHE_HOME/zrl-decoder) and print its path\n"
      << "\t[--no-index] neither use nor make log indexes (which let windows, previews and --stats skip inflating)\n"
      << "\t[--quiet] no progress line on standard error\n"
      << "\t[--print-config] print the configuration this run would use (--conf and the options) as JSON and exit\n"
      << "\t[--influxBDD <database> --influxMeasurement <name>] batch rows to InfluxDB instead of a CSV file\n"
      << "\t\t[--influxURL <url>] server address (default http://localhost:8086) [--influxGw <tag>] gateway tag\n"
      << "\t[--watch <dir>] keep decoding every log that arrives in dir or below it, each once, until stopped\n"
      << "\t\t[--settle <seconds>] a finalised log is taken once unchanged this long (default 5)\n"
      << "\t\t[--rescan <seconds>] look at the whole folder this often besides its file events (default 30)\n"
      << "\t\t[--jobs <n>] decode up to n logs at once (default 1)\n"
      << "\t\t[--done-dir <dir>] [--failed-dir <dir>] move each log there after its decode\n"
      << "\t[--watch-status [<dir>]] print what the watched folders have done, failed (and why) and pending\n"
      << "\t[--version] print the program version and exit\n"
      << "\t[-h, --help] print this text and exit\n"
      << "\t[<log file>...] more logs, decoded in turn with the same settings, each to its own default-named CSV\n"
      << "Errors and warnings go to standard error, results to standard output.\n"
      << "Exit status: 0 success, 1 a load or decode failed, 2 usage error, 128+N ended by signal N.\n";
  out.flush();
}

CommandLineOutcome parseCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err) {
  const char* programName = argc > 0 ? argv[0] : "";
  StartupOptions options;

  // getopt keeps its position in globals; 0 asks glibc for a full restart so
  // the parser can run more than once in a process.
  optind = 0;
  opterr = 1;
  for (;;) {
    int index = 0;
    const int id = getopt_long(argc, argv, "h", kLongOptions, &index);
    if (id == -1) break;
    switch (id) {
      case ZrlOption: options.logPath = optarg; break;
      case CsvOption:
        // An empty name would silently mean "the generated name".
        if (*optarg == '\0') return usageError(out, err, programName, "--csv needs a file name");
        options.csvName = optarg;
        break;
      case ConfOption: options.confPath = optarg; break;
      case AllDataOption: options.allData = true; break;
      case BatchOption: options.batch = true; break;
      case VerboseOption: options.verbose = true; break;
      case InfoOption: options.info = true; break;
      case InfluxDatabaseOption: options.influxDatabase = optarg; break;
      case InfluxMeasurementOption: options.influxMeasurement = optarg; break;
      case InfluxGatewayOption: options.influxGateway = optarg; break;
      case InfluxUrlOption: options.influxUrl = optarg; break;
      case StartOption:
      case EndOption: {
        const std::optional<TimeArgument> time = parseTimeArgument(optarg);
        const char* name = id == StartOption ? "--start" : "--end";
        if (!time)
          return usageError(out, err, programName,
                            std::string("invalid time for ") + name + " '" + optarg +
                                "': expected 2026-03-14T09:27:53[.mmm][Z|+hh:mm] or +<seconds>");
        (id == StartOption ? options.start : options.end) = time;
        break;
      }
      case VarsOption:
        options.vars = splitVariableList(optarg);
        if (options.vars->empty()) return usageError(out, err, programName, "--vars names no variable");
        break;
      case OutDirOption:
        // An empty directory would put the generated names at the root.
        if (*optarg == '\0') return usageError(out, err, programName, "--out-dir needs a directory");
        options.outDir = optarg;
        break;
      case QuietOption: options.quiet = true; break;
      case ForceOption: options.force = true; break;
      case PrintConfigOption: options.printConfig = true; break;
      case StatsOption: options.stats = true; break;
      case TimeOption:
        if (std::strcmp(optarg, "iso") != 0 && std::strcmp(optarg, "epoch-ms") != 0 &&
            std::strcmp(optarg, "seconds") != 0)
          return usageError(out, err, programName,
                            std::string("--time '") + optarg + "' is unknown: choose iso, epoch-ms, seconds");
        options.timeFormat = optarg;
        break;
      case NoBomOption: options.noBom = true; break;
      case LfOption: options.lf = true; break;
      case FormatOption:
        if (std::strcmp(optarg, "csv") != 0 && std::strcmp(optarg, "hdf5") != 0 && std::strcmp(optarg, "mat") != 0)
          return usageError(out, err, programName,
                            std::string("--format '") + optarg + "' is unknown: choose csv, hdf5, mat");
        options.format = optarg;
        break;
      case IndexOption: options.index = true; break;
      case NoIndexOption: options.noIndex = true; break;
      case WatchOption:
        if (*optarg == '\0') return usageError(out, err, programName, "--watch needs a folder");
        options.watchDir = optarg;
        break;
      case WatchStatusOption: options.watchStatus = optarg ? optarg : ""; break;
      case SettleOption:
      case RescanOption: {
        const std::optional<int> ms = secondsArgument(optarg, 86400.0);
        const bool settle = id == SettleOption;
        if (!ms || (!settle && *ms < 100))
          return usageError(out, err, programName,
                            std::string(settle ? "--settle" : "--rescan") + " '" + optarg +
                                "' is not a number of seconds" + (settle ? "" : " (0.1 or more)"));
        (settle ? options.settleMs : options.rescanMs) = *ms;
        break;
      }
      case JobsOption: {
        char* end = nullptr;
        const long jobs = std::strtol(optarg, &end, 10);
        if (end == optarg || *end != '\0' || jobs < 1 || jobs > 64)
          return usageError(out, err, programName, std::string("--jobs '") + optarg + "' is not a number from 1 to 64");
        options.jobs = static_cast<int>(jobs);
        break;
      }
      case DoneDirOption:
      case FailedDirOption:
        if (*optarg == '\0') return usageError(out, err, programName, "--done-dir and --failed-dir need a folder");
        (id == DoneDirOption ? options.doneDir : options.failedDir) = optarg;
        break;
      case VersionOption:
        out << "zrl-decoder " << ZRL_VERSION << "\n";
        out.flush();
        return endWith(0);
      case 'h':
      case HelpOption:
        printUsage(out, programName);
        return endWith(0);
      default:
        // getopt has already said what was wrong on standard error.
        std::fflush(stderr);
        printUsage(err, programName);
        return endWith(kUsageStatus);
    }
  }
  for (int i = optind; i < argc; ++i) options.moreLogPaths.emplace_back(argv[i]);
  if (options.logPath.empty() && !options.moreLogPaths.empty()) {
    options.logPath = options.moreLogPaths.front();
    options.moreLogPaths.erase(options.moreLogPaths.begin());
  }

  if (options.watchStatus || options.watchDir) {
    // `--watch-status DIR` names its folder as a plain word too.
    if (options.watchStatus && options.watchStatus->empty() && !options.logPath.empty() &&
        options.moreLogPaths.empty()) {
      options.watchStatus = options.logPath;
      options.logPath.clear();
    }
    const char* conflict = nullptr;
    if (options.watchStatus && options.watchDir) conflict = "--watch-status and --watch are separate runs";
    else if (!options.logPath.empty()) conflict = "a watched folder takes no log file: its logs are found in it";
    else if (!options.csvName.empty()) conflict = "--csv names one file, but a watched folder gives each log its own";
    else if (options.batch || options.info || options.printConfig) conflict = "--watch runs alone, without --batch, --info or --print-config";
    if (conflict != nullptr) return usageError(out, err, programName, conflict);
  } else if (options.doneDir || options.failedDir) {
    return usageError(out, err, programName, "--done-dir and --failed-dir go with --watch");
  }

  if (!options.csvName.empty() && !options.moreLogPaths.empty())
    return usageError(out, err, programName, "--csv names one output file, but several logs were given");
  if (options.start && options.end && endVisiblyBeforeStart(*options.start, *options.end))
    return usageError(out, err, programName,
                      "--end " + options.end->text + " is before --start " + options.start->text);

  const bool hasDatabase = options.influxDatabase.has_value();
  const bool hasMeasurement = options.influxMeasurement.has_value();
  if (hasDatabase != hasMeasurement) {
    printUsage(err, programName);
    return endWith(1);
  }
  // The window has no database settings, so the database goes with batch
  // runs only; a gateway or address alone would silently write a CSV file.
  const char* misuse = nullptr;
  if (hasDatabase && !options.batch && !options.watchDir) {
    misuse = "database output works in batch mode only";
  } else if (!hasDatabase && (options.influxGateway || options.influxUrl)) {
    misuse = "--influxGw and --influxURL need --influxBDD and --influxMeasurement";
  }
  if (misuse != nullptr) {
    err << programName << ": " << misuse << "\n";
    err.flush();
    printUsage(err, programName);
    return endWith(2);
  }

  if (options.stats && !options.info) return usageError(out, err, programName, "--stats goes with --info");
  if (options.index && (options.noIndex || options.info || options.batch))
    return usageError(out, err, programName, "--index goes without --no-index, --info and --batch");
  if (options.index && options.logPath.empty()) return usageError(out, err, programName, "--index needs a log file");
  // Without a log there is nothing to describe, and no window to open either.
  if (options.info && options.logPath.empty() && !options.printConfig)
    return usageError(out, err, programName, "--info needs a log file");

  CommandLineOutcome outcome;
  outcome.proceed = true;
  outcome.options = options;
  return outcome;
}
