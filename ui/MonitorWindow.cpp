#include "ui/MonitorWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaMethod>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QThreadPool>
#include <QTimer>

#include "ui/APropos.h"
#include "ui/DrawableSigns.h"

using namespace zrl;

// The compiled-in pictures and style live in a static library; referencing
// the initializer keeps the linker from dropping them.
static void initResources() { Q_INIT_RESOURCE(resources); }

namespace {

MonitorWindow* currentWindow = nullptr;

QString mainStyleSheet() {
  QFile file(QStringLiteral(":/resources/styles/MonitorWindow.qss"));
  if (!file.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(file.readAll());
}

// The search sign is an emoji; where no installed font has it, a drawn
// magnifying glass stands in for it rather than an empty box.
void ensureSearchSign(QLabel* label) {
  label->ensurePolished();
  if (QFontMetrics(label->font()).inFontUcs4(0x1F50D)) return;
  QPixmap glass(18, 18);
  glass.fill(Qt::transparent);
  QPainter painter(&glass);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0x00, 0x7A, 0xCC), 2.2, Qt::SolidLine, Qt::RoundCap));
  painter.drawEllipse(QRectF(2, 2, 10, 10));
  painter.drawLine(QPointF(11, 11), QPointF(16, 16));
  painter.end();
  label->setPixmap(glass);
}

// The texts with signs that some machines have no font for; the fonts of
// the style sheet are known once the widgets are polished.
void useDrawableSigns(MonitorWindowForm& ui) {
  for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{ui.decodeButton, ui.clearSearchButton}) {
    button->ensurePolished();
    button->setText(withDrawableSigns(button->text(), button->font()));
  }
  ui.varFilter->setPlaceholderText(withDrawableSigns(ui.varFilter->placeholderText(), ui.varFilter->font()));
}

void repolish(QWidget* widget) {
  widget->style()->unpolish(widget);
  widget->style()->polish(widget);
  widget->update();
}

}  // namespace

MonitorWindow::MonitorWindow(const StartupOptions& options, QWidget* parent)
    : QMainWindow(parent), startupOptions(options), ui(std::make_unique<MonitorWindowForm>()) {
  initResources();

  clockTimer = new QTimer(this);
  progressTimer = new QTimer(this);
  csvName = QString::fromStdString(options.csvName);
  ProcessFlags& flags = processFlags();
  flags.allData = options.allData;
  flags.batch = options.batch;
  flags.verbose = options.verbose;
  flags.info = options.info;

  ui->setupUi(this);
  setStyleSheet(mainStyleSheet());
  ensureSearchSign(ui->searchIcon);
  useDrawableSigns(*ui);
  // The style sheet gives the search text its colour; the placeholder keeps
  // a lighter grey of its own.
  ui->varFilter->ensurePolished();
  QPalette searchPalette = ui->varFilter->palette();
  searchPalette.setColor(QPalette::PlaceholderText, QColor(0x7A, 0x7A, 0x7A));
  ui->varFilter->setPalette(searchPalette);
  connect(ui->actionLoadZRL, &QAction::triggered, this, &MonitorWindow::inputFileChoose);
  connect(ui->actionA_Propos, &QAction::triggered, this, &MonitorWindow::aPropos);
  connect(ui->utcCheckBox, &QCheckBox::toggled, this, &MonitorWindow::utcChanged);
  connect(ui->actionSauvegarder, &QAction::triggered, this, &MonitorWindow::saveconf);
  connect(ui->actionCharger, &QAction::triggered, this, &MonitorWindow::loadconf);
  connect(ui->actionDestDir, &QAction::triggered, this, &MonitorWindow::outputDirChoose);
  connect(ui->actionSaveConfig, &QAction::triggered, this, &MonitorWindow::saveCurrentConfig);
  connect(ui->actionExit, &QAction::triggered, this, &MonitorWindow::exitApplication);
  connectSlotsByObjectName();

  ui->varsView->setContextMenuPolicy(Qt::CustomContextMenu);
  ui->progressBar->setValue(0);
  setStatus(tr("Ready"), QStringLiteral("ready"));
  connect(ui->varsView, &QListWidget::itemChanged, this, &MonitorWindow::onVarItemChanged);

  ui->configFileLabel->setToolTip(tr("Current configuration file path"));
  ui->configFileLabel->setTextInteractionFlags(Qt::NoTextInteraction);

  currentWindow = this;
  progressPercent = 0;
  clockTimer->setInterval(1000);
  progressTimer->setInterval(100);
  connect(clockTimer, &QTimer::timeout, this, &MonitorWindow::showTime);
  connect(progressTimer, &QTimer::timeout, this, &MonitorWindow::showProgress);

  connect(ui->startDateTimeEdit, &QDateTimeEdit::dateTimeChanged, this, &MonitorWindow::on_startDateTimeChanged);
  connect(ui->endDateTimeEdit, &QDateTimeEdit::dateTimeChanged, this, &MonitorWindow::on_endDateTimeChanged);
  selectFrequency(QStringLiteral("None"));
  connect(ui->frequencyComboBox, &QComboBox::currentTextChanged, this, &MonitorWindow::updateMethodState);
  // Without resampling there is nothing to aggregate: start consistent.
  updateMethodState();
  updateConfigurationLabel();

  setAcceptDrops(true);
  setUpPreviewAndRecentLogs();

  runStartupSequence();
}

