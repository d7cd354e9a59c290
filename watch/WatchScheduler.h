// Takes the logs a FolderScanner finds through the journal to decode slots:
// every log once, oldest first, at most one per slot at a time. A log the
// database could not take waits, and every log behind it with it, for a
// retry that backs off; a log that cannot be decoded is failed once and left
// until it changes.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "watch/Journal.h"

class FolderScanner;

// What a slot says of a log before decoding it.
struct SlotPlan {
  QString failure;        // why the log cannot be decoded; empty when it can
  QString defaultOutput;  // the CSV name it would get on its own; empty when rows go to a database
  QString destination;    // the database, for the journal and the log line
};

struct SlotResult {
  enum class Kind { Done, Failed, Retry, Interrupted };
  Kind kind = Kind::Failed;
  QString reason;
  std::int64_t rows = 0;
};

// One decode at a time, with its own settings; made by the run.
class DecodeSlot {
 public:
  virtual ~DecodeSlot() = default;
  // Loads `logPath` and plans its decode; nothing is written yet.
  virtual SlotPlan prepare(const QString& logPath) = 0;
  // Starts the prepared decode into `output` (replacing a file of that name:
  // the name is this log's own); `done` follows on the event loop.
  virtual bool start(const QString& output, std::function<void(const SlotResult&)> done) = 0;
  // Asks a running decode to stop; `done` follows with Interrupted.
  virtual void stop() = 0;
};

// A failure of the database as the decode reports it that may pass (no
// answer, a server error, too many requests): the log is tried again.
bool databaseMayRecover(const QString& message);

// The wait before retry number `attempt` (1 for the first): `firstMs`
// doubling up to `limitMs`.
std::int64_t retryWaitMs(int attempt, std::int64_t firstMs, std::int64_t limitMs);

// Where `path` (under `folder`) goes in `targetDir`, keeping its place
// below the folder; a free numbered name when that is taken.
QString movedLogPath(const QString& folder, const QString& targetDir, const QString& path);

struct WatchSettings {
  QString folder;  // absolute, clean
  int settleMs = 5000;
  int rescanMs = 30000;
  QString doneDir;    // empty: logs stay
  QString failedDir;  // empty: logs stay
  std::int64_t retryFirstMs = 1000;
  std::int64_t retryLimitMs = 60000;
  // Folders the scanner leaves alone besides doneDir and failedDir (where
  // outputs are written).
  QStringList skipped;
};

class WatchScheduler : public QObject {
  Q_OBJECT

 public:
  WatchScheduler(WatchSettings settings, Journal& journal, std::vector<std::unique_ptr<DecodeSlot>> decodeSlots,
                 QObject* parent = nullptr);
  ~WatchScheduler() override;

  // Takes back what a run that died left decoding, then watches.
  bool start();
  QString scannerError() const;
  // Starts no more decodes and stops the running ones; `idle` is called once
  // none runs any more.
  void stop(std::function<void()> idle);
  bool stopping() const { return stopping_; }
  // Calls `each` on every slot not decoding now (to give it new settings);
  // a busy slot is handed to `each` as soon as its decode has ended.
  void forEachSlotWhenIdle(std::function<void(DecodeSlot&)> each);

 private:
  struct Running {
    std::int64_t id = 0;
    QString path;
    QString output;
    std::int64_t startedMs = 0;
    bool busy = false;
    bool refresh = false;
  };

  void onReady(const LogIdentity& identity);
  void pump();
  void launch(std::size_t slot, const JournalEntry& entry);
  void finished(std::size_t slot, const SlotResult& result);
  void moveLog(std::int64_t id, const QString& path, const QString& targetDir);
  QString freeOutputName(const QString& wanted);
  void checkIdle();

  WatchSettings settings_;
  Journal& journal_;
  std::vector<std::unique_ptr<DecodeSlot>> slots_;
  std::vector<Running> running_;
  std::unique_ptr<FolderScanner> scanner_;
  QTimer retryTimer_;
  std::int64_t databaseWaitUntilMs_ = 0;
  int databaseFailures_ = 0;
  bool stopping_ = false;
  std::function<void()> idle_;
  std::function<void(DecodeSlot&)> refresh_;
};
