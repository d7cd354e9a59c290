#include "watch/Journal.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

namespace {

constexpr char kSchema[] = R"(
CREATE TABLE IF NOT EXISTS logs(
  id INTEGER PRIMARY KEY,
  folder TEXT NOT NULL,
  path TEXT NOT NULL,
  size INTEGER NOT NULL,
  mtime_ns INTEGER NOT NULL,
  head_digest TEXT NOT NULL,
  state TEXT NOT NULL CHECK(state IN ('pending','decoding','done','failed')),
  reason TEXT NOT NULL DEFAULT '',
  output TEXT NOT NULL DEFAULT '',
  rows INTEGER NOT NULL DEFAULT 0,
  first_seen_ms INTEGER NOT NULL,
  started_ms INTEGER NOT NULL DEFAULT 0,
  finished_ms INTEGER NOT NULL DEFAULT 0,
  attempts INTEGER NOT NULL DEFAULT 0,
  next_retry_ms INTEGER NOT NULL DEFAULT 0,
  moved_to TEXT NOT NULL DEFAULT '',
  UNIQUE(folder, path, size, mtime_ns, head_digest));
CREATE INDEX IF NOT EXISTS logs_by_state ON logs(folder, state, next_retry_ms, id);
CREATE INDEX IF NOT EXISTS logs_by_output ON logs(output);
)";

constexpr char kColumns[] =
    "id, folder, path, size, mtime_ns, head_digest, state, reason, output, rows, first_seen_ms, started_ms, "
    "finished_ms, attempts, next_retry_ms, moved_to";

QString textColumn(sqlite3_stmt* s, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
  return text ? QString::fromUtf8(text, sqlite3_column_bytes(s, column)) : QString();
}

LogState stateFromText(const QString& text) {
  if (text == QLatin1String("decoding")) return LogState::Decoding;
  if (text == QLatin1String("done")) return LogState::Done;
  if (text == QLatin1String("failed")) return LogState::Failed;
  return LogState::Pending;
}

JournalEntry entryOf(sqlite3_stmt* s) {
  JournalEntry e;
  e.id = sqlite3_column_int64(s, 0);
  e.folder = textColumn(s, 1);
  e.identity.path = textColumn(s, 2);
  e.identity.size = sqlite3_column_int64(s, 3);
  e.identity.mtimeNs = sqlite3_column_int64(s, 4);
  e.identity.headDigest = textColumn(s, 5);
  e.state = stateFromText(textColumn(s, 6));
  e.reason = textColumn(s, 7);
  e.output = textColumn(s, 8);
  e.rows = sqlite3_column_int64(s, 9);
  e.firstSeenMs = sqlite3_column_int64(s, 10);
  e.startedMs = sqlite3_column_int64(s, 11);
  e.finishedMs = sqlite3_column_int64(s, 12);
  e.attempts = sqlite3_column_int(s, 13);
  e.nextRetryMs = sqlite3_column_int64(s, 14);
  e.movedTo = textColumn(s, 15);
  return e;
}

void bindText(sqlite3_stmt* s, int index, const QString& text) {
  const QByteArray bytes = text.toUtf8();
  sqlite3_bind_text(s, index, bytes.constData(), bytes.size(), SQLITE_TRANSIENT);
}

struct Finalizer {
  sqlite3_stmt* s;
  ~Finalizer() { sqlite3_finalize(s); }
};

}  // namespace

const char* logStateName(LogState state) {
  switch (state) {
    case LogState::Pending: return "pending";
    case LogState::Decoding: return "decoding";
    case LogState::Done: return "done";
    case LogState::Failed: return "failed";
  }
  return "pending";
}

Journal::~Journal() {
  if (db_ != nullptr) sqlite3_close(db_);
}

QString Journal::defaultFile() {
  QString state = qEnvironmentVariable("XDG_STATE_HOME");
  // The base directory rules take only absolute paths; others are ignored.
  if (state.isEmpty() || !QDir::isAbsolutePath(state)) state = QDir::homePath() + QStringLiteral("/.local/state");
  return state + QStringLiteral("/zrl-decoder/watch.sqlite");
}

