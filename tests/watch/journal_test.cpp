// The journal's promises across restarts, and the scheduler's small rules.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>

#include "watch/Journal.h"
#include "watch/WatchScheduler.h"

namespace {

LogIdentity version(const QString& path, std::int64_t size, const QString& digest = QStringLiteral("d0")) {
  LogIdentity id;
  id.path = path;
  id.size = size;
  id.mtimeNs = 1000;
  id.headDigest = digest;
  return id;
}

struct JournalFile {
  QTemporaryDir dir;
  QString file() const { return dir.path() + QStringLiteral("/state/zrl-decoder/watch.sqlite"); }
};

const QString kFolder = QStringLiteral("/w");

TEST(WatchJournal, EachVersionOfALogIsARowOfItsOwn) {
  JournalFile where;
  Journal journal;
  ASSERT_TRUE(journal.open(where.file())) << journal.error().toStdString();
  const std::int64_t first = journal.addPending(kFolder, version("/w/a.zrl", 10), 1);
  ASSERT_NE(first, 0);
  // The same version again is refused, so a log is never queued twice.
  EXPECT_EQ(journal.addPending(kFolder, version("/w/a.zrl", 10), 2), 0);
  // Grown, or the same size with another head: new versions.
  EXPECT_NE(journal.addPending(kFolder, version("/w/a.zrl", 20), 3), 0);
  EXPECT_NE(journal.addPending(kFolder, version("/w/a.zrl", 10, QStringLiteral("d1")), 4), 0);
  ASSERT_TRUE(journal.find(kFolder, version("/w/a.zrl", 10)));
  EXPECT_EQ(journal.find(kFolder, version("/w/a.zrl", 10))->id, first);
  EXPECT_FALSE(journal.find(QStringLiteral("/other"), version("/w/a.zrl", 10)));
}

TEST(WatchJournal, ADecodeLeftByACrashIsPendingAgainUnderItsName) {
  JournalFile where;
  std::int64_t id = 0;
  {
    Journal journal;
    ASSERT_TRUE(journal.open(where.file()));
    id = journal.addPending(kFolder, version("/w/a.zrl", 10), 1);
    ASSERT_TRUE(journal.markDecoding(id, QStringLiteral("/out/a.csv"), 2));
    // The process dies here: nothing else is written.
  }
  Journal journal;
  ASSERT_TRUE(journal.open(where.file()));
  EXPECT_TRUE(journal.outputClaimed(QStringLiteral("/out/a.csv")));
  EXPECT_EQ(journal.recoverInterrupted(kFolder), 1);
  const auto due = journal.duePending(kFolder, 3, 10);
  ASSERT_EQ(due.size(), 1u);
  EXPECT_EQ(due[0].id, id);
  EXPECT_EQ(due[0].output, QStringLiteral("/out/a.csv"));
  ASSERT_TRUE(journal.markDone(id, 1800, 4));
  EXPECT_FALSE(journal.outputClaimed(QStringLiteral("/out/a.csv")));
  EXPECT_TRUE(journal.settled(kFolder, QStringLiteral("/w/a.zrl"), 10, 1000));
  EXPECT_EQ(journal.recoverInterrupted(kFolder), 0);
}

TEST(WatchJournal, RetriesWaitTheirTurnInOrder) {
  JournalFile where;
  Journal journal;
  ASSERT_TRUE(journal.open(where.file()));
  const std::int64_t a = journal.addPending(kFolder, version("/w/a.zrl", 1), 1);
  const std::int64_t b = journal.addPending(kFolder, version("/w/b.zrl", 1), 2);
  ASSERT_TRUE(journal.markRetry(a, QStringLiteral("no answer"), 5000));
  auto due = journal.duePending(kFolder, 100, 10);
  ASSERT_EQ(due.size(), 1u);
  EXPECT_EQ(due[0].id, b);
  EXPECT_EQ(journal.nextRetry(kFolder).value_or(0), 0);  // b is due now
  due = journal.duePending(kFolder, 5000, 10);
  ASSERT_EQ(due.size(), 2u);
  EXPECT_EQ(due[0].id, a);  // the older log first
  EXPECT_EQ(due[0].attempts, 1);
  EXPECT_EQ(due[0].reason, QStringLiteral("no answer"));
}

TEST(WatchJournal, FailedLogsAreSettledWithTheirReason) {
  JournalFile where;
  Journal journal;
  ASSERT_TRUE(journal.open(where.file()));
  const std::int64_t id = journal.addPending(kFolder, version("/w/bad.zrl", 7), 1);
  ASSERT_TRUE(journal.markFailed(id, QStringLiteral("not a log"), 2));
  EXPECT_TRUE(journal.duePending(kFolder, 10, 10).empty());
  EXPECT_TRUE(journal.settled(kFolder, QStringLiteral("/w/bad.zrl"), 7, 1000));
  EXPECT_FALSE(journal.settled(kFolder, QStringLiteral("/w/bad.zrl"), 8, 1000));
  int rows = 0;
  journal.forEach(QString(), [&](const JournalEntry& e) {
    ++rows;
    EXPECT_EQ(e.state, LogState::Failed);
    EXPECT_EQ(e.reason, QStringLiteral("not a log"));
  });
  EXPECT_EQ(rows, 1);
}

TEST(WatchScheduling, RetryWaitsDoubleUpToTheirLimit) {
  const struct {
    int attempt;
    std::int64_t wait;
  } cases[] = {{1, 1000}, {2, 2000}, {3, 4000}, {6, 32000}, {7, 60000}, {100, 60000}};
  for (const auto& c : cases) EXPECT_EQ(retryWaitMs(c.attempt, 1000, 60000), c.wait) << c.attempt;
}

TEST(WatchScheduling, OnlyADatabaseThatMayComeBackIsWaitedFor) {
  const struct {
    const char* message;
    bool retry;
  } cases[] = {
      {"InfluxDB write to http://127.0.0.1:1/write?db=x failed (no answer): Connection refused; 0 points written", true},
      {"InfluxDB write to http://h/write?db=x failed (HTTP 503): busy; 500 points written", true},
      {"InfluxDB write to http://h/write?db=x failed (HTTP 429): slow down; 0 points written", true},
      {"InfluxDB write to http://h/write?db=x failed (HTTP 400): field type conflict; 0 points written", false},
      {"InfluxDB write to http://h/write?db=x failed (HTTP 404): database not found; 0 points written", false},
      {"The log ends early", false},
  };
  for (const auto& c : cases) EXPECT_EQ(databaseMayRecover(QString::fromUtf8(c.message)), c.retry) << c.message;
}

TEST(WatchScheduling, MovedLogsKeepTheirPlaceAndNeverReplaceAFile) {
  QTemporaryDir dir;
  const QString folder = dir.path() + QStringLiteral("/in");
  const QString done = dir.path() + QStringLiteral("/done");
  EXPECT_EQ(movedLogPath(folder, done, folder + QStringLiteral("/site/a.zrl")), done + QStringLiteral("/site/a.zrl"));
  QDir().mkpath(done + QStringLiteral("/site"));
  QFile taken(done + QStringLiteral("/site/a.zrl"));
  ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
  taken.close();
  EXPECT_EQ(movedLogPath(folder, done, folder + QStringLiteral("/site/a.zrl")),
            done + QStringLiteral("/site/a (2).zrl"));
}

}  // namespace
