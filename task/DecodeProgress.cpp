#include "task/DecodeProgress.h"

#include <QMetaObject>
#include <QMutex>
#include <QPointer>

#include <atomic>

namespace {

std::atomic<int> lastPrintedPercent{0};
// Guarded: a window that goes away takes itself out of the hand-over.
QMutex receiverMutex;
QPointer<QObject> receiver;

}  // namespace

int progressPercentFor(std::uint64_t bytesRead, std::uint64_t totalBytes) {
  if (totalBytes == 0) return 0;
  // The counts go through single precision first, like the figures the
  // window has always shown; the division itself is done wide.
  const long double read = static_cast<float>(bytesRead);
  const long double total = static_cast<float>(totalBytes);
  return static_cast<int>(read / total * 100.0L + 0.5L);
}

bool takeVerbosePercent(int percent) {
  if (percent == lastPrintedPercent.load()) return false;
  if (percent % 5 != 0 && percent > 5) return false;
  lastPrintedPercent.store(percent);
  return true;
}

void resetVerbosePercent() { lastPrintedPercent.store(0); }

void setCompletionReceiver(QObject* object) {
  QMutexLocker lock(&receiverMutex);
  receiver = object;
}

QObject* completionReceiver() {
  QMutexLocker lock(&receiverMutex);
  return receiver.data();
}

void queueJobComplete(DecoderRunnable*) {
  QMutexLocker lock(&receiverMutex);
  if (receiver) QMetaObject::invokeMethod(receiver.data(), "jobComplete", Qt::QueuedConnection);
}
