// A plot-ready summary of a log's record stream: for each chosen variable and
// each pixel column of the file's time span, the smallest and largest value
// seen there. One pass over the records; the memory is fixed by the number
// of columns and variables, whatever the size of the file, so a preview of a
// very long log costs no more than one of a short one.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zrl {

struct EnvelopeSeries {
  uint16_t variableId = 0;
  // One entry per column; NaN in both where the column saw no value.
  std::vector<double> minimum;
  std::vector<double> maximum;
};

// A part of the file's span to summarise; an empty one (end <= start) stands
// for the whole file.
struct EnvelopeRange {
  int64_t startMs = 0;
  int64_t endMs = 0;
  bool whole() const { return endMs <= startMs; }
};

struct PreviewEnvelope {
  // The columns divide [startMs, endMs] (the file's span, or the range asked
  // for) evenly.
  int64_t startMs = 0;
  int64_t endMs = 0;
  std::size_t columns = 0;
  std::vector<EnvelopeSeries> series;  // in the order the ids were asked for

  // The column a time falls in; times outside the span go to the edge column.
  std::size_t columnOf(int64_t timeMs) const;
  // The time at the middle of a column, for drawing.
  double columnMiddleMs(std::size_t column) const;
};

struct PreviewResult {
  bool complete = false;   // everything the envelope needs was read
  bool cancelled = false;
  std::string error;       // why the stream could not be read to its end
  PreviewEnvelope envelope;  // what was read, also after a cancel or an error
};

// Percent of the uncompressed stream read so far, 0 to 100; called when it
// changes.
using PreviewProgress = std::function<void(int percent)>;

// Reads the record stream of `logPath` once and gathers the envelope of the
// Boolean (0/1), Integer, Float and Double variables among `variableIds` (other
// types keep empty columns) over `columns` pixel columns. With a `range`, the
// columns divide that range and values outside it are left out: a zoomed
// plot gets the detail of its own view. Values that are not finite are left
// out too. `cancel` and `progress` are looked at every few thousand records.
//
// A range pass ends at the first timestamp past the range's end, exactly as
// a decode of that time window ends there: records are in time order except
// where the logger's clock was set back, and values logged after such a
// step back are then shown in the range exactly when a decode of the range
// would write them. The whole log is always read to its end.
PreviewResult computePreviewEnvelope(const std::string& logPath, const std::vector<uint16_t>& variableIds,
                                     std::size_t columns, const std::atomic<bool>& cancel,
                                     const PreviewProgress& progress = {}, const EnvelopeRange& range = {});

// Something that knows a log's envelope without reading its record stream
// (an index of the log). It fills `out` for the request (ids, columns and
// range as for computePreviewEnvelope) and returns true, or returns false
// when it has nothing for it; the record stream is read then. It runs on a
// worker thread and should look at `cancel` if it can take long.
using EnvelopeSource =
    std::function<bool(const std::string& logPath, const std::vector<uint16_t>& variableIds, std::size_t columns,
                       const EnvelopeRange& range, const std::atomic<bool>& cancel, PreviewEnvelope& out)>;

}  // namespace zrl
