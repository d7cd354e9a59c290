#include "ui/preview/PreviewPlot.h"

#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// A click that hardly moves chooses nothing.
constexpr int kMinimumDragPixels = 3;
// Below this the envelope has nothing more to show than single records.
constexpr qint64 kShortestViewMs = 20;
// A wheel notch narrows the view by this much.
constexpr double kWheelZoom = 0.8;
constexpr int kStripSpacing = 3;
const QColor kBandColour(0x00, 0x7A, 0xCC);
const QColor kLimitColour(0xB7, 0x1C, 0x1C);

double secondsOf(qint64 timeMs) { return static_cast<double>(timeMs) / 1000.0; }

QFont smallFont(const QFont& base, int delta, bool bold = false) {
  QFont font = base;
  font.setPointSizeF(std::max(6.0, font.pointSizeF() + delta));
  font.setBold(bold);
  return font;
}

// Time ticks on whole seconds, minutes and hours (5 s, 15 min, 6 h), never
// on the 2.5 s or 25 min a decimal scale would choose.
class TimeTicker : public QCPAxisTickerDateTime {
 protected:
  double getTickStep(const QCPRange& range) override {
    const double base = QCPAxisTickerDateTime::getTickStep(range);
    const double ideal = range.size() / std::max(1, tickCount());
    // Longer steps are days, weeks and months, which the base aligns on dates.
    if (ideal > 6 * 3600) return base;
    static constexpr double kSteps[] = {0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 30,
                                        60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600};
    for (double step : kSteps)
      if (step >= ideal) return step;
    return base;
  }
};

}  // namespace

PreviewPlot::PreviewPlot(QWidget* parent) : QCustomPlot(parent) {
  setMouseTracking(true);
  timeTicker_ = QSharedPointer<TimeTicker>::create();
  timeTicker_->setDateTimeSpec(timeBase_);
  plotLayout()->clear();
  plotLayout()->setRowSpacing(kStripSpacing);
}

void PreviewPlot::setSpan(qint64 startMs, qint64 endMs) {
  spanStartMs_ = startMs;
  spanEndMs_ = std::max(endMs, startMs + kShortestViewMs);
  viewStartMs_ = spanStartMs_;
  viewEndMs_ = spanEndMs_;
  applyView();
}

void PreviewPlot::setStrips(const QVector<PreviewStrip>& strips) {
  strips_ = strips;
  rebuild();
}

void PreviewPlot::setTimeSpec(Qt::TimeSpec timeBase) {
  timeBase_ = timeBase;
  timeTicker_->setDateTimeSpec(timeBase);
  applyView();
}

QString PreviewPlot::timeFormat() const { return timeTicker_->dateTimeFormat(); }

void PreviewPlot::setBand(qint64 startMs, qint64 endMs) {
  bandStartMs_ = startMs;
  bandEndMs_ = endMs;
  update();
}

void PreviewPlot::setView(qint64 startMs, qint64 endMs) {
  if (endMs < startMs) std::swap(startMs, endMs);
  const qint64 whole = spanEndMs_ - spanStartMs_;
  qint64 span = std::clamp(endMs - startMs, std::min(kShortestViewMs, whole), whole);
  startMs = (startMs + endMs) / 2 - span / 2;
  startMs = std::clamp(startMs, spanStartMs_, spanEndMs_ - span);
  viewStartMs_ = startMs;
  viewEndMs_ = startMs + span;
  applyView();
}

void PreviewPlot::setViewByUser(qint64 startMs, qint64 endMs) {
  setView(startMs, endMs);
  emit viewChanged(viewStartMs_, viewEndMs_);
}

void PreviewPlot::zoomAround(qint64 centreMs, double factor) {
  const double start = static_cast<double>(centreMs) - static_cast<double>(centreMs - viewStartMs_) * factor;
  const double end = static_cast<double>(centreMs) + static_cast<double>(viewEndMs_ - centreMs) * factor;
  setViewByUser(std::llround(start), std::llround(end));
}

