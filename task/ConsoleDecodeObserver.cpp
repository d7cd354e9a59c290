#include "task/ConsoleDecodeObserver.h"

#include "common/Console.h"
#include "common/PathText.h"
#include "task/DecodeProgress.h"

void ConsoleDecodeObserver::aboutToRun(const DecodeJob& job, const zrl::Decoder& decoder) {
  if (beforeRun_) beforeRun_(job, decoder);
  if (terminal_) terminal_->start();
}

void ConsoleDecodeObserver::progressed(std::uint64_t done, std::uint64_t total) {
  const int percent = progressPercentFor(done, total);
  if (verbose_ && takeVerbosePercent(percent)) {
    QString text = QString::number(percent) + QStringLiteral("% ");
    if (controller_ && controller_->sendsToDatabase())
      text += QStringLiteral("(") + QString::number(controller_->pointsWritten()) + QStringLiteral(" points sent) ");
    reportText(text);
  }
  if (terminal_) terminal_->update(done, total);
}

void ConsoleDecodeObserver::problemReported(const QString& text) {
  consoleText(QStringLiteral("\nError while decoding: ") + text + QStringLiteral("\n"));
}

void ConsoleDecodeObserver::report(std::uint64_t done, std::uint64_t total, const std::string& message) {
  progressed(done, total);
  if (!message.empty()) problemReported(pathFromBytes(message));
}
