// The preview's plot: one strip per variable, stacked on a shared time axis,
// each with its own value scale of round ticks. The mouse chooses a time
// window (drag), zooms (wheel, Ctrl+drag), pans (Shift+drag or the middle
// button) and shows the whole log again (double-click); a cursor follows it
// and reads out the time and each strip's value.
#pragma once

#include <QList>
#include <QVector>
#include <qcustomplot.h>

#include "ui/preview/PlotScales.h"

struct PreviewLimitLine {
  QString label;
  double limit = 0;
};

struct PreviewStrip {
  QString title;  // the alias or name, with its unit
  QString unit;
  QColor colour;
  bool boolean = false;
  // Sorted by time; where a pixel column's lowest and highest values differ,
  // both are given at the same time.
  QVector<double> timesMs;
  QVector<double> values;
  QList<PreviewLimitLine> limits;
};

class PreviewPlot : public QCustomPlot {
  Q_OBJECT

 public:
  explicit PreviewPlot(QWidget* parent = nullptr);

  // The whole log: the view's bounds.
  void setSpan(qint64 startMs, qint64 endMs);
  qint64 spanStartMs() const { return spanStartMs_; }
  qint64 spanEndMs() const { return spanEndMs_; }
  // Replaces the strips; the view stays.
  void setStrips(const QVector<PreviewStrip>& strips);
  int stripCount() const { return strips_.size(); }
  const PreviewStrip& strip(int index) const { return strips_[index]; }
  NiceScale scaleOf(int index) const { return scales_[index]; }
  QCPAxisRect* stripRect(int index) const { return rects_[index]; }

  // The visible time range, kept within the span.
  void setView(qint64 startMs, qint64 endMs);
  qint64 viewStartMs() const { return viewStartMs_; }
  qint64 viewEndMs() const { return viewEndMs_; }
  bool showsWholeSpan() const { return viewStartMs_ <= spanStartMs_ && viewEndMs_ >= spanEndMs_; }
  // Narrows (factor < 1) or widens the view around a time.
  void zoomAround(qint64 centreMs, double factor);

  void setTimeSpec(Qt::TimeSpec timeBase);
  QString timeFormat() const;

  // The chosen time window, drawn as a band; an empty span draws none.
  void setBand(qint64 startMs, qint64 endMs);
  qint64 bandStartMs() const { return bandStartMs_; }
  qint64 bandEndMs() const { return bandEndMs_; }

  // The time under a point of the widget, within the view.
  qint64 timeAt(const QPoint& point) const;
  // The point at a time, half-way up a strip.
  QPoint pointAt(qint64 timeMs, int strip = 0) const;
  // The time, then each strip's value at a time, as the cursor reads them out.
  QStringList readoutAt(qint64 timeMs) const;
  // Pixel columns of the strips, for an envelope as sharp as the screen.
  int plotWidth() const;

 signals:
  void dragged(qint64 startMs, qint64 endMs);
  // The user zoomed or panned.
  void viewChanged(qint64 startMs, qint64 endMs);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  enum class Gesture { None, Select, Zoom, Pan };
  void rebuild();
  void applyScales();
  void applyView();
  bool insideStrips(const QPoint& point) const;
  double xOf(qint64 timeMs) const;
  QString valueText(int strip, qint64 timeMs) const;
  void setViewByUser(qint64 startMs, qint64 endMs);

  QVector<PreviewStrip> strips_;
  QVector<NiceScale> scales_;
  QVector<QCPAxisRect*> rects_;
  QCPMarginGroup* margins_ = nullptr;
  QSharedPointer<QCPAxisTickerDateTime> timeTicker_;
  Qt::TimeSpec timeBase_ = Qt::LocalTime;
  qint64 spanStartMs_ = 0, spanEndMs_ = 0;
  qint64 viewStartMs_ = 0, viewEndMs_ = 0;
  qint64 bandStartMs_ = 0, bandEndMs_ = 0;
  Gesture gesture_ = Gesture::None;
  QPoint pressPoint_;
  qint64 pressTimeMs_ = 0;
  qint64 pressViewStartMs_ = 0, pressViewEndMs_ = 0;
  qint64 gestureNowMs_ = 0;
  int cursorX_ = -1;
};