void PreviewPlot::rebuild() {
  clearItems();
  clearGraphs();
  plotLayout()->clear();
  delete margins_;
  margins_ = new QCPMarginGroup(this);
  rects_.clear();
  scales_.fill(NiceScale(), strips_.size());
  const QColor grid(0xE3, 0xE3, 0xE3);
  for (int i = 0; i < strips_.size(); ++i) {
    const PreviewStrip& strip = strips_[i];
    auto* rect = new QCPAxisRect(this, false);
    rect->addAxes(QCPAxis::atBottom | QCPAxis::atLeft);
    plotLayout()->addElement(i, 0, rect);
    rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins_);
    // Room on the right for the last time label, and a little between strips.
    // The top strip's highest value label needs room above it, or it is left out.
    rect->setMinimumMargins(QMargins(8, i == 0 ? 8 : 2, 28, 2));
    QCPAxis* time = rect->axis(QCPAxis::atBottom);
    QCPAxis* value = rect->axis(QCPAxis::atLeft);
    time->setTicker(timeTicker_);
    time->setTickLabels(i == strips_.size() - 1);
    time->setTickLabelFont(smallFont(font(), -1));
    time->grid()->setPen(QPen(grid, 1));
    time->setSubTicks(false);
    value->setTickLabelFont(smallFont(font(), -1));
    value->grid()->setPen(QPen(grid, 1));
    value->setSubTicks(false);
    value->setNumberFormat(QStringLiteral("g"));
    value->setNumberPrecision(7);
    value->setTicker(QSharedPointer<QCPAxisTickerFixed>::create());
    rects_.append(rect);

    QCPGraph* graph = addGraph(time, value);
    graph->setPen(QPen(strip.colour, 1.4));
    QVector<double> keys(strip.timesMs.size());
    std::transform(strip.timesMs.begin(), strip.timesMs.end(), keys.begin(), [](double t) { return t / 1000.0; });
    graph->setData(keys, strip.values, true);
    if (strip.boolean) {
      // A step that holds until the next value, the "on" stretches filled.
      graph->setLineStyle(QCPGraph::lsStepLeft);
      QColor fill = strip.colour;
      fill.setAlpha(45);
      graph->setBrush(fill);
    }
    for (const PreviewLimitLine& limit : strip.limits) {
      auto* line = new QCPItemStraightLine(this);
      line->setClipAxisRect(rect);
      for (QCPItemPosition* point : {line->point1, line->point2}) point->setAxes(time, value);
      line->point1->setCoords(0, limit.limit);
      line->point2->setCoords(1, limit.limit);
      QPen pen(kLimitColour, 1.3, Qt::DashLine);
      line->setPen(pen);
      auto* label = new QCPItemText(this);
      label->setClipAxisRect(rect);
      label->position->setAxisRect(rect);
      label->position->setAxes(time, value);
      label->position->setTypeX(QCPItemPosition::ptAxisRectRatio);
      label->position->setTypeY(QCPItemPosition::ptPlotCoords);
      label->position->setCoords(0.995, limit.limit);
      label->setPositionAlignment(Qt::AlignRight | Qt::AlignBottom);
      label->setText(limit.label);
      label->setFont(smallFont(font(), -2));
      label->setColor(kLimitColour);
    }
  }
  applyView();
}

namespace {

// Widens [low, high] to the finite values a strip draws between two times:
// its points inside, or where none is, the points either side, whose line
// crosses the range.
void visibleExtent(const PreviewStrip& strip, double fromMs, double toMs, double& low, double& high) {
  const auto& times = strip.timesMs;
  const int first = static_cast<int>(std::lower_bound(times.begin(), times.end(), fromMs) - times.begin());
  const int last = static_cast<int>(std::upper_bound(times.begin(), times.end(), toMs) - times.begin());
  const auto take = [&](int from, int to) {
    for (int i = std::max(0, from); i < std::min(to, static_cast<int>(strip.values.size())); ++i)
      if (std::isfinite(strip.values[i])) low = std::min(low, strip.values[i]), high = std::max(high, strip.values[i]);
  };
  take(first, last);
  if (low > high) {
    // Both ends of a column share its time: take all the points at each neighbouring time.
    int before = first;
    while (before > 0 && times[before - 1] == times[first - 1]) --before;
    int after = last;
    while (after < times.size() && times[after] == times[last]) ++after;
    if (first > 0) take(before, first);
    if (last < times.size()) take(last, after);
  }
}

}  // namespace

// Each strip's ticks: round values of what the view shows, as many as its
// height holds. A boolean strip always reads 0 and 1.
void PreviewPlot::applyScales() {
  if (rects_.isEmpty()) return;
  const int stripHeight = (height() - 40 - kStripSpacing * rects_.size()) / rects_.size();
  const int maxTicks = std::clamp(stripHeight / 18, 2, 6);
  for (int i = 0; i < strips_.size(); ++i) {
    const PreviewStrip& strip = strips_[i];
    NiceScale scale{0, 1, 1};
    if (!strip.boolean) {
      double low = INFINITY, high = -INFINITY;
      visibleExtent(strip, static_cast<double>(viewStartMs_), static_cast<double>(viewEndMs_), low, high);
      for (const PreviewLimitLine& limit : strip.limits)
        if (std::isfinite(limit.limit)) low = std::min(low, limit.limit), high = std::max(high, limit.limit);
      scale = low <= high ? niceScale(low, high, maxTicks) : NiceScale{0, 1, 0.5};
    }
    scales_[i] = scale;
    QCPAxis* value = rects_[i]->axis(QCPAxis::atLeft);
    value->ticker().staticCast<QCPAxisTickerFixed>()->setTickStep(scale.step);
    value->ticker().staticCast<QCPAxisTickerFixed>()->setScaleStrategy(QCPAxisTickerFixed::ssNone);
    // A little room above and below: the line never runs along the frame.
    const double room = (scale.high - scale.low) * (strip.boolean ? 0.15 : 0.06);
    value->setRange(scale.low - room, scale.high + room);
  }
}

