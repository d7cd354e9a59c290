#include "app/CommandLine.h"

#include <getopt.h>

#include <cstdio>

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
    {nullptr, 0, nullptr, 0},
};

CommandLineOutcome endWith(int status) {
  CommandLineOutcome outcome;
  outcome.proceed = false;
  outcome.exitStatus = status;
  return outcome;
}

}  // namespace

void printUsage(std::ostream& out, const char* programName) {
  out << "Usage: " << (programName ? programName : "") << " [--zrl <path> Full path of file to decode]\n"
      << "\t[--csv <file name> CSV output file name]\n"
      << "\t[--conf <path> Json config file full path]\n"
      << "\t[--alldata] decode all data\n"
      << "\t[--batch] script mode: decode at startup and exit when completed\n"
      << "\t[--verbose] print verbose message on console\n"
      << "\t[--info] print ZRL info json string and exit.\n";
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
      case CsvOption: options.csvName = optarg; break;
      case ConfOption: options.confPath = optarg; break;
      case AllDataOption: options.allData = true; break;
      case BatchOption: options.batch = true; break;
      case VerboseOption: options.verbose = true; break;
      case InfoOption: options.info = true; break;
      case InfluxDatabaseOption: options.influxDatabase = optarg; break;
      case InfluxMeasurementOption: options.influxMeasurement = optarg; break;
      case InfluxGatewayOption: options.influxGateway = optarg; break;
      case InfluxUrlOption: options.influxUrl = optarg; break;
      case 'h': break;
      case HelpOption:
        printUsage(out, programName);
        return endWith(0);
      default:
        // getopt has already said what was wrong on standard error.
        std::fflush(stderr);
        printUsage(out, programName);
        return endWith(0);
    }
  }

  const bool hasDatabase = options.influxDatabase.has_value();
  const bool hasMeasurement = options.influxMeasurement.has_value();
  if (hasDatabase != hasMeasurement) {
    printUsage(out, programName);
    return endWith(1);
  }
  // The window has no database settings, so the database goes with batch
  // runs only; a gateway or address alone would silently write a CSV file.
  const char* misuse = nullptr;
  if (hasDatabase && !options.batch) {
    misuse = "database output works in batch mode only";
  } else if (!hasDatabase && (options.influxGateway || options.influxUrl)) {
    misuse = "--influxGw and --influxURL need --influxBDD and --influxMeasurement";
  }
  if (misuse != nullptr) {
    err << programName << ": " << misuse << "\n";
    err.flush();
    printUsage(out, programName);
    return endWith(2);
  }

  CommandLineOutcome outcome;
  outcome.proceed = true;
  outcome.options = options;
  return outcome;
}
