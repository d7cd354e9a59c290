// The "Preview" panel: the checked numeric and boolean variables of the
// loaded log plotted over the file's time span, one line each, from a min/max
// envelope per pixel column computed in the background. Dragging across the
// plot chooses a time window; the chosen window and the row-condition limits
// are drawn over the lines.
#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <memory>

#include "decode/PreviewEnvelope.h"

class QLabel;
class QThreadPool;
class PreviewChartView;

namespace QtCharts {
class QChart;
}

struct PreviewVariable {
  uint16_t id = 0;
  QString label;  // the alias, or the full name
};

struct PreviewLimit {
  QString label;  // the condition as its chip reads
  double limit = 0;
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
  // Starts computing in the background when there is something to plot.
  void refresh();
  void cancel();

  // The chosen time window, drawn as a band over the plot.
  void setSelection(int64_t startMs, int64_t endMs);

  bool busy() const { return job_ != nullptr; }
  // Plotted variables, the limit lines left out.
  int seriesCount() const;
  QString statusText() const;
  PreviewChartView* chartView() const { return view_; }
  // Opened, the preview asks for a readable plot; it can be made as low as
  // its minimum when the window is small.
  QSize sizeHint() const override;

 signals:
  // A drag across the plot chose [startMs, endMs].
  void selectionDragged(qint64 startMs, qint64 endMs);
  // A computation ended (complete, cancelled or failed) and the plot shows it.
  void computed();

 private:
  struct Job;
  void showResult(const zrl::PreviewResult& result);
  void showProgress(int percent);
  void drawLimits();

  QString path_;
  int64_t startMs_ = 0;
  int64_t endMs_ = 0;
  QList<PreviewVariable> variables_;
  QList<PreviewLimit> limits_;
  std::shared_ptr<Job> job_;
  QThreadPool* pool_ = nullptr;
  QLabel* status_ = nullptr;
  PreviewChartView* view_ = nullptr;
  QtCharts::QChart* chart_ = nullptr;
};
