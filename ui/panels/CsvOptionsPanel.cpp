#include "ui/panels/CsvOptionsPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <algorithm>
#include <utility>

#include "session/Session.h"
#include "ui/PanelParts.h"

namespace {

const QString kTimeFormat = QStringLiteral("dd/MM/yyyy HH:mm:ss");

QDateTimeEdit* dateTimeEdit(QWidget* parent, const char* name) {
  auto* edit = new QDateTimeEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setDisplayFormat(kTimeFormat);
  edit->setEnabled(false);
  return edit;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text, const QString& tip) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setToolTip(tip);
  return box;
}

// Makes `text` current when the box offers it; otherwise the box keeps its
// current entry.
void selectOfferedText(QComboBox* box, const QString& text) {
  const int index = box->findText(text);
  if (index >= 0) box->setCurrentIndex(index);
}

}  // namespace

CsvOptionsPanel::CsvOptionsPanel(Session& session, QWidget* parent) : QGroupBox(parent), session_(session) {
  setObjectName(QStringLiteral("displayOptionsFrame"));
  setTitle(tr("CSV parameters"));
  auto* grid = panelparts::boxLayout<QGridLayout>("csvOptionsLayout", 8, 12, 8, 12, 8);
  setLayout(grid);

  auto* optionsLabel = panelparts::plainLabel(this, "optionsLabel");
  optionsLabel->setText(tr("Options:"));
  auto* optionsRow = panelparts::boxLayout<QHBoxLayout>("optionsLayout", 12);
  utcBox_ = checkBox(this, "utcCheckBox", tr("UTC"), tr("date in UTC format"));
  millisecondsBox_ = checkBox(this, "msecsCheckBox", tr("Msec"), tr("data with millisecond precision"));
  unitLineBox_ = checkBox(this, "unitLineCheckBox", tr("Units"), tr("second line with data units"));
  optionsRow->addWidget(utcBox_);
  optionsRow->addWidget(millisecondsBox_);
  optionsRow->addWidget(unitLineBox_);
  grid->addWidget(optionsLabel, 0, 0, Qt::AlignLeft | Qt::AlignTop);
  grid->addLayout(optionsRow, 0, 1);

  // The entries name the formats; their order is outputFormatChoices()'s.
  outputFormatBox_ = panelparts::comboBox(
      this, "outputFormatBox", {tr("CSV (.csv)"), tr("HDF5 (.h5)"), tr("MATLAB v7.3 (.mat)")});
  outputFormatBox_->setToolTip(tr("the rows as CSV text, or as typed columns in an HDF5 or a MATLAB file"));
  cellFillBox_ = panelparts::comboBox(this, "cellFillComboBox", cellFillingChoices());
  cellFillBox_->setEnabled(false);
  floatFormatBox_ =
      panelparts::comboBox(this, "floatFormatBox", floatFormatChoices());
  columnSeparatorBox_ = panelparts::comboBox(this, "columnSeparatorBox", columnSeparatorChoices());
  decimalSeparatorBox_ = panelparts::comboBox(this, "decimalSeparatorBox", decimalSeparatorChoices());
  startEdit_ = dateTimeEdit(this, "startDateTimeEdit");
  endEdit_ = dateTimeEdit(this, "endDateTimeEdit");

  const struct {
    const char* name;
    QString text;
    QWidget* field;
  } rows[] = {
      {"outputFormatLabel", tr("Output format:"), outputFormatBox_},
      {"cellFillLabel", tr("Unchanged data:"), cellFillBox_},
      {"floatFormatLabel", tr("Float format:"), floatFormatBox_},
      {"columnSeparatorLabel", tr("Column separator:"), columnSeparatorBox_},
      {"decimalSeparatorLabel", tr("Decimal separator:"), decimalSeparatorBox_},
      {"startTimeLabel", tr("Select start time:"), startEdit_},
      {"endTimeLabel", tr("Select end time:"), endEdit_},
  };
  int row = 1;
  for (const auto& r : rows) {
    auto* label = panelparts::plainLabel(this, r.name);
    label->setText(r.text);
    grid->addWidget(label, row, 0);
    grid->addWidget(r.field, row, 1);
    // The fields take what the labels leave, never the labels' room.
    r.field->setMinimumWidth(120);
    ++row;
  }
  grid->setColumnStretch(1, 1);

  for (QCheckBox* box : {utcBox_, millisecondsBox_, unitLineBox_})
    connect(box, &QCheckBox::toggled, this, &CsvOptionsPanel::storeOptions);
  for (QComboBox* box : {outputFormatBox_, cellFillBox_, floatFormatBox_, columnSeparatorBox_, decimalSeparatorBox_})
    connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &CsvOptionsPanel::storeOptions);
  connect(utcBox_, &QCheckBox::toggled, this, [this] {
    if (hasFileSpan_) refreshTimeWindow();
  });
  // Once touched, each edit bounds the other so that start <= end.
  connect(startEdit_, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime& dateTime) {
    if (!updatingTimes_) endEdit_->setMinimumDateTime(dateTime);
    timeWindowChanged();
  });
  connect(endEdit_, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime& dateTime) {
    if (!updatingTimes_) startEdit_->setMaximumDateTime(dateTime);
    timeWindowChanged();
  });
  connect(&session_, &Session::optionsChanged, this, &CsvOptionsPanel::showOptions);
}

