// What a watched folder has done with each log, kept in an SQLite file so
// that a restart after a crash neither loses a log nor decodes one twice.
//
// One row per version of a log: its path under the folder, size,
// modification time and a digest of its head together name the version, so
// a log whose content changes is taken again under a row of its own. A row
// goes pending -> decoding -> done or failed; a decoding row met at start
// belonged to a run that died, and goes back to pending with the output
// name it had been given, so its rerun writes that same name.
//
// The file runs in WAL mode with synchronous=FULL: a state change that
// returned is on disk, whatever happens to the process next.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

struct LogIdentity {
  QString path;  // absolute
  std::int64_t size = 0;
  std::int64_t mtimeNs = 0;
  QString headDigest;  // hex
};

enum class LogState { Pending, Decoding, Done, Failed };
const char* logStateName(LogState state);

struct JournalEntry {
  std::int64_t id = 0;
  QString folder;
  LogIdentity identity;
  LogState state = LogState::Pending;
  QString reason;
  QString output;   // the CSV's final name, or where the points went
  std::int64_t rows = 0;
  std::int64_t firstSeenMs = 0;
  std::int64_t startedMs = 0;
  std::int64_t finishedMs = 0;
  int attempts = 0;
  std::int64_t nextRetryMs = 0;
  QString movedTo;  // --done-dir / --failed-dir
};

class Journal {
 public:
  Journal() = default;
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  // Opens (creating it and its folder) the journal at `file`; false with
  // error() when it cannot be used.
  bool open(const QString& file);
  const QString& error() const { return error_; }

  // The journal of the folders watched by this user:
  // $XDG_STATE_HOME/zrl-decoder/watch.sqlite (~/.local/state without it).
  static QString defaultFile();

  // The row of exactly this version, if it is known.
  std::optional<JournalEntry> find(const QString& folder, const LogIdentity& identity);
  // Whether a row of `path` with this size and time has reached done or
  // failed: a rescan need not read its head again.
  bool settled(const QString& folder, const QString& path, std::int64_t size, std::int64_t mtimeNs);
  // A new pending row for this version; its id, or 0 on failure.
  std::int64_t addPending(const QString& folder, const LogIdentity& identity, std::int64_t nowMs);

  // The pending rows whose retry time has come, oldest first, at most `limit`.
  std::vector<JournalEntry> duePending(const QString& folder, std::int64_t nowMs, int limit);
  // The earliest retry time of a pending row still waiting, if any.
  std::optional<std::int64_t> nextRetry(const QString& folder);
  std::optional<JournalEntry> entry(std::int64_t id);
  // Every row of `folder`, or of every folder when it is empty, in the order
  // they were seen; `each` is called row by row, so the journal can be
  // long without the caller holding it.
  void forEach(const QString& folder, const std::function<void(const JournalEntry&)>& each);
  // Output names given to rows not yet done: a new row must not take one.
  bool outputClaimed(const QString& output);

  bool markDecoding(std::int64_t id, const QString& output, std::int64_t nowMs);
  bool markDone(std::int64_t id, std::int64_t rows, std::int64_t nowMs);
  bool markFailed(std::int64_t id, const QString& reason, std::int64_t nowMs);
  // Back to pending, to be tried again at `retryMs`; attempts grow by one.
  bool markRetry(std::int64_t id, const QString& reason, std::int64_t retryMs);
  // Back to pending at once (a decode stopped by the run ending); the
  // output name stays.
  bool markInterrupted(std::int64_t id);
  bool markMoved(std::int64_t id, const QString& movedTo);
  // Rows left decoding by a run that died: pending again. Their count.
  int recoverInterrupted(const QString& folder);

 private:
  bool exec(const char* sql);
  bool step(sqlite3_stmt* statement);
  sqlite3_stmt* prepare(const char* sql);
  std::vector<JournalEntry> query(const char* sql, const std::function<void(sqlite3_stmt*)>& bind,
                                  const std::function<void(const JournalEntry&)>& each = {});

  sqlite3* db_ = nullptr;
  QString error_;
};
