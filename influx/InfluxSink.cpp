#include "influx/InfluxSink.h"

namespace zrl {

InfluxSink::InfluxSink(InfluxOptions options, std::function<bool()> cancelled)
    : options_(std::move(options)), cancelled_(std::move(cancelled)) {
  if (options_.batchSize == 0) options_.batchSize = 500;
}

InfluxSink::~InfluxSink() = default;

bool InfluxSink::begin(const DecodeSettings& settings, const std::vector<CsvColumn>& columns,
                       const std::string& serialNumber) {
  // Fields are named like the CSV headings would be, except that a column
  // without an alias keeps its full "Group.Variable" name.
  std::vector<PointField> fields;
  for (const CsvColumn& column : columns) {
    const std::string* name = &column.fullName;
    for (const AliasEntry& alias : settings.aliases) {
      if (alias.first == column.fullName && !alias.second.empty()) name = &alias.second;
    }
    fields.push_back({*name, column.decimals});
  }
  encoder_ = std::make_unique<PointEncoder>(
      options_.measurement,
      std::vector<std::pair<std::string, std::string>>{{"gateway", options_.gateway},
                                                       {"serial", serialNumber}},
      fields, settings.floatFormat);
  poster_ = std::make_unique<HttpBatchPoster>(options_.url, options_.database, cancelled_,
                                              options_.retryWaitsMs);
  pending_.clear();
  pending_.reserve(1 << 20);
  pendingPoints_ = 0;
  pointsWritten_.store(0, std::memory_order_relaxed);
  failed_ = false;
  stopped_ = false;
  errorText_.clear();
  return true;
}

void InfluxSink::writeRow(uint64_t rowMs, const DataValue* const* cells) {
  if (failed_ || stopped_ || !encoder_->append(pending_, rowMs, cells)) return;
  if (++pendingPoints_ >= options_.batchSize) sendPending();
}

bool InfluxSink::end(bool cancelled) {
  if (!failed_ && !stopped_ && !cancelled && pendingPoints_ > 0) sendPending();
  pending_.clear();
  pendingPoints_ = 0;
  return !failed_;
}

void InfluxSink::sendPending() {
  if (poster_->post(pending_)) {
    pointsWritten_.fetch_add(pendingPoints_, std::memory_order_relaxed);
  } else if (cancelled_ && cancelled_()) {
    // The retries were cut short by a cancel, which is not a failure.
    stopped_ = true;
  } else {
    failed_ = true;
    const std::string status = poster_->lastStatus() != 0
                                   ? "HTTP " + std::to_string(poster_->lastStatus())
                                   : std::string("no answer");
    errorText_ = "InfluxDB write to " + poster_->writeUrl() + " failed (" + status + "): " +
                 poster_->lastError() + "; " + std::to_string(pointsWritten()) +
                 " points written";
  }
  pending_.clear();
  pendingPoints_ = 0;
}

}  // namespace zrl
