// The database destination of a decode: each finished row becomes one point
// of the protocol's line format, and every `batchSize` points are posted to
// the server together. Points are counted once the server took their batch.
//
// Batches are posted by a thread of their own while the decode fills the
// next one, so decoding and the server's work overlap; at most one batch is
// on its way and one being filled, so memory stays flat. A failed batch
// stops the decode at the next hand-over. A cancelled decode sends no more
// batches: the one being filled is dropped, the one on its way abandoned.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "decode/RowSink.h"
#include "influx/HttpBatchPoster.h"
#include "influx/LineProtocol.h"

namespace zrl {

struct InfluxOptions {
  std::string url = "http://localhost:8086";
  std::string database;
  std::string measurement;
  std::string gateway;       // tag gateway=..., left out when empty
  uint32_t batchSize = 500;  // 0 counts as the default
  std::vector<int> retryWaitsMs = {500, 1000, 2000};
  HttpTimeouts timeouts;
};

class InfluxSink : public RowSink {
 public:
  // `cancelled` is asked while a batch is on its way and between retries of
  // a failed one, as is the process-wide stop request.
  InfluxSink(InfluxOptions options, std::function<bool()> cancelled);
  ~InfluxSink() override;

  bool begin(const DecodeSettings& settings, const std::vector<OutputColumn>& columns,
             const std::string& serialNumber) override;
  void writeRow(uint64_t rowMs, const DataValue* const* cells) override;
  bool end(bool cancelled) override;
  bool failed() const override { return failed_.load(std::memory_order_acquire); }
  const std::string& errorText() const override { return errorText_; }

  // Points the server has taken so far; readable from any thread.
  uint64_t pointsWritten() const { return pointsWritten_.load(std::memory_order_relaxed); }
  const InfluxOptions& options() const { return options_; }

 private:
  void handOver();
  void waitUntilSent(std::unique_lock<std::mutex>& lock);
  void stopSender();
  void sendLoop();

  InfluxOptions options_;
  std::function<bool()> cancelled_;
  std::unique_ptr<PointEncoder> encoder_;
  std::unique_ptr<HttpBatchPoster> poster_;
  std::string pending_;  // lines being collected
  uint32_t pendingPoints_ = 0;
  std::atomic<uint64_t> pointsWritten_{0};
  std::atomic<bool> failed_{false};
  std::string errorText_;  // set by the sending thread before failed_
  bool stopped_ = false;   // cancelled while a batch was being retried

  // Hand-over to the sending thread.
  std::thread sender_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string sending_;  // the batch on its way
  uint32_t sendingPoints_ = 0;
  bool hasBatch_ = false;
  bool stopping_ = false;
};

}  // namespace zrl
