// Finds the logs that arrive in a folder or below it and says when each is
// ready to be decoded: its logger has finalised it (the stream size in its
// header is set) and neither its size nor its time has changed for the
// settle time. The kernel's file events tell of new and changed files at
// once; a rescan at an interval finds what file systems without events
// (network shares) never report.
#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>

#include "watch/Journal.h"

class QSocketNotifier;

// Whether the logger has finalised the log at `path`: its head is there and
// stores a stream size other than 0. A file that is no log at all counts as
// finalised, so that it is taken and refused once instead of waiting forever.
bool logFinalised(const QString& path);

// The identity of the log at `path` as it is now (size, time, digest of its
// first 64 KiB); none when it cannot be read.
std::optional<LogIdentity> identityOf(const QString& path);

// Logs are files whose name ends in ".zrl" (any case) and does not start
// with a dot (a copy in progress under a hidden name).
bool looksLikeLog(const QString& fileName);

class FolderScanner : public QObject {
  Q_OBJECT

 public:
  // `known(path, size, mtimeNs)` says whether that file needs no look: the
  // journal has already settled it. Folders in `skipped` (the places logs
  // are moved to) are not watched.
  FolderScanner(const QString& folder, int settleMs, int rescanMs, QStringList skipped,
                std::function<bool(const QString&, std::int64_t, std::int64_t)> known, QObject* parent = nullptr);
  ~FolderScanner() override;

  // Watches the folder and schedules the first scan; false with error().
  bool start();
  const QString& error() const { return error_; }
  // Looks at the whole folder again now.
  void rescan();
  // Files being watched until they settle.
  int waiting() const { return static_cast<int>(candidates_.size()); }

 signals:
  void ready(const LogIdentity& identity);

 private:
  struct Candidate {
    std::int64_t size = -1;
    std::int64_t mtimeNs = -1;
    std::int64_t stableSinceMs = 0;
  };

  void readEvents();
  void watchTree(const QString& dir);
  void consider(const QString& path);
  void tick();
  bool skippedPath(const QString& path) const;

  QString folder_;
  int settleMs_;
  QStringList skipped_;
  std::function<bool(const QString&, std::int64_t, std::int64_t)> known_;
  int inotify_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::unordered_map<int, QString> watches_;  // watch descriptor -> folder
  QSet<QString> watchedDirs_;
  std::unordered_map<std::string, Candidate> candidates_;  // by path (UTF-8)
  QTimer rescanTimer_;
  QTimer tickTimer_;
  QString error_;
};
