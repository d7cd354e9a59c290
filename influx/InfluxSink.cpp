#include "influx/InfluxSink.h"

namespace zrl {

InfluxSink::InfluxSink(InfluxOptions options, std::function<bool()> cancelled)
    : options_(std::move(options)), cancelled_(std::move(cancelled)) {
  if (options_.batchSize == 0) options_.batchSize = 500;
}

InfluxSink::~InfluxSink() { stopSender(); }

bool InfluxSink::begin(const DecodeSettings& settings, const std::vector<OutputColumn>& columns,
                       const std::string& serialNumber) {
  stopSender();
  // The server would refuse every batch (or, for "#", take each line for a
  // comment and drop it without a word): say so before anything is sent.
  if (options_.measurement.empty() || options_.measurement[0] == '#') {
    errorText_ = "InfluxDB measurement name \"" + options_.measurement +
                 "\" is not usable: it must not be empty or start with #";
    return false;
  }
  // Fields are named like the CSV headings would be, except that a column
  // without an alias keeps its full "Group.Variable" name.
  std::vector<PointField> fields;
  for (const OutputColumn& column : columns) {
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
      fields, floatFormatCode(settings.floatFormat));
  poster_ = std::make_unique<HttpBatchPoster>(options_.url, options_.database, cancelled_,
                                              options_.retryWaitsMs);
  pending_.clear();
  pending_.reserve(1 << 20);
  pendingPoints_ = 0;
  pointsWritten_.store(0, std::memory_order_relaxed);
  failed_.store(false, std::memory_order_relaxed);
  errorText_.clear();
  stopped_ = false;
  hasBatch_ = false;
  stopping_ = false;
  sender_ = std::thread([this] { sendLoop(); });
  return true;
}

void InfluxSink::writeRow(uint64_t rowMs, const DataValue* const* cells) {
  if (!encoder_->append(pending_, rowMs, cells)) return;
  if (++pendingPoints_ >= options_.batchSize) handOver();
}

bool InfluxSink::end(bool cancelled) {
  if (!cancelled && pendingPoints_ > 0) handOver();
  {
    std::unique_lock<std::mutex> lock(mutex_);
    waitUntilSent(lock);
  }
  stopSender();
  pending_.clear();
  pendingPoints_ = 0;
  return !failed();
}

void InfluxSink::handOver() {
  std::unique_lock<std::mutex> lock(mutex_);
  waitUntilSent(lock);
  if (!failed() && !stopped_) {
    pending_.swap(sending_);
    sendingPoints_ = pendingPoints_;
    hasBatch_ = true;
    changed_.notify_all();
  }
  pending_.clear();
  pendingPoints_ = 0;
}

void InfluxSink::waitUntilSent(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [this] { return !hasBatch_; });
}

void InfluxSink::stopSender() {
  if (!sender_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    changed_.notify_all();
  }
  sender_.join();
}

void InfluxSink::sendLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return hasBatch_ || stopping_; });
    if (!hasBatch_) return;
    lock.unlock();
    const bool sent = poster_->post(sending_);
    lock.lock();
    if (sent) {
      pointsWritten_.fetch_add(sendingPoints_, std::memory_order_relaxed);
    } else if (cancelled_ && cancelled_()) {
      // The retries were cut short by a cancel, which is not a failure.
      stopped_ = true;
    } else {
      const std::string status = poster_->lastStatus() != 0
                                     ? "HTTP " + std::to_string(poster_->lastStatus())
                                     : std::string("no answer");
      errorText_ = "InfluxDB write to " + poster_->writeUrl() + " failed (" + status +
                   "): " + poster_->lastError() + "; " + std::to_string(pointsWritten()) +
                   " points written";
      failed_.store(true, std::memory_order_release);
    }
    sending_.clear();
    hasBatch_ = false;
    changed_.notify_all();
  }
}

}  // namespace zrl