bool Journal::open(const QString& file) {
  if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
    error_ = QStringLiteral("cannot create the folder of ") + file;
    return false;
  }
  if (sqlite3_open_v2(file.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    error_ = QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : "out of memory");
    return false;
  }
  // Another run reading the status waits for a writer instead of failing.
  sqlite3_busy_timeout(db_, 10000);
  return exec("PRAGMA journal_mode=WAL") && exec("PRAGMA synchronous=FULL") && exec(kSchema);
}

bool Journal::exec(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  error_ = QString::fromUtf8(message ? message : sqlite3_errmsg(db_));
  sqlite3_free(message);
  return false;
}

sqlite3_stmt* Journal::prepare(const char* sql) {
  sqlite3_stmt* statement = nullptr;
  if (db_ == nullptr || sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) {
    if (db_ != nullptr) error_ = QString::fromUtf8(sqlite3_errmsg(db_));
    return nullptr;
  }
  return statement;
}

bool Journal::step(sqlite3_stmt* statement) {
  if (statement == nullptr) return false;
  Finalizer done{statement};
  const int result = sqlite3_step(statement);
  if (result == SQLITE_DONE || result == SQLITE_ROW) return true;
  error_ = QString::fromUtf8(sqlite3_errmsg(db_));
  return false;
}

std::vector<JournalEntry> Journal::query(const char* sql, const std::function<void(sqlite3_stmt*)>& bind,
                                         const std::function<void(const JournalEntry&)>& each) {
  std::vector<JournalEntry> rows;
  sqlite3_stmt* s = prepare(sql);
  if (s == nullptr) return rows;
  Finalizer done{s};
  bind(s);
  while (sqlite3_step(s) == SQLITE_ROW) {
    if (each) each(entryOf(s));
    else rows.push_back(entryOf(s));
  }
  return rows;
}

std::optional<JournalEntry> Journal::find(const QString& folder, const LogIdentity& identity) {
  const std::string sql = std::string("SELECT ") + kColumns +
                          " FROM logs WHERE folder=? AND path=? AND size=? AND mtime_ns=? AND head_digest=?";
  auto rows = query(sql.c_str(), [&](sqlite3_stmt* s) {
    bindText(s, 1, folder);
    bindText(s, 2, identity.path);
    sqlite3_bind_int64(s, 3, identity.size);
    sqlite3_bind_int64(s, 4, identity.mtimeNs);
    bindText(s, 5, identity.headDigest);
  });
  if (rows.empty()) return std::nullopt;
  return rows.front();
}

bool Journal::settled(const QString& folder, const QString& path, std::int64_t size, std::int64_t mtimeNs) {
  sqlite3_stmt* s = prepare(
      "SELECT 1 FROM logs WHERE folder=? AND path=? AND size=? AND mtime_ns=? AND state IN ('done','failed') LIMIT 1");
  if (s == nullptr) return false;
  Finalizer done{s};
  bindText(s, 1, folder);
  bindText(s, 2, path);
  sqlite3_bind_int64(s, 3, size);
  sqlite3_bind_int64(s, 4, mtimeNs);
  return sqlite3_step(s) == SQLITE_ROW;
}

std::int64_t Journal::addPending(const QString& folder, const LogIdentity& identity, std::int64_t nowMs) {
  sqlite3_stmt* s = prepare(
      "INSERT INTO logs(folder, path, size, mtime_ns, head_digest, state, first_seen_ms) "
      "VALUES(?,?,?,?,?,'pending',?)");
  if (s == nullptr) return 0;
  bindText(s, 1, folder);
  bindText(s, 2, identity.path);
  sqlite3_bind_int64(s, 3, identity.size);
  sqlite3_bind_int64(s, 4, identity.mtimeNs);
  bindText(s, 5, identity.headDigest);
  sqlite3_bind_int64(s, 6, nowMs);
  if (!step(s)) return 0;
  return sqlite3_last_insert_rowid(db_);
}

std::vector<JournalEntry> Journal::duePending(const QString& folder, std::int64_t nowMs, int limit) {
  const std::string sql = std::string("SELECT ") + kColumns +
                          " FROM logs WHERE folder=? AND state='pending' AND next_retry_ms<=? ORDER BY id LIMIT ?";
  return query(sql.c_str(), [&](sqlite3_stmt* s) {
    bindText(s, 1, folder);
    sqlite3_bind_int64(s, 2, nowMs);
    sqlite3_bind_int(s, 3, limit);
  });
}

