#include "session/LoadedLog.h"

#include "decode/Decoder.h"
#include "common/PathText.h"

LoadedLog::LoadedLog(const QString& path, bool verbose, Listener listener)
    : path_(path), listener_(std::move(listener)) {
  decoder_ = std::make_unique<zrl::Decoder>(
      pathBytes(path), verbose,
      [this](std::uint64_t done, std::uint64_t total, const std::string& message) { relay(done, total, message); });
  variables_ = decoder_->listVariables();
  for (const zrl::VariableListing& variable : variables_) names_.append(QString::fromStdString(variable.fullName));
}

LoadedLog::~LoadedLog() = default;

void LoadedLog::relay(std::uint64_t done, std::uint64_t total, const std::string& message) {
  if (!message.empty() && readProblem_.isEmpty() && !decoder_) readProblem_ = QString::fromStdString(message);
  std::lock_guard<std::mutex> lock(listenerMutex_);
  if (listener_) listener_(done, total, message);
}

void LoadedLog::setListener(Listener listener) {
  std::lock_guard<std::mutex> lock(listenerMutex_);
  listener_ = std::move(listener);
}

QString LoadedLog::loadError() const { return QString::fromStdString(decoder_->loadError()); }
bool LoadedLog::headRead() const { return decoder_->headRead(); }
std::int64_t LoadedLog::startMs() const { return decoder_->fileStartMs(); }
std::int64_t LoadedLog::endMs() const { return decoder_->fileEndMs(); }
float LoadedLog::recordingFrequency() const { return decoder_->recordingFrequency(); }
QString LoadedLog::serial() const { return QString::fromStdString(decoder_->serial()); }
QString LoadedLog::firmware() const { return QString::fromStdString(decoder_->firmware()); }
