// One decode as the engine takes it: the loaded log, typed settings (the
// engine knows nothing of the window's texts), the variables by id, and
// where the rows go. Made from a session by a pure step, planDecode().
#pragma once

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

#include "common/TimeArgument.h"
#include "decode/DecodeSettings.h"
#include "decode/OutputFormat.h"
#include "influx/InfluxSink.h"

class LoadedLog;
class Session;

// The texts a refused decode shows.
inline constexpr char kNoVariablesText[] =
    "⚠️ ERROR: No variables selected for decoding. Please select at least one variable.";
inline constexpr char kSameSeparatorsText[] = "⚠️ ERROR: Decimal separator and column separator cannot be identical";

struct DecodeJob {
  std::shared_ptr<LoadedLog> log;
  // Everything but the selection, which goes by id below.
  zrl::DecodeSettings settings;
  std::vector<std::uint16_t> selectedIds;
  // Rows to the database instead of a CSV file.
  std::optional<zrl::InfluxOptions> database;
  // The kind of file the rows go to when they go to a file.
  zrl::OutputFormat format = zrl::OutputFormat::Csv;
  // The window's edges as the CSV shows times (UTC or local time).
  QDateTime start;
  QDateTime end;

  // Why the engine cannot run this job (no variable, the same character as
  // column and decimal separator); empty when it can.
  QString validate() const;
};

// What a run asks beyond the session: the command line's window, output
// name and folder, and database.
struct DecodeRequestOverrides {
  std::optional<TimeArgument> start;
  std::optional<TimeArgument> end;
  QString csvName;               // empty: the generated name
  std::optional<QString> outDir;  // instead of the configuration's folder
  int outputDescriptor = -1;     // for csvName "-": where the table goes
  bool replaceOutput = false;    // --force
  std::optional<zrl::InfluxOptions> database;
  QString selectionFailure;  // the selection could not be made (--vars)
};

struct DecodePlan {
  std::optional<DecodeJob> job;
  QString refusal;      // the decode cannot start: why
  QString usageError;   // the command line contradicts itself for this log
};

// The session's loaded log, options, aliases, conditions, selection and time
// window, with `overrides`, as one job. The output folder of a generated
// name is made by the decode, once it has a table to write.
DecodePlan planDecode(const Session& session, const DecodeRequestOverrides& overrides);

// The edges of a window chosen in whole seconds: an edge in the file's first
// or last second means the file's own edge.
std::int64_t snapToFileEdge(std::int64_t chosenMs, std::int64_t fileEdgeMs);
