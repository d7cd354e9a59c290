#include "watch/WatchScheduler.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <utility>

#include "common/Console.h"
#include "decode/FreeOutputName.h"
#include "watch/FolderScanner.h"

namespace {

std::int64_t nowMs() { return QDateTime::currentMSecsSinceEpoch(); }

QString seconds(std::int64_t ms) { return QString::number(static_cast<double>(ms) / 1000.0, 'f', 2); }

}  // namespace

bool databaseMayRecover(const QString& message) {
  if (!message.contains(QLatin1String("InfluxDB write to"))) return false;
  return message.contains(QLatin1String("(no answer)")) || message.contains(QLatin1String("(HTTP 5")) ||
         message.contains(QLatin1String("(HTTP 429)"));
}

std::int64_t retryWaitMs(int attempt, std::int64_t firstMs, std::int64_t limitMs) {
  std::int64_t wait = std::max<std::int64_t>(firstMs, 1);
  for (int i = 1; i < attempt && wait < limitMs; ++i) wait *= 2;
  return std::min(wait, limitMs);
}

QString movedLogPath(const QString& folder, const QString& targetDir, const QString& path) {
  const QString relative = QDir(folder).relativeFilePath(path);
  // A log outside the folder (it cannot be, but a link may say so) keeps
  // only its name.
  const QString below = relative.startsWith(QLatin1String("..")) ? QFileInfo(path).fileName() : relative;
  const QString wanted = QDir(targetDir).filePath(below);
  if (!QFileInfo::exists(wanted)) return wanted;
  const std::string bytes = QFile::encodeName(wanted).toStdString();
  for (unsigned n = 2;; ++n) {
    const QString candidate = QFile::decodeName(zrl::numberedOutputName(bytes, n).c_str());
    if (!QFileInfo::exists(candidate)) return candidate;
  }
}

WatchScheduler::WatchScheduler(WatchSettings settings, Journal& journal,
                               std::vector<std::unique_ptr<DecodeSlot>> decodeSlots, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), journal_(journal), slots_(std::move(decodeSlots)),
      running_(slots_.size()) {
  QStringList skipped = settings_.skipped;
  if (!settings_.doneDir.isEmpty()) skipped << settings_.doneDir;
  if (!settings_.failedDir.isEmpty()) skipped << settings_.failedDir;
  const bool moving = !settings_.doneDir.isEmpty() || !settings_.failedDir.isEmpty();
  scanner_ = std::make_unique<FolderScanner>(
      settings_.folder, settings_.settleMs, settings_.rescanMs, skipped,
      [this, moving](const QString& path, std::int64_t size, std::int64_t mtimeNs) {
        // A log settled but still here when logs are moved was left by a run
        // that ended before moving it: it is looked at again, and moved.
        return !moving && journal_.settled(settings_.folder, path, size, mtimeNs);
      });
  connect(scanner_.get(), &FolderScanner::ready, this, &WatchScheduler::onReady);
  retryTimer_.setSingleShot(true);
  connect(&retryTimer_, &QTimer::timeout, this, &WatchScheduler::pump);
}

WatchScheduler::~WatchScheduler() = default;

bool WatchScheduler::start() {
  const int recovered = journal_.recoverInterrupted(settings_.folder);
  if (recovered > 0)
    consoleLine(QStringLiteral("watch: %1 log(s) left decoding by an earlier run are taken again").arg(recovered));
  scanner_->start();
  pump();
  return true;
}

QString WatchScheduler::scannerError() const { return scanner_->error(); }

void WatchScheduler::onReady(const LogIdentity& identity) {
  if (stopping_) return;
  const std::optional<JournalEntry> known = journal_.find(settings_.folder, identity);
  if (known) {
    if (known->movedTo.isEmpty() && known->state == LogState::Done && !settings_.doneDir.isEmpty())
      moveLog(known->id, identity.path, settings_.doneDir);
    else if (known->movedTo.isEmpty() && known->state == LogState::Failed && !settings_.failedDir.isEmpty())
      moveLog(known->id, identity.path, settings_.failedDir);
    return;
  }
  if (journal_.addPending(settings_.folder, identity, nowMs()) == 0) {
    consoleLine(QStringLiteral("watch: ") + identity.path + QStringLiteral(": journal: ") + journal_.error());
    return;
  }
  pump();
}

void WatchScheduler::pump() {
  if (stopping_) return;
  const std::int64_t now = nowMs();
  if (now < databaseWaitUntilMs_) {
    retryTimer_.start(static_cast<int>(databaseWaitUntilMs_ - now));
    return;
  }
  std::vector<std::size_t> free;
  for (std::size_t i = 0; i < running_.size(); ++i)
    if (!running_[i].busy) free.push_back(i);
  if (!free.empty()) {
    // Rows taken just now and running still read pending only until marked
    // decoding, which launch() does before the next is asked for.
    std::vector<JournalEntry> due = journal_.duePending(settings_.folder, now, static_cast<int>(free.size()));
    std::size_t next = 0;
    bool slotLeft = false;
    for (const JournalEntry& entry : due) {
      launch(free[next], entry);
      if (running_[free[next]].busy) ++next;
      else slotLeft = true;  // failed before it began: the slot takes the next one
      if (next >= free.size()) break;
    }
    if (slotLeft && !due.empty()) QTimer::singleShot(0, this, &WatchScheduler::pump);
  }
  const std::optional<std::int64_t> retry = journal_.nextRetry(settings_.folder);
  if (retry && *retry > now) retryTimer_.start(static_cast<int>(std::min<std::int64_t>(*retry - now, 60000)));
}

