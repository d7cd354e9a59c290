// The decode action, its progress display and its completion.
#include "ui/MonitorWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QFileInfo>
#include <QHash>
#include <QLCDNumber>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QThreadPool>
#include <QTimer>

#include "app/Console.h"
#include "config/ConfigOptions.h"
#include "decode/Decoder.h"
#include "decode/task/DecodeProgress.h"
#include "decode/task/DecoderRunnable.h"
#include "decode/task/OutputName.h"
#include "decode/task/ParameterSummary.h"
#include "ui/VarItem.h"

using namespace zrl;

namespace {

const char kNoVariablesText[] =
    "⚠️ ERROR: No variables selected for decoding. Please select at least one variable.";
const char kSameSeparatorsText[] = "⚠️ ERROR: Decimal separator and column separator cannot be identical";

void repolish(QWidget* widget) {
  widget->style()->unpolish(widget);
  widget->style()->polish(widget);
}

// A batch run whose decode cannot start ends here, once the event loop runs.
void endBatchRunWithError(const QString& reason) {
  consoleLine(reason);
  consoleLine(QStringLiteral("Exit on error."));
  QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
}

std::vector<std::pair<std::string, std::string>> toAliasEntries(const QList<QStringList>& aliases) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (const QStringList& pair : aliases) {
    if (pair.size() >= 2) entries.emplace_back(pair[0].toStdString(), pair[1].toStdString());
  }
  return entries;
}

std::vector<RowFilterEntry> toFilterEntries(const QList<QStringList>& conditions) {
  std::vector<RowFilterEntry> entries;
  for (const QStringList& condition : conditions) {
    if (condition.size() >= 3)
      entries.push_back({condition[0].toStdString(), condition[1].toStdString(), condition[2].toStdString()});
  }
  return entries;
}

// The edits show whole seconds; a window edge left in the file's first or
// last second means the file's own edge, not the second it falls in.
int64_t snapToFileEdge(int64_t chosenMs, int64_t fileEdgeMs) {
  const int64_t chosenSecond = chosenMs >= 0 ? chosenMs / 1000 : (chosenMs - 999) / 1000;
  const int64_t edgeSecond = fileEdgeMs >= 0 ? fileEdgeMs / 1000 : (fileEdgeMs - 999) / 1000;
  return chosenSecond == edgeSecond ? fileEdgeMs : chosenMs;
}

}  // namespace

void MonitorWindow::on_decodeButton_clicked() {
  if (processing) {
    requestDecodeCancel();
    QThreadPool::globalInstance()->waitForDone();
    clockTimer->stop();
    progressTimer->stop();
    processing = false;
    setDecodeButtonFace(QStringLiteral("Decode"), false);
    enableOptionControls();
    return;
  }

  const ProcessFlags& flags = processFlags();
  int checked = 0;
  for (int row = 0; row < ui->varsView->count(); ++row) {
    if (ui->varsView->item(row)->checkState() == Qt::Checked) ++checked;
  }
  if (checked == 0) {
    setStatus(QString::fromUtf8(kNoVariablesText), QStringLiteral("error"));
    if (flags.batch) endBatchRunWithError(QString::fromUtf8(kNoVariablesText));
    return;
  }
  // The same character as column and decimal separator would make every
  // number with decimals split into two columns: refuse before anything runs.
  if (ui->columnSeparatorBox->currentText() == ui->decimalSeparatorBox->currentText()) {
    setStatus(QString::fromUtf8(kSameSeparatorsText), QStringLiteral("error"));
    if (flags.batch) endBatchRunWithError(QString::fromUtf8(kSameSeparatorsText));
    return;
  }

  const QStringList files = inputFiles;
  // Each further file is loaded into the list, which drops the ticks: the
  // selection goes over by full name.
  const QHash<QString, Qt::CheckState> selection = checkedItemStates();
  decodeProblems.clear();
  for (int index = 0; index < files.size(); ++index) {
    if (index > 0) {
      loadLogFile(files[index]);
      if (!restoreCheckedItems(selection)) {
        // Nothing of the selection in this file: an empty table would pass
        // for a decode of it.
        decodeProblems << QFileInfo(files[index]).fileName() + QStringLiteral(": none of the selected variables, skipped");
        consoleLine(QStringLiteral("None of the selected variables in ") + files[index] + QStringLiteral(": skipped"));
        continue;
      }
    }
    if (!decoder) return;

    setStatus(QStringLiteral("Processing..."), QStringLiteral("processing"));
    processing = true;
    setDecodeButtonFace(QStringLiteral("Cancel"), true);
    disableOptionControls();

    ui->progressBar->setFormat(QStringLiteral("%p%"));
    ui->progressBar->setProperty("state", QString());
    repolish(ui->progressBar);
    {
      QMutexLocker lock(&errorTextMutex);
      errorText.clear();
    }
    clockTimer->start(1000);
    progressTimer->start(100);
    elapsed = QTime(0, 0, 0);
    // The clock still showed the previous run until its first tick.
    ui->lcdNumber->display(elapsed.toString(QStringLiteral("mm:ss")));

    Decoder& d = decoder->decoder();
    d.setLeaveBlank(ui->cellFillComboBox->currentIndex() == 1);
    d.setMilliseconds(ui->msecsCheckBox->checkState() == Qt::Checked);
    d.setFloatFormat(ui->floatFormatBox->currentText().toStdString());
    d.setColumnSeparator(ui->columnSeparatorBox->currentText().toStdString());
    d.setDecimalSeparator(ui->decimalSeparatorBox->currentText().toStdString());
    d.setUtc(ui->utcCheckBox->checkState() == Qt::Checked);
    d.setUnitLine(ui->unitLineCheckBox->checkState() == Qt::Checked);
    d.setAliases(toAliasEntries(aliasList));
    d.setFilters(toFilterEntries(conditionList));
    d.setMethod(methodFromText(ui->methodComboBox->currentText().toStdString()));

    d.clearSelection();
    for (int row = 0; row < ui->varsView->count(); ++row) {
      QListWidgetItem* item = ui->varsView->item(row);
      const auto* variable = dynamic_cast<VarItem*>(item);
      if (variable && item->checkState() != Qt::Unchecked) d.setSelected(variable->variableId, true);
    }

    const int frequencyCode = frequencyCodeFromText(ui->frequencyComboBox->currentText().toStdString());
    d.setFrequency(frequencyCode);

    const QDateTime start = ui->startDateTimeEdit->dateTime();
    const QDateTime end = ui->endDateTimeEdit->dateTime();
    const QString outputPath =
        csvName.isEmpty()
            ? defaultOutputName(::configText(config, "outputDirName").value_or(QString()), files[index], start, frequencyCode)
            : csvName;
    d.setOutputPath(outputPath.toStdString());

    if (flags.verbose) {
      DecodeParameters p;
      p.logPath = files[index];
      p.outputPath = outputPath;
      p.serial = QString::fromStdString(d.serial());
      p.start = start;
      p.end = end;
      p.uncompressedSize = d.uncompressedSize();
      p.resampling = resamplingSuffix(frequencyCode);
      p.leaveBlank = d.settings().leaveBlank;
      p.milliseconds = d.settings().milliseconds;
      p.floatFormat = ui->floatFormatBox->currentText();
      p.columnSeparator = ui->columnSeparatorBox->currentText();
      p.decimalSeparator = ui->decimalSeparatorBox->currentText();
      p.utc = d.settings().utc;
      p.unitLine = d.settings().unitLine;
      p.aliases = aliasList;
      p.filters = conditionList;
      consoleText(parameterSummaryText(p));
    }

    d.setStartMs(snapToFileEdge(start.toMSecsSinceEpoch(), fileStartMs));
    d.setEndMs(snapToFileEdge(end.toMSecsSinceEpoch(), fileEndMs));
    ui->progressBar->setRange(0, 100);

    d.clearCancelRequest();
    if (files.size() < 2) {
      QThreadPool::globalInstance()->start(decoder);
    } else {
      decoder->run();
      // The next file's start clears the error text: keep what went wrong.
      QMutexLocker lock(&errorTextMutex);
      if (!errorText.isEmpty() && index + 1 < files.size())
        decodeProblems << QFileInfo(files[index]).fileName() + QStringLiteral(": ") + errorText;
    }
  }
}

