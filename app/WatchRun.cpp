#include "app/WatchRun.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <vector>

#include "app/BatchRun.h"
#include "app/StopSignals.h"
#include "app/HeadlessStart.h"
#include "common/Console.h"
#include "common/PathText.h"
#include "decode/DecodeStop.h"
#include "decode/Decoder.h"
#include "influx/HttpBatchPoster.h"
#include "session/LoadedLog.h"
#include "session/Session.h"
#include "task/DecodeController.h"
#include "watch/Journal.h"
#include "watch/WatchScheduler.h"

namespace {

// The signals reach the event loop through a pipe: the handler only writes
// a byte, which is all it may safely do.
int signalPipe[2] = {-1, -1};

void onSignal(int signal) {
  // Every decode stops at its next record, without waiting for the loop.
  if (signal != SIGHUP) stopOnSignal(signal);
  const char byte = signal == SIGHUP ? 'h' : 's';
  const ssize_t written = ::write(signalPipe[1], &byte, 1);
  (void)written;
}

bool installSignalPipe() {
  if (::pipe2(signalPipe, O_NONBLOCK | O_CLOEXEC) != 0) return false;
  struct sigaction action = {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  return true;
}

class WatchSlot : public DecodeSlot {
 public:
  explicit WatchSlot(const StartupOptions& options) : options_(options), session_(false) {}

  // Reads the configuration and checks the command line against it; false
  // after saying why the run cannot use them.
  bool configure() {
    if (!loadRunConfiguration(session_, options_) || !applyRunCsvOptions(session_, options_)) return false;
    std::string problem;
    runOverrides(options_, session_, problem);
    if (problem.empty()) return true;
    consoleLine(QStringLiteral("Error: configuration ") + session_.configPath() + QStringLiteral(": ") +
                QString::fromStdString(problem));
    return false;
  }
  const QString& configPath() const { return session_.configPath(); }

  SlotPlan prepare(const QString& logPath) override {
    planned_.reset();
    SlotPlan plan;
    QString problem;
    auto log = std::make_shared<LoadedLog>(logPath, false,
                                           [&problem](std::uint64_t, std::uint64_t, const std::string& message) {
                                             if (!message.empty() && problem.isEmpty())
                                               problem = QString::fromStdString(message);
                                           });
    log->setListener(nullptr);
    session_.setLog(log);
    plan.failure = log->loadError();
    if (plan.failure.isEmpty() && !log->headRead())
      plan.failure = problem.isEmpty() ? QStringLiteral("the head of the log cannot be read") : problem;
    if (!plan.failure.isEmpty()) return plan;

    const QString selectionFailure = selectRunVariables(session_, *log, options_);
    std::string databaseProblem;
    DecodeRequestOverrides overrides = runOverrides(options_, session_, databaseProblem);
    overrides.selectionFailure = selectionFailure;
    const DecodePlan decodePlan = planDecode(session_, overrides);
    plan.failure = !decodePlan.refusal.isEmpty() ? decodePlan.refusal : decodePlan.usageError;
    if (plan.failure.isEmpty() && !databaseProblem.empty()) plan.failure = QString::fromStdString(databaseProblem);
    if (!plan.failure.isEmpty()) return plan;
    planned_ = decodePlan.job;
    if (planned_->database) {
      const zrl::InfluxOptions& db = *planned_->database;
      plan.destination = QString::fromStdString(zrl::urlWithoutCredentials(db.url) + " " + db.database + "/" +
                                                db.measurement);
    } else {
      // The journal keeps names that do not depend on where the run started.
      plan.defaultOutput = QDir::cleanPath(QDir::current().absoluteFilePath(pathFromBytes(planned_->settings.outputPath)));
    }
    return plan;
  }

  bool start(const QString& output, std::function<void(const SlotResult&)> done) override {
    if (!planned_) return false;
    DecodeJob job = std::move(*planned_);
    planned_.reset();
    if (!output.isEmpty()) {
      // The name is this log's own (see WatchScheduler): a rerun after a
      // crash replaces what the first run may have finished.
      job.settings.outputPath = pathBytes(output);
      job.settings.replaceOutput = true;
      job.settings.createOutputFolder = true;
    }
    const bool toDatabase = job.database.has_value();
    QObject::disconnect(connection_);
    connection_ = QObject::connect(&controller_, &DecodeController::finished, &controller_,
                                   [this, toDatabase, done](const DecodeOutcome& outcome) {
                                     QObject::disconnect(connection_);
                                     done(resultOf(outcome, toDatabase));
                                   });
    return controller_.start(std::move(job));
  }

  void stop() override { controller_.cancel(); }

 private:
  static SlotResult resultOf(const DecodeOutcome& outcome, bool toDatabase) {
    SlotResult result;
    result.reason = outcome.message;
    if (outcome.cancelled()) {
      result.kind = SlotResult::Kind::Interrupted;
    } else if (outcome.succeeded()) {
      result.kind = SlotResult::Kind::Done;
      result.rows = static_cast<std::int64_t>(toDatabase ? outcome.pointsWritten : outcome.rowsWritten);
    } else {
      result.kind = toDatabase && databaseMayRecover(outcome.message) ? SlotResult::Kind::Retry
                                                                      : SlotResult::Kind::Failed;
    }
    return result;
  }

  const StartupOptions& options_;
  Session session_;
  DecodeController controller_;
  std::optional<DecodeJob> planned_;
  QMetaObject::Connection connection_;
};

QString absoluteFolder(const std::string& bytes) {
  return QDir::cleanPath(QDir::current().absoluteFilePath(pathFromBytes(bytes)));
}

// Holds the folder's lock for the life of the process: two runs watching
// one folder would each decode its logs.
bool lockFolder(const QString& journalFile, const QString& folder) {
  const QByteArray digest = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  const QString lockPath = QFileInfo(journalFile).absolutePath() + QStringLiteral("/watch-") +
                           QString::fromLatin1(digest) + QStringLiteral(".lock");
  const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  return fd != -1 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

}  // namespace

int runWatch(const StartupOptions& options) {
  const QString given = pathFromBytes(*options.watchDir);
  const QFileInfo info(given);
  if (!info.isDir()) {
    consoleLine(QStringLiteral("Error: --watch ") + given + QStringLiteral(": no such folder"));
    return 1;
  }
  WatchSettings settings;
  settings.folder = info.canonicalFilePath();
  settings.settleMs = options.settleMs;
  settings.rescanMs = options.rescanMs;
  if (options.doneDir) settings.doneDir = absoluteFolder(*options.doneDir);
  if (options.failedDir) settings.failedDir = absoluteFolder(*options.failedDir);
  for (const QString& dir : {settings.doneDir, settings.failedDir}) {
    if (!dir.isEmpty() && !QDir().mkpath(dir)) {
      consoleLine(QStringLiteral("Error: cannot create the folder ") + dir);
      return 1;
    }
  }
  // Moved there, they would be found again and again.
  if (!settings.doneDir.isEmpty()) settings.doneDir = QFileInfo(settings.doneDir).canonicalFilePath();
  if (!settings.failedDir.isEmpty()) settings.failedDir = QFileInfo(settings.failedDir).canonicalFilePath();

  std::vector<std::unique_ptr<DecodeSlot>> decodeSlots;
  std::vector<WatchSlot*> watchSlots;
  for (int i = 0; i < options.jobs; ++i) {
    auto slot = std::make_unique<WatchSlot>(options);
    // One configuration message is enough.
    if (!slot->configure()) return 1;
    watchSlots.push_back(slot.get());
    decodeSlots.push_back(std::move(slot));
  }

  Journal journal;
  const QString journalFile = Journal::defaultFile();
  if (!journal.open(journalFile)) {
    consoleLine(QStringLiteral("Error: journal ") + journalFile + QStringLiteral(": ") + journal.error());
    return 1;
  }
  if (!lockFolder(journalFile, settings.folder)) {
    consoleLine(QStringLiteral("Error: another run already watches ") + settings.folder);
    return 1;
  }
  if (!installSignalPipe()) {
    consoleLine(QStringLiteral("Error: cannot watch for signals"));
    return 1;
  }

  WatchScheduler scheduler(settings, journal, std::move(decodeSlots));
  QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(&signalNotifier, &QSocketNotifier::activated, &scheduler, [&] {
    char bytes[16];
    ssize_t length;
    bool stop = false;
    bool reload = false;
    while ((length = ::read(signalPipe[0], bytes, sizeof bytes)) > 0) {
      for (ssize_t i = 0; i < length; ++i) (bytes[i] == 'h' ? reload : stop) = true;
    }
    if (stop && !scheduler.stopping()) {
      consoleLine(QStringLiteral("watch: stopping"));
      scheduler.stop([] { QCoreApplication::exit(0); });
      return;
    }
    if (reload && !scheduler.stopping()) {
      // A configuration broken while the run goes on must not send the next
      // logs out with the defaults: it is tried on its own first.
      WatchSlot probe(options);
      if (!probe.configure()) {
        consoleLine(QStringLiteral("watch: the configuration is not read again: the one in use stays"));
        return;
      }
      scheduler.forEachSlotWhenIdle([](DecodeSlot& slot) {
        auto& watchSlot = static_cast<WatchSlot&>(slot);
        if (watchSlot.configure())
          consoleLine(QStringLiteral("watch: configuration read again: ") + watchSlot.configPath());
      });
    }
  });
  consoleLine(QStringLiteral("watch: watching ") + settings.folder);
  scheduler.start();
  if (!scheduler.scannerError().isEmpty())
    consoleLine(QStringLiteral("watch: no file events (") + scheduler.scannerError() +
                QStringLiteral("); the folder is looked at every ") +
                QString::number(settings.rescanMs / 1000.0) + QStringLiteral(" s"));
  const int status = QCoreApplication::exec();
  consoleLine(QStringLiteral("watch: stopped"));
  return status;
}
