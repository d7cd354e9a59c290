// The window's side of the configuration file: the loaded options shown on
// the controls, the controls gathered for saving, and the three menu actions.
#include "ui/MonitorWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>

#include "config/ConfigOptions.h"
#include "config/RememberedConfig.h"
#include "session/Session.h"
#include "ui/VarItem.h"

namespace {

// Makes `text` current when the box offers it; otherwise the box keeps its
// current entry.
void selectOfferedText(QComboBox* box, const QString& text) {
  const int index = box->findText(text);
  if (index >= 0) box->setCurrentIndex(index);
}

}  // namespace

void MonitorWindow::showSessionOptions() {
  const DecodeOptions& options = session_->options();
  selectOfferedText(ui->floatFormatBox, options.floatFormat);
  selectOfferedText(ui->columnSeparatorBox, options.columnSeparator);
  selectOfferedText(ui->decimalSeparatorBox, options.decimalSeparator);
  selectOfferedText(ui->methodComboBox, options.method);
  selectFrequency(options.frequency);
  ui->unitLineCheckBox->setChecked(options.unitLine);
  ui->cellFillComboBox->setCurrentIndex(options.leaveBlank ? 1 : 0);
  ui->msecsCheckBox->setChecked(options.milliseconds);
  ui->utcCheckBox->setChecked(options.utc);
  floatFilter = options.typeFilters.floats;
  integerFilter = options.typeFilters.integers;
  stringFilter = options.typeFilters.strings;
  booleanFilter = options.typeFilters.booleans;
  ui->floatTypeCheckBox->setChecked(floatFilter);
  ui->integerTypeCheckBox->setChecked(integerFilter);
  ui->stringTypeCheckBox->setChecked(stringFilter);
  ui->booleanTypeCheckBox->setChecked(booleanFilter);
  updateMethodState();
}

void MonitorWindow::loadConfig() {
  // What the controls show is the base a configuration is read over.
  storeControlsInSession();
  session_->loadConfig();
  showSessionOptions();
  clearConditionChips();
  rebuildConditionChips();
  const QString outputDir = session_->outputDirectory();
  ui->destinationDirLabel->setText(QStringLiteral("<b>Destination:</b> ") + QFileInfo(outputDir).absoluteFilePath());
  updateConfigurationLabel();
  resetConditionsTitle();
  // The scratch file is empty on purpose; any other file the user chose
  // and could not be used is worth a word: the defaults are in force.
  if (!session_->configFailure().isEmpty() && !isDefaultConfigPath(session_->configPath()))
    setStatus(QString::fromUtf8("⚠️ Configuration ") + session_->configPath() + QStringLiteral(": ") +
                  session_->configFailure() + QStringLiteral(" (defaults apply)"),
              QStringLiteral("error"));
}

bool MonitorWindow::saveConfig() {
  storeControlsInSession();
  return session_->saveConfig();
}

void MonitorWindow::loadconf() {
  const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Load decoder configuration"),
                                                    QFileInfo(session_->configPath()).absolutePath(),
                                                    QStringLiteral("Config decoder (*.json);;All Files (*)"));
  if (file.isEmpty()) return;
  // The loaded file stays the current configuration: it is the one the
  // window names, so "Save Config" must write it and no other.
  session_->setConfigPath(file);
  loadConfig();
  applyLoadedConfigToOpenLog();
  session_->rememberConfigPath();
}

// A configuration loaded while a log is open acts on it at once, as it would
// at the next log load: the frequency (otherwise "Save Config" right after
// would write "None" over the file's value) and the type filters.
void MonitorWindow::applyLoadedConfigToOpenLog() {
  if (!hasCatalog() || !session_->log()) return;
  selectFrequency(session_->options().frequency);
  session_->setSelection(session_->configuredSelection(*session_->log(), startupOptions_.allData).names);
  populateVariableList();
  applyVariableFilter();
  updateMethodState();
}

void MonitorWindow::saveconf() {
  const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Save decoder configuration"),
                                                    QFileInfo(session_->configPath()).absolutePath(),
                                                    QStringLiteral("JSON Files (*.json);;All Files (*)"));
  if (file.isEmpty()) return;
  session_->setConfigPath(file);
  saveConfig();
  session_->rememberConfigPath();
  updateConfigurationLabel();
}

void MonitorWindow::saveCurrentConfig() {
  if (isDefaultConfigPath(session_->configPath())) {
    saveconf();
    return;
  }
  const bool written = saveConfig();
  session_->rememberConfigPath();
  if (written) setStatus(QString::fromUtf8("✅ Configuration saved successfully"), QStringLiteral("success"));
}
