#include "influx/InfluxSink.h"

#include "decode/DecodeStop.h"

namespace zrl {

namespace {

std::string unusable(const std::string& what, const std::string& name, const std::string& reason) {
  return "InfluxDB " + what + " \"" + name + "\" is not usable: " + reason;
}

}  // namespace

InfluxSink::InfluxSink(InfluxOptions options, std::function<bool()> cancelled)
    : options_(std::move(options)),
      cancelled_([cancelled = std::move(cancelled)] {
        return stopEveryDecode.load(std::memory_order_relaxed) || (cancelled && cancelled());
      }) {
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
  const std::string urlProblem = httpUrlProblem(options_.url);
  if (!urlProblem.empty()) {
    // Whatever follows "?" or "#" may hold credentials as well.
    const std::string shown = urlWithoutCredentials(options_.url);
    const std::size_t cut = shown.find_first_of("?#");
    errorText_ = unusable("URL", cut == std::string::npos ? shown : shown.substr(0, cut) + "...",
                          urlProblem);
    return false;
  }
  // A name the server would keep otherwise than given is refused before
  // anything is sent.
  std::string problem = measurementNameProblem(options_.measurement);
  if (!problem.empty()) {
    errorText_ = unusable("measurement name", options_.measurement, problem);
    return false;
  }
  const std::pair<const char*, const std::string*> tags[] = {{"gateway", &options_.gateway},
                                                             {"serial", &serialNumber}};
  for (const auto& tag : tags) {
    problem = keyNameProblem(*tag.second);
    if (!problem.empty()) {
      errorText_ = unusable(std::string(tag.first) + " tag", *tag.second, problem);
      return false;
    }
  }
  // Fields are named like the CSV headings would be, except that a column
  // without an alias keeps its full "Group.Variable" name.
  std::vector<PointField> fields;
  for (const OutputColumn& column : columns) {
    const std::string* name = &column.fullName;
    for (const AliasEntry& alias : settings.aliases) {
      if (alias.first == column.fullName && !alias.second.empty()) name = &alias.second;
    }
    problem = keyNameProblem(*name);
    if (!problem.empty()) {
      errorText_ = unusable("field name", *name, problem);
      return false;
    }
    fields.push_back({*name, column.decimals});
  }
  encoder_ = std::make_unique<PointEncoder>(
      options_.measurement,
      std::vector<std::pair<std::string, std::string>>{{"gateway", options_.gateway},
                                                       {"serial", serialNumber}},
      fields, floatFormatCode(settings.floatFormat));
  poster_ = std::make_unique<HttpBatchPoster>(options_.url, options_.database, cancelled_,
                                              options_.retryWaitsMs, options_.timeouts);
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
    } else if (cancelled_()) {
      // The batch or its retries were cut short by a cancel, which is not a
      // failure.
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
