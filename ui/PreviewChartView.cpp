#include "ui/PreviewChartView.h"

#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>
#include <QtCharts/QDateTimeAxis>

#include <algorithm>

using namespace QtCharts;

namespace {
// A click that hardly moves is not a choice of span.
constexpr int kMinimumDragPixels = 3;
}  // namespace

PreviewChartView::PreviewChartView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
  setRenderHint(QPainter::Antialiasing);
  setRubberBand(QChartView::NoRubberBand);
  setMouseTracking(false);
}

bool PreviewChartView::axisSpan(qint64& minMs, qint64& maxMs) const {
  const QList<QAbstractAxis*> axes = chart()->axes(Qt::Horizontal);
  const auto* axis = axes.isEmpty() ? nullptr : qobject_cast<QDateTimeAxis*>(axes.first());
  if (!axis) return false;
  minMs = axis->min().toMSecsSinceEpoch();
  maxMs = axis->max().toMSecsSinceEpoch();
  return maxMs > minMs;
}

qint64 PreviewChartView::timeAt(const QPoint& viewPoint) const {
  qint64 minMs = 0, maxMs = 0;
  if (!axisSpan(minMs, maxMs)) return 0;
  const QRectF plot = chart()->plotArea();
  const double x = mapToScene(viewPoint).x() - chart()->pos().x();
  const double fraction = std::clamp((x - plot.left()) / plot.width(), 0.0, 1.0);
  return minMs + static_cast<qint64>(fraction * static_cast<double>(maxMs - minMs) + 0.5);
}

QPoint PreviewChartView::pointAt(qint64 timeMs) const {
  qint64 minMs = 0, maxMs = 0;
  const QRectF plot = chart()->plotArea();
  if (!axisSpan(minMs, maxMs)) return mapFromScene(plot.center());
  const double fraction = static_cast<double>(timeMs - minMs) / static_cast<double>(maxMs - minMs);
  return mapFromScene(QPointF(chart()->pos().x() + plot.left() + fraction * plot.width(), plot.center().y()));
}

void PreviewChartView::setBand(qint64 startMs, qint64 endMs) {
  bandStartMs_ = startMs;
  bandEndMs_ = endMs;
  viewport()->update();
  scene()->update();
}

void PreviewChartView::mousePressEvent(QMouseEvent* event) {
  const QPointF scenePoint = mapToScene(event->pos()) - chart()->pos();
  if (event->button() != Qt::LeftButton || !chart()->plotArea().contains(scenePoint)) {
    QChartView::mousePressEvent(event);
    return;
  }
  dragging_ = true;
  dragFrom_ = event->pos();
  dragStartMs_ = timeAt(event->pos());
  event->accept();
}

void PreviewChartView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) {
    QChartView::mouseMoveEvent(event);
    return;
  }
  const qint64 now = timeAt(event->pos());
  setBand(std::min(dragStartMs_, now), std::max(dragStartMs_, now));
  event->accept();
}

void PreviewChartView::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) {
    QChartView::mouseReleaseEvent(event);
    return;
  }
  dragging_ = false;
  event->accept();
  if (std::abs(event->pos().x() - dragFrom_.x()) < kMinimumDragPixels) return;
  const qint64 now = timeAt(event->pos());
  setBand(std::min(dragStartMs_, now), std::max(dragStartMs_, now));
  emit dragged(bandStartMs_, bandEndMs_);
}

void PreviewChartView::drawForeground(QPainter* painter, const QRectF& rect) {
  QChartView::drawForeground(painter, rect);
  qint64 minMs = 0, maxMs = 0;
  if (bandEndMs_ <= bandStartMs_ || !axisSpan(minMs, maxMs)) return;
  const QRectF plot = chart()->plotArea().translated(chart()->pos());
  const auto xOf = [&](qint64 t) {
    const double fraction = static_cast<double>(t - minMs) / static_cast<double>(maxMs - minMs);
    return plot.left() + std::clamp(fraction, 0.0, 1.0) * plot.width();
  };
  const QRectF band(QPointF(xOf(bandStartMs_), plot.top()), QPointF(xOf(bandEndMs_), plot.bottom()));
  painter->save();
  painter->setPen(QPen(QColor(0x00, 0x7A, 0xCC), 1));
  painter->setBrush(QColor(0x00, 0x7A, 0xCC, 40));
  painter->drawRect(band);
  painter->restore();
}
