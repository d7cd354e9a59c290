// Runs one decode at a time in the background, for the window and for batch
// runs alike: start a job, follow its progress, cancel it, and receive its
// outcome as a value.
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "session/DecodeJob.h"

namespace zrl {
class Decoder;
class InfluxSink;
class RowSink;
}  // namespace zrl

// What the status line and a batch run say about a cancelled decode.
inline constexpr char kDecodeCancelledText[] = "Decode cancelled";

struct DecodeOutcome {
  enum class Status { Succeeded, Failed, Cancelled };
  Status status = Status::Failed;
  QString message;      // the failure, as the decode reported it
  QString outputPath;   // the file written, when the rows went to a file
  bool toDatabase = false;
  std::uint64_t pointsWritten = 0;  // database output
  std::uint64_t rowsSharingTime = 0;  // see zrl::Decoder::rowsSharingTime
  std::uint64_t rowsWritten = 0;      // rows of the table, or handed to the database
  int stopSignal = 0;   // the signal that ended the decode, if one did

  bool succeeded() const { return status == Status::Succeeded; }
  bool cancelled() const { return status == Status::Cancelled; }
};

// Told about a running decode; progressed and problemReported are called on
// the decode's thread, aboutToRun on the thread that starts it.
class DecodeObserver {
 public:
  virtual ~DecodeObserver() = default;
  // The settings are in the decoder; nothing has been written yet.
  virtual void aboutToRun(const DecodeJob& job, const zrl::Decoder& decoder) {
    (void)job;
    (void)decoder;
  }
  virtual void progressed(std::uint64_t done, std::uint64_t total) {
    (void)done;
    (void)total;
  }
  virtual void problemReported(const QString& text) { (void)text; }
};

class DecodeController : public QObject {
  Q_OBJECT

 public:
  explicit DecodeController(QObject* parent = nullptr);
  // Cancels a running decode and waits for it.
  ~DecodeController() override;

  // Starts `job` on a thread of its own; false when a decode is running.
  // `observer` (not owned) must outlive the decode.
  bool start(DecodeJob job, DecodeObserver* observer = nullptr);
  bool running() const { return running_; }
  // Asks the running decode to stop at its next record; finished() follows.
  void cancel();
  // Cancels and waits until the decode has ended (finished() still follows).
  void cancelAndWait();

  // Of the running or last decode, from any thread.
  int progressPercent() const { return progressPercent_.load(); }
  QString problemText() const;
  std::uint64_t pointsWritten() const;
  // The running or last decode sends its rows to the database.
  bool sendsToDatabase() const { return sink_ != nullptr; }

  // Tests that act while a decode runs stretch it: a pause after each
  // progress report, whatever the machine's speed.
  void setPausePerReport(std::chrono::microseconds pause) { pausePerReport_ = pause; }

 signals:
  void started();
  // On the controller's thread, once the decode's thread has ended.
  void finished(const DecodeOutcome& outcome);

 private:
  void report(std::uint64_t done, std::uint64_t total, const std::string& message);
  void runJob();
  void complete();

  std::thread worker_;
  bool running_ = false;
  DecodeJob job_;
  DecodeObserver* observer_ = nullptr;
  std::shared_ptr<zrl::InfluxSink> sink_;
  std::unique_ptr<zrl::RowSink> fileSink_;  // an HDF5 or MATLAB file
  std::chrono::microseconds pausePerReport_{0};
  std::atomic<int> progressPercent_{0};
  mutable std::mutex problemMutex_;
  QString problemText_;
};

Q_DECLARE_METATYPE(DecodeOutcome)