std::optional<std::int64_t> Journal::nextRetry(const QString& folder) {
  sqlite3_stmt* s = prepare("SELECT MIN(next_retry_ms) FROM logs WHERE folder=? AND state='pending'");
  if (s == nullptr) return std::nullopt;
  Finalizer done{s};
  bindText(s, 1, folder);
  if (sqlite3_step(s) != SQLITE_ROW || sqlite3_column_type(s, 0) == SQLITE_NULL) return std::nullopt;
  return sqlite3_column_int64(s, 0);
}

std::optional<JournalEntry> Journal::entry(std::int64_t id) {
  const std::string sql = std::string("SELECT ") + kColumns + " FROM logs WHERE id=?";
  auto rows = query(sql.c_str(), [&](sqlite3_stmt* s) { sqlite3_bind_int64(s, 1, id); });
  if (rows.empty()) return std::nullopt;
  return rows.front();
}

void Journal::forEach(const QString& folder, const std::function<void(const JournalEntry&)>& each) {
  const std::string sql =
      std::string("SELECT ") + kColumns + " FROM logs WHERE ?1='' OR folder=?1 ORDER BY folder, id";
  query(sql.c_str(), [&](sqlite3_stmt* s) { bindText(s, 1, folder); }, each);
}

bool Journal::outputClaimed(const QString& output) {
  sqlite3_stmt* s = prepare("SELECT 1 FROM logs WHERE output=? AND state IN ('pending','decoding') LIMIT 1");
  if (s == nullptr) return false;
  Finalizer done{s};
  bindText(s, 1, output);
  return sqlite3_step(s) == SQLITE_ROW;
}

bool Journal::markDecoding(std::int64_t id, const QString& output, std::int64_t nowMs) {
  sqlite3_stmt* s = prepare("UPDATE logs SET state='decoding', output=?, started_ms=? WHERE id=?");
  if (s == nullptr) return false;
  bindText(s, 1, output);
  sqlite3_bind_int64(s, 2, nowMs);
  sqlite3_bind_int64(s, 3, id);
  return step(s);
}

bool Journal::markDone(std::int64_t id, std::int64_t rows, std::int64_t nowMs) {
  sqlite3_stmt* s = prepare(
      "UPDATE logs SET state='done', reason='', rows=?, finished_ms=?, attempts=attempts+1 WHERE id=?");
  if (s == nullptr) return false;
  sqlite3_bind_int64(s, 1, rows);
  sqlite3_bind_int64(s, 2, nowMs);
  sqlite3_bind_int64(s, 3, id);
  return step(s);
}

bool Journal::markFailed(std::int64_t id, const QString& reason, std::int64_t nowMs) {
  sqlite3_stmt* s =
      prepare("UPDATE logs SET state='failed', reason=?, finished_ms=?, attempts=attempts+1 WHERE id=?");
  if (s == nullptr) return false;
  bindText(s, 1, reason);
  sqlite3_bind_int64(s, 2, nowMs);
  sqlite3_bind_int64(s, 3, id);
  return step(s);
}

bool Journal::markRetry(std::int64_t id, const QString& reason, std::int64_t retryMs) {
  sqlite3_stmt* s =
      prepare("UPDATE logs SET state='pending', reason=?, next_retry_ms=?, attempts=attempts+1 WHERE id=?");
  if (s == nullptr) return false;
  bindText(s, 1, reason);
  sqlite3_bind_int64(s, 2, retryMs);
  sqlite3_bind_int64(s, 3, id);
  return step(s);
}

bool Journal::markInterrupted(std::int64_t id) {
  sqlite3_stmt* s = prepare("UPDATE logs SET state='pending' WHERE id=? AND state='decoding'");
  if (s == nullptr) return false;
  sqlite3_bind_int64(s, 1, id);
  return step(s);
}

bool Journal::markMoved(std::int64_t id, const QString& movedTo) {
  sqlite3_stmt* s = prepare("UPDATE logs SET moved_to=? WHERE id=?");
  if (s == nullptr) return false;
  bindText(s, 1, movedTo);
  sqlite3_bind_int64(s, 2, id);
  return step(s);
}

int Journal::recoverInterrupted(const QString& folder) {
  sqlite3_stmt* s = prepare("UPDATE logs SET state='pending' WHERE folder=? AND state='decoding'");
  if (s == nullptr) return 0;
  bindText(s, 1, folder);
  if (!step(s)) return 0;
  return sqlite3_changes(db_);
}