QString WatchScheduler::freeOutputName(const QString& wanted) {
  const std::string bytes = QFile::encodeName(wanted).toStdString();
  for (unsigned n = 1;; ++n) {
    n = zrl::firstFreeOutputNumber(bytes, n);
    const QString candidate = QFile::decodeName(zrl::candidateOutputName(bytes, n).c_str());
    bool taken = journal_.outputClaimed(candidate);
    for (const Running& r : running_) taken = taken || (r.busy && r.output == candidate);
    if (!taken) return candidate;
  }
}

void WatchScheduler::launch(std::size_t slot, const JournalEntry& entry) {
  DecodeSlot& decoder = *slots_[slot];
  const std::int64_t started = nowMs();
  const SlotPlan plan = decoder.prepare(entry.identity.path);
  if (!plan.failure.isEmpty()) {
    journal_.markFailed(entry.id, plan.failure, nowMs());
    consoleLine(QStringLiteral("watch: ") + entry.identity.path + QStringLiteral(" failed: ") + plan.failure);
    if (!settings_.failedDir.isEmpty()) moveLog(entry.id, entry.identity.path, settings_.failedDir);
    // The slot is still free for the next log.
    return;
  }
  // A log taken again after a crash keeps the name it was given, so its
  // rerun replaces what the first run may have finished, never adds a copy.
  QString output = entry.output;
  if (output.isEmpty()) output = plan.defaultOutput.isEmpty() ? plan.destination : freeOutputName(plan.defaultOutput);
  if (!journal_.markDecoding(entry.id, output, started)) {
    consoleLine(QStringLiteral("watch: journal: ") + journal_.error());
    return;
  }
  Running& r = running_[slot];
  r.id = entry.id;
  r.path = entry.identity.path;
  r.output = output;
  r.startedMs = started;
  r.busy = true;
  const bool toFile = !plan.defaultOutput.isEmpty();
  if (!decoder.start(toFile ? output : QString(), [this, slot](const SlotResult& result) { finished(slot, result); })) {
    r.busy = false;
    journal_.markFailed(entry.id, QStringLiteral("the decode could not start"), nowMs());
    consoleLine(QStringLiteral("watch: ") + entry.identity.path + QStringLiteral(" failed: the decode could not start"));
  }
}

void WatchScheduler::finished(std::size_t slot, const SlotResult& result) {
  Running& r = running_[slot];
  r.busy = false;
  const std::int64_t now = nowMs();
  const QString took = seconds(now - r.startedMs) + QStringLiteral(" s");
  switch (result.kind) {
    case SlotResult::Kind::Done:
      databaseFailures_ = 0;
      databaseWaitUntilMs_ = 0;
      journal_.markDone(r.id, result.rows, now);
      consoleLine(QStringLiteral("watch: %1 done: %2 rows in %3 -> %4").arg(r.path).arg(result.rows).arg(took, r.output));
      if (!settings_.doneDir.isEmpty()) moveLog(r.id, r.path, settings_.doneDir);
      break;
    case SlotResult::Kind::Failed:
      journal_.markFailed(r.id, result.reason, now);
      consoleLine(QStringLiteral("watch: %1 failed after %2: %3").arg(r.path, took, result.reason));
      if (!settings_.failedDir.isEmpty()) moveLog(r.id, r.path, settings_.failedDir);
      break;
    case SlotResult::Kind::Retry: {
      ++databaseFailures_;
      const std::int64_t wait = retryWaitMs(databaseFailures_, settings_.retryFirstMs, settings_.retryLimitMs);
      databaseWaitUntilMs_ = now + wait;
      journal_.markRetry(r.id, result.reason, databaseWaitUntilMs_);
      consoleLine(QStringLiteral("watch: %1 waits for the database, next try in %2 s: %3")
                      .arg(r.path, seconds(wait), result.reason));
      break;
    }
    case SlotResult::Kind::Interrupted:
      journal_.markInterrupted(r.id);
      consoleLine(QStringLiteral("watch: %1 stopped after %2: taken again at the next start").arg(r.path, took));
      break;
  }
  if (r.refresh && refresh_) {
    r.refresh = false;
    refresh_(*slots_[slot]);
  }
  if (stopping_) {
    checkIdle();
    return;
  }
  pump();
}

void WatchScheduler::moveLog(std::int64_t id, const QString& path, const QString& targetDir) {
  const QString target = movedLogPath(settings_.folder, targetDir, path);
  QDir().mkpath(QFileInfo(target).absolutePath());
  if (QFile::rename(path, target)) {
    journal_.markMoved(id, target);
  } else {
    consoleLine(QStringLiteral("watch: %1 could not be moved to %2").arg(path, target));
  }
}

void WatchScheduler::forEachSlotWhenIdle(std::function<void(DecodeSlot&)> each) {
  refresh_ = std::move(each);
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (running_[i].busy) running_[i].refresh = true;
    else refresh_(*slots_[i]);
  }
}

void WatchScheduler::stop(std::function<void()> idle) {
  stopping_ = true;
  idle_ = std::move(idle);
  retryTimer_.stop();
  for (std::size_t i = 0; i < slots_.size(); ++i)
    if (running_[i].busy) slots_[i]->stop();
  checkIdle();
}

void WatchScheduler::checkIdle() {
  for (const Running& r : running_)
    if (r.busy) return;
  if (idle_) {
    auto idle = std::move(idle_);
    idle_ = nullptr;
    idle();
  }
}
