// The database destination of a decode: each finished row becomes one point
// of the protocol's line format, and every `batchSize` points are posted to
// the server together. Points are counted once the server took their batch.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "decode/RowSink.h"
#include "influx/HttpBatchPoster.h"
#include "influx/LineProtocol.h"

namespace zrl {

struct InfluxOptions {
  std::string url = "http://localhost:8086";
  std::string database;
  std::string measurement;
  std::string gateway;      // tag gateway=..., left out when empty
  uint32_t batchSize = 500;  // 0 counts as the default
  std::vector<int> retryWaitsMs = {500, 1000, 2000};
};

class InfluxSink : public RowSink {
 public:
  // `cancelled` is asked between retries of a failed batch.
  InfluxSink(InfluxOptions options, std::function<bool()> cancelled);
  ~InfluxSink() override;

  bool begin(const DecodeSettings& settings, const std::vector<CsvColumn>& columns,
             const std::string& serialNumber) override;
  void writeRow(uint64_t rowMs, const DataValue* const* cells) override;
  bool end(bool cancelled) override;
  bool failed() const override { return failed_; }
  const std::string& errorText() const override { return errorText_; }

  // Points the server has taken so far; readable from any thread.
  uint64_t pointsWritten() const { return pointsWritten_.load(std::memory_order_relaxed); }
  const InfluxOptions& options() const { return options_; }

 private:
  void sendPending();

  InfluxOptions options_;
  std::function<bool()> cancelled_;
  std::unique_ptr<PointEncoder> encoder_;
  std::unique_ptr<HttpBatchPoster> poster_;
  std::string pending_;        // lines not yet sent
  uint32_t pendingPoints_ = 0;
  std::atomic<uint64_t> pointsWritten_{0};
  bool failed_ = false;
  bool stopped_ = false;  // cancelled while a batch was being retried
  std::string errorText_;
};

}  // namespace zrl
