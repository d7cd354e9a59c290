#include "ui/PreviewPanel.h"

#include <QDateTime>
#include <QLabel>
#include <QPointer>
#include <QThreadPool>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <cmath>
#include <vector>

#include "ui/PreviewChartView.h"

using namespace QtCharts;

struct PreviewPanel::Job {
  std::atomic<bool> cancel{false};
};

namespace {

// Enough columns for a sharp line on a wide screen; fewer cost less.
constexpr int kMinimumColumns = 200;
constexpr int kMaximumColumns = 4000;

}  // namespace

PreviewPanel::PreviewPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("previewPanel"));
  // Its own pool: the decode's cancel waits for the global pool to be idle
  // and must not wait for a preview as well.
  pool_ = new QThreadPool(this);
  pool_->setMaxThreadCount(1);

  chart_ = new QChart;
  chart_->legend()->setAlignment(Qt::AlignRight);
  chart_->setMargins(QMargins(4, 4, 4, 4));
  view_ = new PreviewChartView(chart_, this);
  view_->setObjectName(QStringLiteral("previewChart"));
  // Low enough for the window to fit a laptop screen with the preview open.
  view_->setMinimumHeight(160);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("previewStatus"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 4, 8, 4);
  layout->setSpacing(4);
  layout->addWidget(status_);
  layout->addWidget(view_, 1);
  connect(view_, &PreviewChartView::dragged, this, &PreviewPanel::selectionDragged);
  status_->setText(tr("Check numeric or boolean variables to preview them."));
}

QSize PreviewPanel::sizeHint() const { return QWidget::sizeHint().expandedTo(QSize(600, 280)); }

PreviewPanel::~PreviewPanel() {
  cancel();
  pool_->waitForDone();
}

void PreviewPanel::setLog(const QString& path, int64_t startMs, int64_t endMs) {
  cancel();
  path_ = path;
  startMs_ = startMs;
  endMs_ = endMs;
}

void PreviewPanel::setVariables(const QList<PreviewVariable>& variables) {
  cancel();
  variables_ = variables;
}

void PreviewPanel::setLimits(const QList<PreviewLimit>& limits) {
  limits_ = limits;
  drawLimits();
}

void PreviewPanel::setSelection(int64_t startMs, int64_t endMs) { view_->setBand(startMs, endMs); }

void PreviewPanel::cancel() {
  if (job_) job_->cancel.store(true);
  job_.reset();
}

int PreviewPanel::seriesCount() const {
  int count = 0;
  for (QAbstractSeries* series : chart_->series()) count += series->property("isLimit").toBool() ? 0 : 1;
  return count;
}

QString PreviewPanel::statusText() const { return status_->text(); }

void PreviewPanel::refresh() {
  cancel();
  if (path_.isEmpty() || variables_.isEmpty()) {
    chart_->removeAllSeries();
    status_->setText(tr("Check numeric or boolean variables to preview them."));
    return;
  }
  auto job = std::make_shared<Job>();
  job_ = job;
  std::vector<uint16_t> ids;
  for (const PreviewVariable& variable : variables_) ids.push_back(variable.id);
  const int columns = std::clamp(view_->viewport()->width(), kMinimumColumns, kMaximumColumns);
  const std::string path = path_.toStdString();
  QPointer<PreviewPanel> panel(this);
  showProgress(0);
  pool_->start(QRunnable::create([job, panel, path, ids, columns] {
    auto progress = [job, panel](int percent) {
      QMetaObject::invokeMethod(panel, [job, panel, percent] {
        if (panel && panel->job_ == job) panel->showProgress(percent);
      }, Qt::QueuedConnection);
    };
    auto result = std::make_shared<zrl::PreviewResult>(
        zrl::computePreviewEnvelope(path, ids, static_cast<std::size_t>(columns), job->cancel, progress));
    QMetaObject::invokeMethod(panel, [job, panel, result] {
      if (!panel || panel->job_ != job) return;  // replaced or cancelled meanwhile
      panel->job_.reset();
      panel->showResult(*result);
      emit panel->computed();
    }, Qt::QueuedConnection);
  }));
}