MonitorWindow::~MonitorWindow() {
  stopDecodeAndWait();
  releaseDecoder();
  if (currentWindow == this) currentWindow = nullptr;
}

MonitorWindow* MonitorWindow::current() { return currentWindow; }

// Connects every slot named on_<object name>_<signal> to that signal of the
// child with that object name. Slots that only look like that pattern (the
// context-menu and date-time handlers) match no child and are skipped quietly.
void MonitorWindow::connectSlotsByObjectName() {
  const QList<QObject*> children = findChildren<QObject*>();
  const QMetaObject* self = metaObject();
  for (int i = self->methodOffset(); i < self->methodCount(); ++i) {
    const QMetaMethod slot = self->method(i);
    if (slot.methodType() != QMetaMethod::Slot || !slot.name().startsWith("on_")) continue;
    bool connected = false;
    for (QObject* child : children) {
      const QByteArray objectName = child->objectName().toLatin1();
      if (objectName.isEmpty()) continue;
      const QByteArray prefix = "on_" + objectName + "_";
      if (!slot.name().startsWith(prefix)) continue;
      const QByteArray signalName = slot.name().mid(prefix.size());
      const QMetaObject* meta = child->metaObject();
      for (int j = 0; j < meta->methodCount() && !connected; ++j) {
        const QMetaMethod signal = meta->method(j);
        if (signal.methodType() != QMetaMethod::Signal || signal.name() != signalName) continue;
        if (!QMetaObject::checkConnectArgs(signal, slot)) continue;
        connected = static_cast<bool>(connect(child, signal, this, slot));
      }
      if (connected) break;
    }
  }
}

void MonitorWindow::setStatus(const QString& text, const QString& state) {
  ui->progressBar->setFormat(text);
  ui->progressBar->setProperty("state", state);
  repolish(ui->progressBar);
}

void MonitorWindow::setDecodeButtonFace(const QString& text, bool cancel) {
  ui->decodeButton->setText(text);
  ui->decodeButton->setProperty("cancel", cancel);
  repolish(ui->decodeButton);
}

void MonitorWindow::showTime() {
  elapsed = elapsed.addSecs(1);
  ui->lcdNumber->display(elapsed.toString(QStringLiteral("mm:ss")));
}

void MonitorWindow::disableOptionControls() {
  ui->resamplingBox->setEnabled(false);
  ui->cellFillComboBox->setEnabled(false);
  ui->msecsCheckBox->setEnabled(false);
  ui->utcCheckBox->setEnabled(false);
  ui->startDateTimeEdit->setEnabled(false);
  ui->endDateTimeEdit->setEnabled(false);
}

void MonitorWindow::enableOptionControls() {
  ui->decodeButton->setEnabled(true);
  ui->resamplingBox->setEnabled(true);
  ui->cellFillComboBox->setEnabled(true);
  ui->msecsCheckBox->setEnabled(true);
  ui->utcCheckBox->setEnabled(true);
  ui->startDateTimeEdit->setEnabled(true);
  ui->endDateTimeEdit->setEnabled(true);
  updateMethodState();
}

