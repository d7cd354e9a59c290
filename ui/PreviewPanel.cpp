#include "ui/PreviewPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <vector>

#include "ui/preview/PlotScales.h"
#include "ui/preview/PreviewPlot.h"

struct PreviewPanel::Job {
  std::atomic<bool> cancel{false};
  bool wholeLog = true;
};

namespace {

// Enough columns for a sharp line on a wide screen; fewer cost less.
constexpr int kMinimumColumns = 200;
constexpr int kMaximumColumns = 4000;
// A zoom or pan comes as a stream of small steps: one computation once it rests.
constexpr int kViewDelayMs = 200;

// Each column as its lowest and, where different, highest value at its middle.
void appendColumns(const zrl::PreviewEnvelope& envelope, std::size_t series, const zrl::EnvelopeRange& skip,
                   PreviewStrip& strip) {
  if (series >= envelope.series.size()) return;
  const zrl::EnvelopeSeries& values = envelope.series[series];
  for (std::size_t c = 0; c < envelope.columns; ++c) {
    const double low = values.minimum[c], high = values.maximum[c];
    if (!std::isfinite(low) || !std::isfinite(high)) continue;
    const double t = envelope.columnMiddleMs(c);
    if (!skip.whole() && t >= static_cast<double>(skip.startMs) && t <= static_cast<double>(skip.endMs)) continue;
    strip.timesMs.append(t);
    strip.values.append(low);
    if (high != low) {
      strip.timesMs.append(t);
      strip.values.append(high);
    }
  }
}

}  // namespace

PreviewPanel::PreviewPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("previewPanel"));
  // Its own pool: the decode's cancel waits for the global pool to be idle
  // and must not wait for a preview as well.
  pool_ = new QThreadPool(this);
  pool_->setMaxThreadCount(1);

  plot_ = new PreviewPlot(this);
  plot_->setObjectName(QStringLiteral("previewPlot"));
  // Low enough for the window to fit a laptop screen with the preview open.
  plot_->setMinimumHeight(140);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("previewStatus"));
  // The hints are long: they give way to the buttons rather than widen the window.
  status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  wholeLog_ = new QPushButton(tr("Whole log"), this);
  wholeLog_->setToolTip(tr("Show the whole log again (or double-click the plot)"));
  wholeLog_->setEnabled(false);
  useView_ = new QPushButton(tr("Use view as time window"), this);
  useView_->setToolTip(tr("Set the start and end of the time window to the visible range"));

  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(0, 0, 0, 0);
  bar->addWidget(status_, 1);
  bar->addWidget(wholeLog_);
  bar->addWidget(useView_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 4, 8, 4);
  layout->setSpacing(4);
  layout->addLayout(bar);
  layout->addWidget(plot_, 1);

  viewTimer_ = new QTimer(this);
  viewTimer_->setSingleShot(true);
  viewTimer_->setInterval(kViewDelayMs);
  connect(viewTimer_, &QTimer::timeout, this, &PreviewPanel::computeView);
  connect(plot_, &PreviewPlot::dragged, this, &PreviewPanel::selectionDragged);
  connect(plot_, &PreviewPlot::viewChanged, this, [this] {
    wholeLog_->setEnabled(!plot_->showsWholeSpan());
    viewTimer_->start();
  });
  connect(wholeLog_, &QPushButton::clicked, this, [this] {
    plot_->setView(plot_->spanStartMs(), plot_->spanEndMs());
    wholeLog_->setEnabled(false);
    computeView();
  });
  connect(useView_, &QPushButton::clicked, this,
          [this] { emit selectionDragged(plot_->viewStartMs(), plot_->viewEndMs()); });
  status_->setText(tr("Check numeric or boolean variables to preview them."));
}

QSize PreviewPanel::sizeHint() const {
  // Strips stay readable up to four; more share the room.
  const int strips = std::min(variables_.size(), 4);
  return QWidget::sizeHint().expandedTo(QSize(600, std::max(280, 90 + 70 * strips)));
}

PreviewPanel::~PreviewPanel() {
  cancel();
  pool_->waitForDone();
}

void PreviewPanel::setLog(const QString& path, int64_t startMs, int64_t endMs) {
  cancel();
  if (path != path_ || startMs != startMs_ || endMs != endMs_) {
    // Another log: its own span, nothing zoomed.
    overview_ = {};
    detail_ = {};
    plot_->setSpan(startMs, endMs);
    wholeLog_->setEnabled(false);
  }
  path_ = path;
  startMs_ = startMs;
  endMs_ = endMs;
}

void PreviewPanel::setVariables(const QList<PreviewVariable>& variables) {
  cancel();
  variables_ = variables;
  updateGeometry();
}

void PreviewPanel::setLimits(const QList<PreviewLimit>& limits) {
  limits_ = limits;
  if (!shownVariables_.isEmpty()) showStrips();
}

void PreviewPanel::setUtc(bool utc) { plot_->setTimeSpec(utc ? Qt::UTC : Qt::LocalTime); }

void PreviewPanel::setSelection(int64_t startMs, int64_t endMs) { plot_->setBand(startMs, endMs); }

void PreviewPanel::cancel() {
  if (job_) job_->cancel.store(true);
  job_.reset();
}

int PreviewPanel::seriesCount() const { return plot_->stripCount(); }

QString PreviewPanel::statusText() const { return status_->text(); }

zrl::EnvelopeRange PreviewPanel::detailRange() const {
  if (detail_.columns == 0) return {};
  return {detail_.startMs, detail_.endMs};
}