void PreviewPanel::showProgress(int percent) {
  status_->setText(tr("Computing the preview... %1%").arg(percent));
}

void PreviewPanel::showResult(const zrl::PreviewResult& result) {
  chart_->removeAllSeries();
  for (QAbstractAxis* axis : chart_->axes()) {
    chart_->removeAxis(axis);
    delete axis;
  }
  const zrl::PreviewEnvelope& envelope = result.envelope;
  auto* timeAxis = new QDateTimeAxis;
  timeAxis->setFormat(QStringLiteral("HH:mm:ss"));
  timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(envelope.startMs), QDateTime::fromMSecsSinceEpoch(envelope.endMs));
  auto* valueAxis = new QValueAxis;
  chart_->addAxis(timeAxis, Qt::AlignBottom);
  chart_->addAxis(valueAxis, Qt::AlignLeft);

  double low = INFINITY, high = -INFINITY;
  for (std::size_t s = 0; s < envelope.series.size() && static_cast<int>(s) < variables_.size(); ++s) {
    const zrl::EnvelopeSeries& values = envelope.series[s];
    // Each column is drawn as a stroke from its lowest to its highest value,
    // so one line shows the whole envelope.
    QVector<QPointF> points;
    points.reserve(static_cast<int>(2 * envelope.columns));
    for (std::size_t c = 0; c < envelope.columns; ++c) {
      if (std::isnan(values.minimum[c])) continue;
      const double t = envelope.columnMiddleMs(c);
      points.append(QPointF(t, values.minimum[c]));
      if (values.maximum[c] != values.minimum[c]) points.append(QPointF(t, values.maximum[c]));
      low = std::min(low, values.minimum[c]);
      high = std::max(high, values.maximum[c]);
    }
    auto* line = new QLineSeries;
    line->setName(variables_[static_cast<int>(s)].label);
    line->replace(points);
    chart_->addSeries(line);
    line->attachAxis(timeAxis);
    line->attachAxis(valueAxis);
  }
  for (const PreviewLimit& limit : limits_) {
    low = std::min(low, limit.limit);
    high = std::max(high, limit.limit);
  }
  if (low > high) low = 0, high = 1;
  const double margin = high > low ? (high - low) * 0.05 : 0.5;
  valueAxis->setRange(low - margin, high + margin);
  drawLimits();

  if (!result.error.empty())
    status_->setText(tr("Preview stopped: %1").arg(QString::fromStdString(result.error)));
  else
    status_->setText(tr("Drag across the plot to choose the time window."));
}

// The row-condition limits as dashed horizontal lines across the whole span.
void PreviewPanel::drawLimits() {
  for (QAbstractSeries* series : chart_->series()) {
    if (series->property("isLimit").toBool()) {
      chart_->removeSeries(series);
      delete series;
    }
  }
  const QList<QAbstractAxis*> horizontal = chart_->axes(Qt::Horizontal);
  const QList<QAbstractAxis*> vertical = chart_->axes(Qt::Vertical);
  if (horizontal.isEmpty() || vertical.isEmpty()) return;
  for (const PreviewLimit& limit : limits_) {
    auto* line = new QLineSeries;
    line->setProperty("isLimit", true);
    line->setName(limit.label);
    line->append(static_cast<double>(startMs_), limit.limit);
    line->append(static_cast<double>(endMs_), limit.limit);
    QPen pen(QColor(0xB7, 0x1C, 0x1C));
    pen.setStyle(Qt::DashLine);
    pen.setWidthF(1.5);
    line->setPen(pen);
    chart_->addSeries(line);
    line->attachAxis(horizontal.first());
    line->attachAxis(vertical.first());
  }
}
