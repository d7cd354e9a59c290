// The plot of the preview: a chart view on which a drag across the plot
// chooses a time span, and which draws the chosen span as a band.
#pragma once

#include <QtCharts/QChartView>

class PreviewChartView : public QtCharts::QChartView {
  Q_OBJECT

 public:
  explicit PreviewChartView(QtCharts::QChart* chart, QWidget* parent = nullptr);

  // The band drawn over the plot; an empty span (start >= end) draws none.
  void setBand(qint64 startMs, qint64 endMs);
  qint64 bandStartMs() const { return bandStartMs_; }
  qint64 bandEndMs() const { return bandEndMs_; }
  // The time under a point of the view, within the time axis.
  qint64 timeAt(const QPoint& viewPoint) const;
  // The point of the view at `timeMs`, half-way up the plot.
  QPoint pointAt(qint64 timeMs) const;

 signals:
  void dragged(qint64 startMs, qint64 endMs);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void drawForeground(QPainter* painter, const QRectF& rect) override;

 private:
  bool axisSpan(qint64& minMs, qint64& maxMs) const;

  bool dragging_ = false;
  QPoint dragFrom_;
  qint64 dragStartMs_ = 0;
  qint64 bandStartMs_ = 0;
  qint64 bandEndMs_ = 0;
};
