#include "task/DecodeController.h"

#include <QMetaObject>

#include "common/PathText.h"
#include "decode/Decoder.h"
#include "hdf5/Hdf5Sink.h"
#include "influx/InfluxSink.h"
#include "matlab/MatlabSink.h"
#include "session/LoadedLog.h"
#include "task/DecodeProgress.h"

using namespace zrl;

DecodeController::DecodeController(QObject* parent) : QObject(parent) {
  qRegisterMetaType<DecodeOutcome>("DecodeOutcome");
}

DecodeController::~DecodeController() {
  cancelAndWait();
  if (job_.log) job_.log->setListener(nullptr);
}

bool DecodeController::start(DecodeJob job, DecodeObserver* observer) {
  if (running_ || !job.log) return false;
  if (worker_.joinable()) worker_.join();
  job_ = std::move(job);
  observer_ = observer;
  progressPercent_.store(0);
  {
    std::lock_guard<std::mutex> lock(problemMutex_);
    problemText_.clear();
  }

  Decoder& d = job_.log->decoder();
  d.settings() = job_.settings;
  d.clearSelection();
  for (const std::uint16_t id : job_.selectedIds) d.setSelected(id, true);
  fileSink_.reset();
  if (job_.database) {
    sink_ = std::make_shared<InfluxSink>(*job_.database, [&d] { return d.cancelRequested(); });
    d.setRowSink(sink_.get());
  } else {
    sink_.reset();
    if (job_.format == OutputFormat::Hdf5) fileSink_ = std::make_unique<Hdf5Sink>();
    if (job_.format == OutputFormat::Matlab) fileSink_ = std::make_unique<MatlabSink>();
    d.setRowSink(fileSink_.get());
  }
  job_.log->setListener([this](std::uint64_t done, std::uint64_t total, const std::string& message) {
    report(done, total, message);
  });
  if (observer_) observer_->aboutToRun(job_, d);

  d.clearCancelRequest();
  running_ = true;
  emit started();
  worker_ = std::thread([this] { runJob(); });
  return true;
}

void DecodeController::runJob() {
  job_.log->decoder().run();
  QMetaObject::invokeMethod(this, [this] { complete(); }, Qt::QueuedConnection);
}

void DecodeController::complete() {
  if (!running_) return;
  if (worker_.joinable()) worker_.join();
  running_ = false;
  const Decoder& d = job_.log->decoder();
  DecodeOutcome outcome;
  outcome.outputPath = pathFromBytes(d.outputPath());
  outcome.toDatabase = sink_ != nullptr;
  outcome.pointsWritten = sink_ ? sink_->pointsWritten() : 0;
  outcome.rowsSharingTime = d.rowsSharingTime();
  outcome.rowsWritten = d.rowsWritten();
  outcome.message = problemText();
  if (d.cancelled()) {
    outcome.status = DecodeOutcome::Status::Cancelled;
    outcome.stopSignal = zrl::stopSignal.load();
  } else {
    outcome.status = outcome.message.isEmpty() ? DecodeOutcome::Status::Succeeded : DecodeOutcome::Status::Failed;
  }
  job_.log->decoder().setRowSink(nullptr);
  job_.log->setListener(nullptr);
  observer_ = nullptr;
  emit finished(outcome);
}

void DecodeController::cancel() {
  if (running_ && job_.log) job_.log->decoder().requestCancel();
}

void DecodeController::cancelAndWait() {
  cancel();
  if (worker_.joinable()) worker_.join();
}

QString DecodeController::problemText() const {
  std::lock_guard<std::mutex> lock(problemMutex_);
  return problemText_;
}

std::uint64_t DecodeController::pointsWritten() const { return sink_ ? sink_->pointsWritten() : 0; }

// The decode's progress channel, called on the worker thread.
void DecodeController::report(std::uint64_t done, std::uint64_t total, const std::string& message) {
  progressPercent_.store(progressPercentFor(done, total));
  if (observer_) observer_->progressed(done, total);
  if (pausePerReport_.count() > 0) std::this_thread::sleep_for(pausePerReport_);
  if (message.empty()) return;
  const QString text = QString::fromStdString(message);
  {
    std::lock_guard<std::mutex> lock(problemMutex_);
    problemText_ = text;
  }
  if (observer_) observer_->problemReported(text);
}
