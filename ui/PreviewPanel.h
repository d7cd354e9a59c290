// The "Preview" panel: the checked numeric and boolean variables of the
// loaded log plotted over the file's time span, one strip each, from a
// min/max envelope per pixel column computed in the background. Dragging
// across the plot chooses a time window; a zoomed view is computed again at
// the screen's resolution for the visible range. The chosen window and the
// row-condition limits are drawn over the strips.
#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <memory>

#include "decode/PreviewEnvelope.h"

class QLabel;
class QPushButton;
class QThreadPool;
class QTimer;
class PreviewPlot;

struct PreviewVariable {
  uint16_t id = 0;
  QString label;     // the alias, or the full name
  QString unit;      // the catalog's unit symbol, possibly empty
  QString fullName;  // picks the variable's colour; the label when empty
  bool boolean = false;
};

struct PreviewLimit {
  QString label;  // the condition as its chip reads
  double limit = 0;
  QString variable;  // the full name of the variable it limits
};

class PreviewPanel : public QWidget {
  Q_OBJECT

 public:
  explicit PreviewPanel(QWidget* parent = nullptr);
  ~PreviewPanel() override;

  // What to plot. Each call cancels a computation in progress; refresh()
  // starts the next one.
  void setLog(const QString& path, int64_t startMs, int64_t endMs);
  void setVariables(const QList<PreviewVariable>& variables);
  void setLimits(const QList<PreviewLimit>& limits);
  // Times on the axis and in the read-out in UTC instead of local time.
  void setUtc(bool utc);
  // Asked first for every envelope, on the worker thread; the record stream
  // is read when it has nothing. Set it before refresh(); empty: none.
  void setEnvelopeSource(zrl::EnvelopeSource source);
  // Starts computing in the background when there is something to plot.
  void refresh();
  void cancel();

  // The chosen time window, drawn as a band over the plot.
  void setSelection(int64_t startMs, int64_t endMs);

  bool busy() const { return job_ != nullptr; }
  // Plotted variables (strips).
  int seriesCount() const;
  QString statusText() const;
  PreviewPlot* plot() const { return plot_; }
  QPushButton* useViewButton() const { return useView_; }
  QPushButton* wholeLogButton() const { return wholeLog_; }
  // The range the zoomed view was last computed for (empty: none).
  zrl::EnvelopeRange detailRange() const;
  // Opened, the preview asks for a readable plot; it can be made as low as
  // its minimum when the window is small.
  QSize sizeHint() const override;

 signals:
  // A drag across the plot, or "Use view as time window", chose [startMs, endMs].
  void selectionDragged(qint64 startMs, qint64 endMs);
  // A computation ended (complete, cancelled or failed) and the plot shows it.
  void computed();

 private:
  struct Job;
  void start(const zrl::EnvelopeRange& range, int columns);
  void showResult(const zrl::PreviewResult& result, const zrl::EnvelopeRange& range);
  void showProgress(int percent);
  void showStrips();
  void computeView();

  QString path_;
  int64_t startMs_ = 0;
  int64_t endMs_ = 0;
  QList<PreviewVariable> variables_;
  QList<PreviewVariable> shownVariables_;  // those the envelopes were computed for
  QList<PreviewLimit> limits_;
  zrl::PreviewEnvelope overview_;  // the whole log
  zrl::PreviewEnvelope detail_;    // the zoomed view; no columns when none
  std::shared_ptr<Job> job_;
  // Shared with the jobs that run while it is replaced.
  std::shared_ptr<const zrl::EnvelopeSource> source_;
  QThreadPool* pool_ = nullptr;
  QTimer* viewTimer_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* wholeLog_ = nullptr;
  QPushButton* useView_ = nullptr;
  PreviewPlot* plot_ = nullptr;
};
