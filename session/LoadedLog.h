// One log file whose head has been read: what it holds, and the decoder
// that decodes it. The decoder reports progress and problems through one
// callback fixed when it is made; this keeps that callback pointing at
// whoever listens now (the load, then each decode in turn).
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zrl {
class Decoder;
struct VariableListing;
}  // namespace zrl

class LoadedLog {
 public:
  // (bytes read, total bytes, problem text or empty); called on the thread
  // that runs the decoder.
  using Listener = std::function<void(std::uint64_t, std::uint64_t, const std::string&)>;

  // Reads the head of `path` now; what the reading reports goes to `listener`.
  LoadedLog(const QString& path, bool verbose, Listener listener);
  ~LoadedLog();
  LoadedLog(const LoadedLog&) = delete;
  LoadedLog& operator=(const LoadedLog&) = delete;

  const QString& path() const { return path_; }
  // Why the head was refused (bad magic, newer format); empty otherwise,
  // also when the file could not be opened or its head is cut short.
  QString loadError() const;
  bool headRead() const;
  // The problem the head's reading reported, if any (also a file that could
  // not be opened).
  const QString& readProblem() const { return readProblem_; }

  // The variables in catalog order and their full names.
  const std::vector<zrl::VariableListing>& variables() const { return variables_; }
  const QStringList& variableNames() const { return names_; }

  std::int64_t startMs() const;
  std::int64_t endMs() const;
  float recordingFrequency() const;
  QString serial() const;
  QString firmware() const;

  zrl::Decoder& decoder() { return *decoder_; }
  const zrl::Decoder& decoder() const { return *decoder_; }
  // Only while the decoder does not run.
  void setListener(Listener listener);

 private:
  void relay(std::uint64_t done, std::uint64_t total, const std::string& message);

  QString path_;
  QString readProblem_;
  std::mutex listenerMutex_;
  Listener listener_;
  std::unique_ptr<zrl::Decoder> decoder_;
  std::vector<zrl::VariableListing> variables_;
  QStringList names_;
};