void PreviewPlot::applyView() {
  // The value scales follow the view: a zoom into a quiet stretch shows it
  // at its own scale, not flattened under the whole log's range.
  applyScales();
  timeTicker_->setDateTimeFormat(timeAxisFormat(viewStartMs_, viewEndMs_, timeBase_));
  timeTicker_->setTickCount(std::max(2, width() / 140));
  for (QCPAxisRect* rect : rects_)
    rect->axis(QCPAxis::atBottom)->setRange(secondsOf(viewStartMs_), secondsOf(viewEndMs_));
  replot();
}

int PreviewPlot::plotWidth() const { return rects_.isEmpty() ? width() - 80 : rects_.first()->width(); }

bool PreviewPlot::insideStrips(const QPoint& point) const {
  for (QCPAxisRect* rect : rects_)
    if (rect->rect().contains(point)) return true;
  return false;
}

double PreviewPlot::xOf(qint64 timeMs) const {
  if (rects_.isEmpty()) return 0;
  return rects_.first()->axis(QCPAxis::atBottom)->coordToPixel(secondsOf(timeMs));
}

qint64 PreviewPlot::timeAt(const QPoint& point) const {
  if (rects_.isEmpty()) return viewStartMs_;
  const double seconds = rects_.first()->axis(QCPAxis::atBottom)->pixelToCoord(point.x());
  return std::clamp(std::llround(seconds * 1000.0), viewStartMs_, viewEndMs_);
}

QPoint PreviewPlot::pointAt(qint64 timeMs, int strip) const {
  if (rects_.isEmpty()) return rect().center();
  return QPoint(static_cast<int>(std::lround(xOf(timeMs))), rects_[strip]->rect().center().y());
}

QString PreviewPlot::valueText(int index, qint64 timeMs) const {
  const PreviewStrip& strip = strips_[index];
  const auto after = std::upper_bound(strip.timesMs.begin(), strip.timesMs.end(), static_cast<double>(timeMs));
  if (after == strip.timesMs.begin()) return QStringLiteral("-");
  // The last column at or before the time: the value held then.
  auto first = after - 1;
  while (first != strip.timesMs.begin() && *(first - 1) == *first) --first;
  double low = INFINITY, high = -INFINITY;
  for (auto it = first; it != after; ++it) {
    const double v = strip.values[static_cast<int>(it - strip.timesMs.begin())];
    low = std::min(low, v), high = std::max(high, v);
  }
  const QString unit = strip.unit.isEmpty() ? QString() : QLatin1Char(' ') + strip.unit;
  if (low == high) return QString::number(low, 'g', 7) + unit;
  return QStringLiteral("%1 to %2").arg(QString::number(low, 'g', 7), QString::number(high, 'g', 7)) + unit;
}

QStringList PreviewPlot::readoutAt(qint64 timeMs) const {
  QStringList lines{QDateTime::fromMSecsSinceEpoch(timeMs, timeBase_).toString(QStringLiteral("dd/MM/yyyy HH:mm:ss.zzz"))};
  for (int i = 0; i < strips_.size(); ++i) lines << valueText(i, timeMs);
  return lines;
}

void PreviewPlot::mousePressEvent(QMouseEvent* event) {
  if (!insideStrips(event->pos())) return;
  pressPoint_ = event->pos();
  pressTimeMs_ = gestureNowMs_ = timeAt(event->pos());
  pressViewStartMs_ = viewStartMs_;
  pressViewEndMs_ = viewEndMs_;
  if (event->button() == Qt::MiddleButton ||
      (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier)))
    gesture_ = Gesture::Pan;
  else if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier))
    gesture_ = Gesture::Zoom;
  else if (event->button() == Qt::LeftButton)
    gesture_ = Gesture::Select;
  event->accept();
}

