// The decoder program without its window: the configuration, the log files
// to decode, aliases and conditions, and the decode of the loaded file as a
// background task with its progress. The window shows this state and turns
// its controls into decode requests; batch and info runs go through the
// same object.
#pragma once

#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <json/json.h>

#include "common/StartupOptions.h"
#include "config/ConfigOptions.h"
#include "task/TerminalProgress.h"

class DecoderRunnable;
namespace zrl {
class Decoder;
class InfluxSink;
}  // namespace zrl

// What the status line and a batch run say about a cancelled decode.
inline constexpr char kDecodeCancelledText[] = "Decode cancelled";

// What the decode of one file takes from the controls, read just before
// that file's decode starts.
struct DecodeRequest {
  int checkedVariables = 0;            // items fully checked
  std::vector<std::uint16_t> selected;  // ids of the items not unchecked
  bool leaveBlank = false;
  bool milliseconds = false;
  QString floatFormat;
  QString columnSeparator;
  QString decimalSeparator;
  bool utc = true;
  bool unitLine = false;
  QString method;
  QString frequency;
  QDateTime start;
  QDateTime end;
};

class DecodeController : public QObject {
  Q_OBJECT

 public:
  // Stores the process-wide flags of `options`.
  explicit DecodeController(const StartupOptions& options, QObject* parent = nullptr);
  // Stops a running decode and waits for it.
  ~DecodeController() override;

  const StartupOptions& startupOptions() const { return startupOptions_; }

  // The configuration file in use and its contents.
  const QString& configPath() const { return configPath_; }
  void setConfigPath(const QString& path) { configPath_ = path; }
  Json::Value& config() { return config_; }
  const Json::Value& config() const { return config_; }
  // Start-up: the --conf file, else the remembered one, else a fresh
  // scratch file.
  void chooseStartupConfig();
  // Reads the configuration file into config() over the default folders;
  // the options it asks for, or nothing when the file is unusable.
  std::optional<LoadedOptions> readConfig();
  // Stores `options` in config() and writes the configuration file.
  bool writeConfig(const SavedOptions& options);
  void rememberConfigPath() const;

  // The log files of the next decode; the first is the loaded one.
  const QStringList& inputFiles() const { return inputFiles_; }
  void setInputFiles(const QStringList& files) { inputFiles_ = files; }
  // Output file named on the command line; empty for a generated name.
  const QString& csvName() const { return csvName_; }

  // [full name, alias] and [full name, "minimum"|"maximum", limit].
  QList<QStringList>& aliases() { return aliases_; }
  const QList<QStringList>& aliases() const { return aliases_; }
  QList<QStringList>& conditions() { return conditions_; }
  const QList<QStringList>& conditions() const { return conditions_; }

  // Reads the head of `path` into a new decode task. A batch run ends on a
  // file that cannot be read; an info run prints the file's summary and
  // ends.
  void openLog(const QString& path);
  DecoderRunnable* decoder() const { return decoder_; }
  Json::Value buildInfoJson() const;
  void releaseDecoder();

  // Decodes every input file; `readControls` is asked for each file's
  // request once that file is loaded. The first file of several, and a
  // single file, run in the background; further files run in turn.
  void decodeInputFiles(const std::function<DecodeRequest()>& readControls);
  bool processing() const { return processing_; }
  // Of the last decode of several files: files skipped because none of the
  // selected variables is in them, and the errors of files before the last.
  const QStringList& decodeProblems() const { return decodeProblems_; }
  // Asks a running decode to stop and waits until it has.
  void stopAndWait();
  // The decode action's cancel: stops the decode, which then counts as
  // ended.
  void cancelDecode();
  // The last decode stopped on a cancel (or a signal) and removed its
  // partial table: it must not read as done.
  bool decodeCancelled() const;

  // Written by the decode's worker thread.
  int progressPercent() const { return progressPercent_.load(); }
  QString errorText() const;
  void setErrorText(const QString& text);

 signals:
  // Before the loading of a further input file (not the first).
  void loadingNextFile(const QString& path);
  // A decode that did not start: the reason, for the status line.
  void decodeRefused(const QString& reason);
  void decodeStarted();
  // After the task has ended, on the controller's thread.
  void decodeFinished();

 public:
  // Why the configuration file could not be used at its last read; empty
  // when it was.
  const QString& configFailure() const { return configFailure_; }

 private slots:
  void taskFinished();

 private:
  // Condition names read from a configuration, resolved against the names
  // of the loaded log's variables.
  void resolveConditionNames();
  void reportProgress(std::uint64_t bytesRead, std::uint64_t totalBytes, const std::string& message);
  void refuse(const QString& reason);
  void startDecode(const QString& logPath, const DecodeRequest& request, bool inBackground);
  // The reason the decode of the loaded file cannot start, or empty.
  QString refusalFor(const DecodeRequest& request) const;
  QString outputDirectory() const;
  // --vars: the selection of the loaded file, warnings for absent names.
  void applyVariableList(const zrl::Decoder& log, const QString& path);
  // Batch runs decode their logs one after another, each in the background.
  bool severalBatchLogs() const { return inputFiles_.size() > 1; }
  void decodeBatchFile();
  void finishBatchFile(bool decoded);

  StartupOptions startupOptions_;
  QString configPath_;
  Json::Value config_{Json::objectValue};
  QStringList inputFiles_;
  QString csvName_;
  QList<QStringList> aliases_;
  QList<QStringList> conditions_;
  DecoderRunnable* decoder_ = nullptr;  // owned
  // Where a batch run with database options sends its rows; null otherwise.
  std::shared_ptr<zrl::InfluxSink> databaseSink_;
  bool processing_ = false;
  std::atomic<int> progressPercent_{0};
  mutable QMutex errorTextMutex_;
  QString errorText_;
  QStringList decodeProblems_;
  QString configFailure_;
  QString loadFailure_;          // batch of several logs: the loaded one is refused
  QString variableListFailure_;  // --vars patterns the loaded file does not match
  std::function<DecodeRequest()> readControls_;
  int batchIndex_ = 0;
  int batchDecoded_ = 0;
  int batchFailed_ = 0;
  TerminalProgress terminalProgress_;
};
