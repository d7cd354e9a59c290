// The bottom row: the progress bar that carries the status text in the
// colours of its state, and the clock of the running decode.
#pragma once

#include <QString>
#include <QTime>
#include <QWidget>

class QLCDNumber;
class QPushButton;
class QProgressBar;
class QTimer;

class ProgressPanel : public QWidget {
  Q_OBJECT

 public:
  explicit ProgressPanel(QWidget* parent = nullptr);

  // `state` is "ready", "processing", "success", "error", "cancelled" or
  // empty, and selects the bar's colours.
  void setStatus(const QString& text, const QString& state);
  QString statusText() const;
  QString state() const;
  void setPercent(int percent);

  // A run starts: the clock from zero, the bar showing percentages, and
  // polled() every tenth of a second until stopRun().
  void startRun();
  void stopRun();
  // One second more on the clock.
  void tick();
  const QTime& elapsed() const { return elapsed_; }
  void setElapsed(const QTime& elapsed) { elapsed_ = elapsed; }
  int clockInterval() const;
  int pollInterval() const;

  // The buttons that open what a successful decode wrote; hidden until
  // showOpenButtons().
  void showOpenButtons(bool folder, bool csv);
  QPushButton* openFolderButton() const { return openFolderButton_; }
  QPushButton* openCsvButton() const { return openCsvButton_; }

  QProgressBar* bar() const { return bar_; }
  QLCDNumber* clock() const { return clock_; }

 signals:
  void polled();
  void openFolderClicked();
  void openCsvClicked();

 private:
  QProgressBar* bar_;
  QLCDNumber* clock_;
  QPushButton* openFolderButton_;
  QPushButton* openCsvButton_;
  QTimer* clockTimer_;
  QTimer* pollTimer_;
  QTime elapsed_{0, 0, 0};
};