void CsvOptionsPanel::showOptions() {
  if (updatingOptions_) return;
  updatingOptions_ = true;
  const DecodeOptions& options = session_.options();
  selectOfferedText(floatFormatBox_, options.floatFormat);
  selectOfferedText(columnSeparatorBox_, options.columnSeparator);
  selectOfferedText(decimalSeparatorBox_, options.decimalSeparator);
  unitLineBox_->setChecked(options.unitLine);
  cellFillBox_->setCurrentIndex(options.leaveBlank ? 1 : 0);
  const int format = outputFormatChoices().indexOf(options.outputFormat);
  if (format >= 0) outputFormatBox_->setCurrentIndex(format);
  millisecondsBox_->setChecked(options.milliseconds);
  updatingOptions_ = false;
  // Last: a changed time base shows the time window again.
  utcBox_->setChecked(options.utc);
}

void CsvOptionsPanel::storeOptions() {
  if (updatingOptions_) return;
  DecodeOptions options = session_.options();
  options.leaveBlank = cellFillBox_->currentIndex() == 1;
  // A configured format the list does not offer stays until one is chosen.
  const int format = outputFormatBox_->currentIndex();
  if (format >= 0 && (outputFormatChoices().contains(options.outputFormat) || format != 0))
    options.outputFormat = outputFormatChoices().at(format);
  options.milliseconds = millisecondsBox_->isChecked();
  options.floatFormat = floatFormatBox_->currentText();
  options.columnSeparator = columnSeparatorBox_->currentText();
  options.decimalSeparator = decimalSeparatorBox_->currentText();
  options.utc = utcBox_->isChecked();
  options.unitLine = unitLineBox_->isChecked();
  session_.setOptions(options);
}

void CsvOptionsPanel::showFileSpan(std::int64_t startMs, std::int64_t endMs) {
  fileStartMs_ = startMs;
  fileEndMs_ = endMs;
  refreshTimeWindow();
}

void CsvOptionsPanel::refreshTimeWindow() {
  const Qt::TimeSpec timeBase = utcBox_->isChecked() ? Qt::UTC : Qt::LocalTime;
  startEdit_->setEnabled(false);
  endEdit_->setEnabled(false);
  updatingTimes_ = true;

  // The edits show whole seconds but keep the milliseconds, so that the
  // whole file stays inside the window even when it starts mid-second.
  const QDateTime start = QDateTime::fromMSecsSinceEpoch(fileStartMs_, Qt::UTC).toTimeSpec(timeBase);
  const QDateTime end = QDateTime::fromMSecsSinceEpoch(fileEndMs_, Qt::UTC).toTimeSpec(timeBase);
  for (QDateTimeEdit* edit : {startEdit_, endEdit_}) {
    edit->clearMinimumDateTime();
    edit->clearMaximumDateTime();
    edit->setTimeSpec(timeBase);
  }
  startEdit_->setDateTime(start);
  endEdit_->setDateTime(end);
  emit fileSpanShown(start.toString(kTimeFormat), end.toString(kTimeFormat));

  startEdit_->setEnabled(true);
  endEdit_->setEnabled(true);
  updatingTimes_ = false;
  hasFileSpan_ = true;
  timeWindowChanged();
}

void CsvOptionsPanel::timeWindowChanged() {
  if (hasFileSpan_ && !updatingTimes_) session_.setTimeWindow(windowStartMs(), windowEndMs());
  emit timeWindowEdited();
}

std::int64_t CsvOptionsPanel::windowStartMs() const { return startEdit_->dateTime().toMSecsSinceEpoch(); }
std::int64_t CsvOptionsPanel::windowEndMs() const { return endEdit_->dateTime().toMSecsSinceEpoch(); }

// The edits keep start <= end through their minimum and maximum; the edge
// that moves away from the other is set first so that neither is clamped.
void CsvOptionsPanel::setTimeWindow(std::int64_t startMs, std::int64_t endMs) {
  if (!hasFileSpan_) return;
  startMs = std::clamp(startMs, fileStartMs_, fileEndMs_);
  endMs = std::clamp(endMs, startMs, fileEndMs_);
  const auto at = [](std::int64_t ms, const QDateTimeEdit* edit) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toTimeSpec(edit->timeSpec());
  };
  if (startMs > windowEndMs()) {
    endEdit_->setDateTime(at(endMs, endEdit_));
    startEdit_->setDateTime(at(startMs, startEdit_));
  } else {
    startEdit_->setDateTime(at(startMs, startEdit_));
    endEdit_->setDateTime(at(endMs, endEdit_));
  }
}

void CsvOptionsPanel::setDecodeControlsEnabled(bool enabled) {
  for (QWidget* widget : std::initializer_list<QWidget*>{outputFormatBox_, cellFillBox_, millisecondsBox_, utcBox_, startEdit_, endEdit_})
    widget->setEnabled(enabled);
}

void CsvOptionsPanel::enableCellFilling() { cellFillBox_->setEnabled(true); }