QHash<QString, Qt::CheckState> MonitorWindow::checkedItemStates() const {
  QHash<QString, Qt::CheckState> states;
  for (int row = 0; row < ui->varsView->count(); ++row) {
    const auto* item = dynamic_cast<VarItem*>(ui->varsView->item(row));
    if (item && item->checkState() != Qt::Unchecked) states.insert(item->fullName(), item->checkState());
  }
  return states;
}

bool MonitorWindow::restoreCheckedItems(const QHash<QString, Qt::CheckState>& states) {
  bool any = false;
  for (int row = 0; row < ui->varsView->count(); ++row) {
    auto* item = dynamic_cast<VarItem*>(ui->varsView->item(row));
    if (!item) continue;
    const auto state = states.constFind(item->fullName());
    item->setCheckState(state == states.constEnd() ? Qt::Unchecked : *state);
    any = any || state != states.constEnd();
  }
  return any;
}

void MonitorWindow::showProgress() {
  QString error;
  {
    QMutexLocker lock(&errorTextMutex);
    error = errorText;
  }
  if (!error.isEmpty()) {
    const QString warning = QString::fromUtf8("⚠️");
    setStatus(error.startsWith(warning) ? error : warning + QStringLiteral(" ") + error, QStringLiteral("error"));
  }
  ui->progressBar->setValue(progressPercent.load());
}

void MonitorWindow::jobComplete() {
  processing = false;
  setDecodeButtonFace(QStringLiteral("Decode"), false);
  enableOptionControls();
  showProgress();
  clockTimer->stop();
  ui->progressBar->setValue(0);
  ui->progressBar->setFormat(QStringLiteral("Done."));
  progressTimer->stop();

  QString error;
  {
    QMutexLocker lock(&errorTextMutex);
    error = errorText;
  }
  if (!error.isEmpty()) {
    // A failed decode must not end on a plain "Done.": the reason stays.
    setStatus(QStringLiteral("Error while decoding: ") + error, QStringLiteral("error"));
  } else if (!decodeProblems.isEmpty()) {
    setStatus(QString::fromUtf8("⚠️ ") + decodeProblems.join(QStringLiteral("; ")), QStringLiteral("error"));
  } else {
    setStatus(QString::fromUtf8("✅ Processing completed successfully"), QStringLiteral("success"));
  }

  if (processFlags().batch) {
    QThreadPool::globalInstance()->waitForDone();
    if (error.isEmpty()) {
      consoleText(QStringLiteral("\nSuccessfully done.\n"));
      QCoreApplication::exit(0);
    } else {
      consoleLine(QStringLiteral("Exit on error."));
      QCoreApplication::exit(1);
    }
  }
}