void PreviewPlot::mouseMoveEvent(QMouseEvent* event) {
  cursorX_ = insideStrips(event->pos()) || gesture_ != Gesture::None ? event->pos().x() : -1;
  switch (gesture_) {
    case Gesture::Pan: {
      const double msPerPixel = static_cast<double>(pressViewEndMs_ - pressViewStartMs_) / std::max(1, plotWidth());
      const auto shift = std::llround((event->pos().x() - pressPoint_.x()) * msPerPixel);
      setViewByUser(pressViewStartMs_ - shift, pressViewEndMs_ - shift);
      break;
    }
    case Gesture::Select: {
      const qint64 now = timeAt(event->pos());
      setBand(std::min(pressTimeMs_, now), std::max(pressTimeMs_, now));
      break;
    }
    case Gesture::Zoom: gestureNowMs_ = timeAt(event->pos()); break;
    case Gesture::None: break;
  }
  update();
}

void PreviewPlot::mouseReleaseEvent(QMouseEvent* event) {
  const Gesture gesture = gesture_;
  gesture_ = Gesture::None;
  update();
  const bool moved = std::abs(event->pos().x() - pressPoint_.x()) >= kMinimumDragPixels;
  if (!moved) return;
  const qint64 now = timeAt(event->pos());
  const qint64 from = std::min(pressTimeMs_, now), to = std::max(pressTimeMs_, now);
  if (gesture == Gesture::Select) {
    setBand(from, to);
    emit dragged(from, to);
  } else if (gesture == Gesture::Zoom) {
    setViewByUser(from, to);
  }
}

void PreviewPlot::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && insideStrips(event->pos())) setViewByUser(spanStartMs_, spanEndMs_);
}

void PreviewPlot::wheelEvent(QWheelEvent* event) {
  const QPoint point = event->position().toPoint();
  const double notches = event->angleDelta().y() / 120.0;
  if (!insideStrips(point) || notches == 0) return;
  zoomAround(timeAt(point), std::pow(kWheelZoom, notches));
  event->accept();
}

void PreviewPlot::leaveEvent(QEvent* event) {
  cursorX_ = -1;
  update();
  QCustomPlot::leaveEvent(event);
}

void PreviewPlot::resizeEvent(QResizeEvent* event) {
  applyScales();
  timeTicker_->setTickCount(std::max(2, event->size().width() / 140));
  QCustomPlot::resizeEvent(event);
}

// Over the rendered strips: their titles (with the cursor's values), the
// chosen window, the zoom being dragged and the cursor with its time.
void PreviewPlot::paintEvent(QPaintEvent* event) {
  QCustomPlot::paintEvent(event);
  if (rects_.isEmpty()) return;
  QPainter painter(this);
  const QRect top = rects_.first()->rect(), bottom = rects_.last()->rect();
  const auto clampX = [&](double x) { return std::clamp(x, double(top.left()), double(top.right())); };
  if (bandEndMs_ > bandStartMs_) {
    const QRectF band(QPointF(clampX(xOf(bandStartMs_)), top.top()), QPointF(clampX(xOf(bandEndMs_)), bottom.bottom()));
    painter.setPen(QPen(kBandColour, 1));
    QColor fill = kBandColour;
    fill.setAlpha(40);
    painter.setBrush(fill);
    painter.drawRect(band);
  }
  if (gesture_ == Gesture::Zoom) {
    painter.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    painter.setBrush(QColor(0, 0, 0, 20));
    painter.drawRect(QRectF(QPointF(clampX(xOf(pressTimeMs_)), top.top()),
                            QPointF(clampX(xOf(gestureNowMs_)), bottom.bottom())));
  }
  const bool cursor = cursorX_ >= top.left() && cursorX_ <= top.right();
  const QStringList readout = cursor ? readoutAt(timeAt(QPoint(cursorX_, top.top()))) : QStringList();
  const QFont titleFont = smallFont(font(), -1, true);
  painter.setFont(titleFont);
  const QFontMetrics metrics(titleFont);
  for (int i = 0; i < rects_.size(); ++i) {
    const QString text = strips_[i].title + (cursor ? QStringLiteral(":  ") + readout[i + 1] : QString());
    QRect box = metrics.boundingRect(text).adjusted(-4, -1, 4, 1);
    box.moveTopLeft(rects_[i]->rect().topLeft() + QPoint(4, 3));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 215));
    painter.drawRect(box);
    painter.setPen(strips_[i].colour.darker(130));
    painter.drawText(box, Qt::AlignCenter, text);
  }
  if (cursor) {
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    painter.drawLine(QPoint(cursorX_, top.top()), QPoint(cursorX_, bottom.bottom()));
    painter.setFont(smallFont(font(), -1));
    const QFontMetrics timeMetrics(painter.font());
    QRect box = timeMetrics.boundingRect(readout.first()).adjusted(-4, -2, 4, 2);
    box.moveBottomLeft(QPoint(std::min(cursorX_ + 4, bottom.right() - box.width()), bottom.bottom() - 2));
    painter.setBrush(QColor(0x30, 0x30, 0x30));
    painter.drawRect(box);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, readout.first());
  }
}
