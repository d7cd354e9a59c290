// Resampling choices, the method's enabled state and the time window.
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QLabel>
#include <QStandardItemModel>

#include "ui/MonitorWindow.h"

using namespace zrl;

namespace {

const QString kNone = QStringLiteral("None");
const char* const kFrequencies[] = {"None", "100", "50", "20", "10", "5", "1", "0.1", "0.01"};
const QString kTimeFormat = QStringLiteral("dd/MM/yyyy HH:mm:ss");

bool itemEnabled(const QComboBox* box, int index) {
  const auto* model = qobject_cast<const QStandardItemModel*>(box->model());
  const QStandardItem* item = model ? model->item(index) : nullptr;
  return !item || item->isEnabled();
}

}  // namespace

void MonitorWindow::setFrequencyChoices(float frequency) {
  QComboBox* box = ui->frequencyComboBox;
  const QString remembered = box->currentText();
  auto* model = qobject_cast<QStandardItemModel*>(box->model());
  if (!model) {
    model = new QStandardItemModel(this);
    box->setModel(model);
  }
  model->clear();
  for (const char* text : kFrequencies) {
    auto* item = new QStandardItem(QString::fromLatin1(text));
    // A rate is offered only when the file was recorded faster than it; the
    // comparison is done in single precision, as the header stores it.
    if (item->text() != kNone && !(frequency > item->text().toFloat())) {
      item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
      item->setForeground(QColor(Qt::gray));
    }
    model->appendRow(item);
  }
  const int index = box->findText(remembered);
  box->setCurrentIndex(index >= 0 && itemEnabled(box, index) ? index : box->findText(kNone));
  updateMethodState();
}

void MonitorWindow::selectFrequency(const QString& text) {
  QComboBox* box = ui->frequencyComboBox;
  const int index = box->findText(text);
  box->setCurrentIndex(index >= 0 ? index : box->findText(kNone));
}

void MonitorWindow::updateMethodState() {
  const bool resampling = ui->frequencyComboBox->currentText() != kNone;
  ui->methodComboBox->setEnabled(resampling);
  ui->methodComboBox->setToolTip(resampling ? tr("Select aggregation method for resampling")
                                            : tr("Method is only available when resampling is enabled"));
}

void MonitorWindow::on_methodComboBox_currentTextChanged(const QString&) {}

void MonitorWindow::refreshTimeWindow() {
  const Qt::TimeSpec timeBase = ui->utcCheckBox->isChecked() ? Qt::UTC : Qt::LocalTime;
  QDateTimeEdit* startEdit = ui->startDateTimeEdit;
  QDateTimeEdit* endEdit = ui->endDateTimeEdit;
  startEdit->setEnabled(false);
  endEdit->setEnabled(false);
  timeWindowUpdating = true;

  // The edits show whole seconds but keep the milliseconds, so that the
  // whole file stays inside the window even when it starts mid-second.
  const QDateTime start = QDateTime::fromMSecsSinceEpoch(fileStartMs, Qt::UTC).toTimeSpec(timeBase);
  const QDateTime end = QDateTime::fromMSecsSinceEpoch(fileEndMs, Qt::UTC).toTimeSpec(timeBase);
  for (QDateTimeEdit* edit : {startEdit, endEdit}) {
    edit->clearMinimumDateTime();
    edit->clearMaximumDateTime();
    edit->setTimeSpec(timeBase);
  }
  startEdit->setDateTime(start);
  endEdit->setDateTime(end);

  ui->displayStartTimeLabel->setText(QStringLiteral("<b>From:</b> ") + start.toString(kTimeFormat));
  ui->displayEndTimeLabel->setText(QStringLiteral("<b>To:</b> ") + end.toString(kTimeFormat));

  startEdit->setEnabled(true);
  endEdit->setEnabled(true);
  timeWindowUpdating = false;
  fileLoaded = true;
}

void MonitorWindow::utcChanged(bool) {
  if (fileLoaded) refreshTimeWindow();
}

void MonitorWindow::on_startDateTimeChanged(const QDateTime& dateTime) {
  if (!timeWindowUpdating) ui->endDateTimeEdit->setMinimumDateTime(dateTime);
}

void MonitorWindow::on_endDateTimeChanged(const QDateTime& dateTime) {
  if (!timeWindowUpdating) ui->startDateTimeEdit->setMaximumDateTime(dateTime);
}
