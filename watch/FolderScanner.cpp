#include "watch/FolderScanner.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "reader/ZrlLayout.h"

namespace {

// The head the digest covers: enough to tell two versions apart together
// with the size and time, little enough to read at every arrival.
constexpr qint64 kDigestBytes = 64 * 1024;
// How often files waiting to settle are looked at: a small part of a second,
// so a log is taken soon after its settle time ends.
constexpr int kTickMs = 100;
constexpr std::uint32_t kFileEvents = IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_MOVED_TO | IN_CREATE;
constexpr std::uint32_t kDirEvents = kFileEvents | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

std::int64_t nowMs() { return QDateTime::currentMSecsSinceEpoch(); }

bool statOf(const QString& path, std::int64_t& size, std::int64_t& mtimeNs) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = static_cast<std::int64_t>(st.st_size);
  mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

}  // namespace

bool looksLikeLog(const QString& fileName) {
  return !fileName.startsWith(QLatin1Char('.')) && fileName.endsWith(QLatin1String(".zrl"), Qt::CaseInsensitive);
}

bool logFinalised(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const qint64 sizeAt = zrl::kMagicSize + zrl::header::kUncompressedSize;
  unsigned char magic[zrl::kMagicSize] = {};
  if (file.read(reinterpret_cast<char*>(magic), sizeof magic) != static_cast<qint64>(sizeof magic)) {
    // Not even a magic number yet: a logger that has just created the file.
    return false;
  }
  const std::uint32_t magicValue = magic[0] | (magic[1] << 8) | (magic[2] << 16) | (std::uint32_t(magic[3]) << 24);
  // Something else under a log's name is taken, and refused once.
  if (magicValue != zrl::kMagicNumber) return true;
  unsigned char stored[4] = {};
  if (!file.seek(sizeAt) || file.read(reinterpret_cast<char*>(stored), 4) != 4) return false;
  return (stored[0] | stored[1] | stored[2] | stored[3]) != 0;
}

std::optional<LogIdentity> identityOf(const QString& path) {
  LogIdentity identity;
  identity.path = path;
  if (!statOf(path, identity.size, identity.mtimeNs)) return std::nullopt;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(file.read(kDigestBytes));
  identity.headDigest = QString::fromLatin1(hash.result().toHex());
  return identity;
}

FolderScanner::FolderScanner(const QString& folder, int settleMs, int rescanMs, QStringList skipped,
                             std::function<bool(const QString&, std::int64_t, std::int64_t)> known, QObject* parent)
    : QObject(parent), folder_(folder), settleMs_(settleMs), skipped_(std::move(skipped)), known_(std::move(known)) {
  rescanTimer_.setInterval(rescanMs);
  connect(&rescanTimer_, &QTimer::timeout, this, &FolderScanner::rescan);
  tickTimer_.setInterval(kTickMs);
  connect(&tickTimer_, &QTimer::timeout, this, &FolderScanner::tick);
}

FolderScanner::~FolderScanner() {
  notifier_.reset();
  if (inotify_ != -1) ::close(inotify_);
}

bool FolderScanner::start() {
  inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (inotify_ == -1) {
    // Without events the rescans still find every log, only later.
    error_ = QString::fromLocal8Bit(std::strerror(errno));
  } else {
    notifier_ = std::make_unique<QSocketNotifier>(inotify_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &FolderScanner::readEvents);
  }
  rescan();
  rescanTimer_.start();
  tickTimer_.start();
  return true;
}

bool FolderScanner::skippedPath(const QString& path) const {
  for (const QString& skipped : skipped_)
    if (path == skipped || path.startsWith(skipped + QLatin1Char('/'))) return true;
  return false;
}

void FolderScanner::watchTree(const QString& dir) {
  if (inotify_ == -1 || skippedPath(dir)) return;
  if (!watchedDirs_.contains(dir)) {
    const int wd = ::inotify_add_watch(inotify_, QFile::encodeName(dir).constData(), kDirEvents);
    if (wd >= 0) {
      watches_[wd] = dir;
      watchedDirs_.insert(dir);
    }
  }
}

void FolderScanner::rescan() {
  watchTree(folder_);
  QDirIterator it(folder_, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    if (skippedPath(path)) continue;
    const QFileInfo info = it.fileInfo();
    if (info.isDir()) {
      if (!info.isSymLink()) watchTree(path);
    } else if (looksLikeLog(info.fileName())) {
      consider(path);
    }
  }
}

void FolderScanner::readEvents() {
  alignas(inotify_event) char buffer[64 * 1024];
  for (;;) {
    const ssize_t length = ::read(inotify_, buffer, sizeof buffer);
    if (length <= 0) break;
    for (ssize_t at = 0; at < length;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->mask & IN_Q_OVERFLOW) {
        // Events were lost: only a look at everything finds what they said.
        rescan();
        continue;
      }
      const auto found = watches_.find(event->wd);
      if (found == watches_.end()) continue;
      if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
        if (event->mask & IN_IGNORED) {
          watchedDirs_.remove(found->second);
          watches_.erase(found);
        }
        continue;
      }
      if (event->len == 0) continue;
      const QString name = QFile::decodeName(event->name);
      const QString path = found->second + QLatin1Char('/') + name;
      if (skippedPath(path)) continue;
      if (event->mask & IN_ISDIR) {
        if (event->mask & (IN_CREATE | IN_MOVED_TO)) {
          // A folder that arrives with files in it tells of none of them.
          watchTree(path);
          QDirIterator it(path, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
          while (it.hasNext()) {
            const QString inner = it.next();
            if (it.fileInfo().isDir()) watchTree(inner);
            else if (looksLikeLog(it.fileName())) consider(inner);
          }
        }
      } else if (looksLikeLog(name)) {
        consider(path);
      }
    }
  }
}

void FolderScanner::consider(const QString& path) {
  const std::string key = path.toStdString();
  if (candidates_.count(key) != 0) return;
  Candidate c;
  if (!statOf(path, c.size, c.mtimeNs)) return;
  if (known_ && known_(path, c.size, c.mtimeNs)) return;
  // Unchanged since its time says: a log that lay there before the watch
  // began need not wait a whole settle time again.
  c.stableSinceMs = std::min(nowMs(), c.mtimeNs / 1000000);
  candidates_.emplace(key, c);
}

void FolderScanner::tick() {
  const std::int64_t now = nowMs();
  for (auto it = candidates_.begin(); it != candidates_.end();) {
    const QString path = QString::fromStdString(it->first);
    Candidate& c = it->second;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    if (!statOf(path, size, mtimeNs)) {
      it = candidates_.erase(it);
      continue;
    }
    if (size != c.size || mtimeNs != c.mtimeNs) {
      c.size = size;
      c.mtimeNs = mtimeNs;
      c.stableSinceMs = now;
      ++it;
      continue;
    }
    if (now - c.stableSinceMs < settleMs_ || !logFinalised(path)) {
      ++it;
      continue;
    }
    std::optional<LogIdentity> identity = identityOf(path);
    it = candidates_.erase(it);
    // Changed between the look and the digest: the next event or rescan
    // brings it back.
    if (identity && identity->size == size && identity->mtimeNs == mtimeNs) emit ready(*identity);
  }
}
