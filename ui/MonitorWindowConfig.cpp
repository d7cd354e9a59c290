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
#include "task/DecodeController.h"
#include "ui/VarItem.h"

namespace {

// Makes `text` current when the box offers it; otherwise the box keeps its
// current entry.
void selectOfferedText(QComboBox* box, const std::optional<QString>& text) {
  if (!text) return;
  const int index = box->findText(*text);
  if (index >= 0) box->setCurrentIndex(index);
}

}  // namespace

void MonitorWindow::loadConfig() {
  const std::optional<LoadedOptions> loaded = controller_->readConfig();
  selectFrequency(QStringLiteral("None"));
  updateMethodState();

  bool milliseconds = false;
  bool utc = true;
  if (loaded) {
    const LoadedOptions& options = *loaded;
    selectOfferedText(ui->floatFormatBox, options.floatFormat);
    selectOfferedText(ui->columnSeparatorBox, options.columnSeparator);
    selectOfferedText(ui->decimalSeparatorBox, options.decimalSeparator);
    milliseconds = options.milliseconds;
    utc = options.utc;
    if (options.unitLine) ui->unitLineCheckBox->setChecked(*options.unitLine);
    if (options.cellFilling) ui->cellFillComboBox->setCurrentIndex(*options.cellFilling ? 0 : 1);

    clearConditionChips();
    rebuildConditionChips();
    resetConditionsTitle();

    for (const QString& method : options.methodTexts) selectOfferedText(ui->methodComboBox, method);

    if (options.typeFilterFloat) floatFilter = *options.typeFilterFloat;
    if (options.typeFilterInt) integerFilter = *options.typeFilterInt;
    if (options.typeFilterString) stringFilter = *options.typeFilterString;
    if (options.typeFilterBool) booleanFilter = *options.typeFilterBool;
    ui->floatTypeCheckBox->setChecked(floatFilter);
    ui->integerTypeCheckBox->setChecked(integerFilter);
    ui->stringTypeCheckBox->setChecked(stringFilter);
    ui->booleanTypeCheckBox->setChecked(booleanFilter);
  }

  ui->msecsCheckBox->setChecked(milliseconds);
  ui->utcCheckBox->setChecked(utc);
  const QString outputDir = ::configText(controller_->config(), "outputDirName").value_or(QString());
  ui->destinationDirLabel->setText(QStringLiteral("<b>Destination:</b> ") + QFileInfo(outputDir).absoluteFilePath());
  updateConfigurationLabel();
  updateMethodState();
  resetConditionsTitle();
  // The scratch file is empty on purpose; any other file the user chose
  // and could not be used is worth a word: the defaults are in force.
  if (!controller_->configFailure().isEmpty() && !isDefaultConfigPath(controller_->configPath()))
    setStatus(QString::fromUtf8("⚠️ Configuration ") + controller_->configPath() + QStringLiteral(": ") +
                  controller_->configFailure() + QStringLiteral(" (defaults apply)"),
              QStringLiteral("error"));
}

bool MonitorWindow::saveConfig() {
  SavedOptions options;
  options.floatFormat = ui->floatFormatBox->currentText();
  options.columnSeparator = ui->columnSeparatorBox->currentText();
  options.decimalSeparator = ui->decimalSeparatorBox->currentText();
  options.milliseconds = ui->msecsCheckBox->isChecked();
  options.utc = ui->utcCheckBox->isChecked();
  options.unitLine = ui->unitLineCheckBox->isChecked();
  options.cellFilling = ui->cellFillComboBox->currentIndex() == 0;
  options.frequency = ui->frequencyComboBox->currentText();
  options.method = ui->methodComboBox->currentText();
  options.typeFilterFloat = floatFilter;
  options.typeFilterInt = integerFilter;
  options.typeFilterString = stringFilter;
  options.typeFilterBool = booleanFilter;
  options.conditions = controller_->conditions();
  options.aliases = controller_->aliases();
  options.variableNames = catalogNames();
  for (int row = 0; row < ui->varsView->count(); ++row) {
    QListWidgetItem* item = ui->varsView->item(row);
    if (item->checkState() == Qt::Unchecked) continue;
    const auto* variable = dynamic_cast<VarItem*>(item);
    options.selectedNames.append(variable ? variable->fullName() : item->text());
  }
  return controller_->writeConfig(options);
}

void MonitorWindow::loadconf() {
  const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Load decoder configuration"),
                                                    QFileInfo(controller_->configPath()).absolutePath(),
                                                    QStringLiteral("Config decoder (*.json);;All Files (*)"));
  if (file.isEmpty()) return;
  // The loaded file stays the current configuration: it is the one the
  // window names, so "Save Config" must write it and no other.
  controller_->setConfigPath(file);
  loadConfig();
  applyLoadedConfigToOpenLog();
  controller_->rememberConfigPath();
}

// A configuration loaded while a log is open acts on it at once, as it would
// at the next log load: the frequency (otherwise "Save Config" right after
// would write "None" over the file's value) and the type filters.
void MonitorWindow::applyLoadedConfigToOpenLog() {
  if (!hasCatalog()) return;
  const Json::Value& config = controller_->config();
  if (config.isObject() && config.isMember("frequency")) selectFrequency(configText("frequency"));
  populateVariableList();
  applyVariableFilter();
  updateMethodState();
}

void MonitorWindow::saveconf() {
  const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Save decoder configuration"),
                                                    QFileInfo(controller_->configPath()).absolutePath(),
                                                    QStringLiteral("JSON Files (*.json);;All Files (*)"));
  if (file.isEmpty()) return;
  controller_->setConfigPath(file);
  saveConfig();
  controller_->rememberConfigPath();
  updateConfigurationLabel();
}

void MonitorWindow::saveCurrentConfig() {
  if (isDefaultConfigPath(controller_->configPath())) {
    saveconf();
    return;
  }
  const bool written = saveConfig();
  controller_->rememberConfigPath();
  if (written) setStatus(QString::fromUtf8("✅ Configuration saved successfully"), QStringLiteral("success"));
}