void MonitorWindow::showFileSummary(const QString& filePath, const QString& serial, const QString& firmware) {
  previewLogPath_ = filePath;
  ui->inputFileNameLabel->setText(QStringLiteral("<b>File:</b> ") + QFileInfo(filePath).fileName());
  ui->serialNumberLabel->setText(QStringLiteral("<b>Serial:</b> ") + serial);
  ui->firmwareVersionLabel->setText(QStringLiteral("<b>Firmware:</b> ") + firmware);
  const Json::Value& outputDir = config.isObject() ? config["outputDirName"] : Json::Value::nullSingleton();
  ui->destinationDirLabel->setText(QStringLiteral("<b>Destination:</b> ") +
                                   (outputDir.isString() ? QString::fromStdString(outputDir.asString()) : QString()));
}

void MonitorWindow::fillPanelsForLoadedFile(const std::vector<CatalogEntry>& catalog, float recordingFrequency) {
  refreshTimeWindow();
  populateVariableList(catalog);
  setFrequencyChoices(recordingFrequency);
  const QString configured = configText("frequency");
  if (config.isObject() && config.isMember("frequency")) selectFrequency(configured);
  ui->cellFillComboBox->setEnabled(true);
  ui->resamplingBox->setEnabled(true);
  updateMethodState();
  ui->decodeButton->setEnabled(true);
  schedulePreviewRefresh();
}

QString MonitorWindow::configText(const char* key) const {
  if (!config.isObject()) return QString();
  const Json::Value& value = config[key];
  return value.isString() ? QString::fromStdString(value.asString()) : QString();
}

void MonitorWindow::inputFileChoose() {
  ui->resamplingBox->setEnabled(false);
  ui->varFilter->setEnabled(true);
  const QStringList files = QFileDialog::getOpenFileNames(this, tr("Open log file"), configText("inputDirName"),
                                                          tr("Log Files (*.zrl)"));
  if (files.isEmpty()) return;
  inputFiles = files;
  loadLogFile(files.first());
}

void MonitorWindow::outputDirChoose() {
  const QString dir = QFileDialog::getExistingDirectory(this, tr("Choose output directory"),
                                                        configText("outputDirName"), QFileDialog::ShowDirsOnly);
  if (dir.isEmpty()) return;
  if (!config.isObject()) config = Json::Value(Json::objectValue);
  config["outputDirName"] = dir.toStdString();
  ui->destinationDirLabel->setText(QStringLiteral("<b>Destination:</b> ") + QFileInfo(dir).absoluteFilePath());
}

void MonitorWindow::updateConfigurationLabel() {
  const QString name = QFileInfo(configPath).fileName();
  const QString temp = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
  const bool isDefault =
      name.isEmpty() || (configPath.startsWith(temp, Qt::CaseSensitive) && name == QLatin1String("decoderConf.json"));
  if (isDefault) {
    ui->configFileLabel->setText(tr("<b>Configuration:</b> (default)"));
    ui->configFileLabel->setToolTip(tr("Using default configuration"));
  } else {
    ui->configFileLabel->setText(tr("<b>Configuration:</b> ") + name);
    ui->configFileLabel->setToolTip(tr("Current configuration file: %1").arg(configPath));
  }
}

void MonitorWindow::stopDecodeAndWait() {
  if (!decoder) return;
  requestDecodeCancel();
  QThreadPool::globalInstance()->waitForDone();
}

void MonitorWindow::exitApplication() {
  stopDecodeAndWait();
  releaseDecoder();
  close();
}

void MonitorWindow::wsConnection(bool connected) {
  ui->connectionLabel->setEnabled(connected);
  repolish(ui->connectionLabel);
}

// The fixed sizes of the panels are drawn for a particular desktop font; with
// wider fonts the window grows at its first showing instead of clipping.
void MonitorWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (sizeCheckedAtShow) return;
  sizeCheckedAtShow = true;
  const QSize needed = ui->gridLayout_2->minimumSize();
  const QSize current = ui->centralWidget->minimumSize();
  const QSize minimum = current.expandedTo(needed);
  if (minimum == current) return;
  const QSize growth = (minimum - ui->centralWidget->size()).expandedTo(QSize(0, 0));
  ui->centralWidget->setMinimumSize(minimum);
  resize(size() + growth);
}

void MonitorWindow::aPropos() {
  APropos dialog(this);
  dialog.exec();
}