void PreviewPanel::refresh() {
  cancel();
  viewTimer_->stop();
  if (path_.isEmpty() || variables_.isEmpty()) {
    shownVariables_.clear();
    overview_ = {};
    detail_ = {};
    plot_->setStrips({});
    status_->setText(tr("Check numeric or boolean variables to preview them."));
    return;
  }
  start({}, plot_->plotWidth());
}

void PreviewPanel::computeView() {
  // The whole log's computation decides what the view shows; it asks for
  // the view's own when it is done.
  if (job_ && job_->wholeLog) return;
  cancel();
  if (shownVariables_.isEmpty() || path_.isEmpty()) return;
  if (plot_->showsWholeSpan()) {
    detail_ = {};
    showStrips();
    return;
  }
  start({plot_->viewStartMs(), plot_->viewEndMs()}, plot_->plotWidth());
}

void PreviewPanel::setEnvelopeSource(zrl::EnvelopeSource source) {
  source_ = source ? std::make_shared<const zrl::EnvelopeSource>(std::move(source)) : nullptr;
}

void PreviewPanel::start(const zrl::EnvelopeRange& range, int width) {
  auto job = std::make_shared<Job>();
  job->wholeLog = range.whole();
  job_ = job;
  std::vector<uint16_t> ids;
  for (const PreviewVariable& variable : variables_) ids.push_back(variable.id);
  // One column per device pixel: on a high-density screen a column per
  // logical pixel would blur what the screen can show.
  const double density = std::max(1.0, plot_->devicePixelRatioF());
  const int columns = std::clamp(static_cast<int>(std::lround(width * density)), kMinimumColumns, kMaximumColumns);
  const std::string path = path_.toStdString();
  QPointer<PreviewPanel> panel(this);
  const std::shared_ptr<const zrl::EnvelopeSource> source = source_;
  showProgress(0);
  pool_->start(QRunnable::create([job, panel, path, ids, columns, range, source] {
    auto progress = [job, panel](int percent) {
      QMetaObject::invokeMethod(panel, [job, panel, percent] {
        if (panel && panel->job_ == job) panel->showProgress(percent);
      }, Qt::QueuedConnection);
    };
    auto result = std::make_shared<zrl::PreviewResult>();
    if (source && (*source)(path, ids, static_cast<std::size_t>(columns), range, job->cancel, result->envelope)) {
      result->complete = true;
    } else {
      *result = zrl::computePreviewEnvelope(path, ids, static_cast<std::size_t>(columns), job->cancel, progress, range);
    }
    QMetaObject::invokeMethod(panel, [job, panel, result, range] {
      if (!panel || panel->job_ != job) return;  // replaced or cancelled meanwhile
      panel->job_.reset();
      panel->showResult(*result, range);
      emit panel->computed();
      // A zoomed view gets its own detail once the whole log is known.
      if (range.whole() && !panel->plot_->showsWholeSpan()) panel->computeView();
    }, Qt::QueuedConnection);
  }));
}

void PreviewPanel::showProgress(int percent) {
  status_->setText(tr("Computing the preview... %1%").arg(percent));
}

void PreviewPanel::showResult(const zrl::PreviewResult& result, const zrl::EnvelopeRange& range) {
  if (range.whole()) {
    overview_ = result.envelope;
    detail_ = {};
    shownVariables_ = variables_;
  } else {
    detail_ = result.envelope;
  }
  showStrips();
  if (!result.error.empty())
    status_->setText(tr("Preview stopped: %1").arg(QString::fromStdString(result.error)));
  else
    status_->setText(tr("Drag: time window. Wheel or Ctrl+drag: zoom. Shift+drag: pan. Double-click: whole log."));
  status_->setToolTip(status_->text());
}

// The whole log's envelope, with the zoomed view's finer one in its range.
void PreviewPanel::showStrips() {
  const zrl::EnvelopeRange detailed = detailRange();
  QVector<PreviewStrip> strips;
  for (int i = 0; i < shownVariables_.size(); ++i) {
    const PreviewVariable& variable = shownVariables_[i];
    PreviewStrip strip;
    strip.title = variable.unit.isEmpty() ? variable.label : QStringLiteral("%1 (%2)").arg(variable.label, variable.unit);
    strip.unit = variable.unit;
    strip.colour = previewColour(variable.fullName.isEmpty() ? variable.label : variable.fullName);
    strip.boolean = variable.boolean;
    const auto s = static_cast<std::size_t>(i);
    appendColumns(overview_, s, detailed, strip);
    if (!detailed.whole()) {
      PreviewStrip zoomed;
      appendColumns(detail_, s, {}, zoomed);
      // The finer columns replace the coarse ones in their range, in time order.
      const auto at = std::lower_bound(strip.timesMs.begin(), strip.timesMs.end(), static_cast<double>(detailed.startMs));
      const int index = static_cast<int>(at - strip.timesMs.begin());
      strip.timesMs.insert(index, zoomed.timesMs.size(), 0);
      strip.values.insert(index, zoomed.values.size(), 0);
      std::copy(zoomed.timesMs.begin(), zoomed.timesMs.end(), strip.timesMs.begin() + index);
      std::copy(zoomed.values.begin(), zoomed.values.end(), strip.values.begin() + index);
    }
    for (const PreviewLimit& limit : limits_)
      if (limit.variable == (variable.fullName.isEmpty() ? variable.label : variable.fullName))
        strip.limits.append({limit.label, limit.limit});
    strips.append(strip);
  }
  plot_->setStrips(strips);
}
