#include "ui/MonitorWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>

#include "session/Session.h"
#include "task/ConsoleDecodeObserver.h"
#include "task/DecodeController.h"
#include "ui/APropos.h"
#include "ui/DrawableSigns.h"

using namespace zrl;

// The compiled-in pictures and style live in a static library; referencing
// the initializer keeps the linker from dropping them.
static void initResources() { Q_INIT_RESOURCE(resources); }

namespace {

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
    : QMainWindow(parent),
      session_(new Session(options.verbose, this)),
      controller_(new DecodeController(this)),
      startupOptions_(options),
      ui(std::make_unique<MonitorWindowForm>()) {
  console_ = std::make_unique<ConsoleDecodeObserver>(options.verbose, controller_, nullptr);
  initResources();

  clockTimer = new QTimer(this);
  progressTimer = new QTimer(this);

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
  connectControls();

  ui->varsView->setContextMenuPolicy(Qt::CustomContextMenu);
  ui->progressBar->setValue(0);
  setStatus(tr("Ready"), QStringLiteral("ready"));
  connect(ui->varsView, &QListWidget::itemChanged, this, &MonitorWindow::onVarItemChanged);

  ui->configFileLabel->setToolTip(tr("Current configuration file path"));
  ui->configFileLabel->setTextInteractionFlags(Qt::NoTextInteraction);

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
  connectController();
  runStartupSequence();
}

MonitorWindow::~MonitorWindow() {
  // The dock is hidden while the base class deletes it, after the form is
  // gone: its signals must not reach this window any more.
  if (previewDock_) previewDock_->disconnect(this);
  decodeIndex_ = -1;
  controller_->cancelAndWait();
}

// Each control's signal is wired by name here, so a renamed widget or slot
// fails to compile instead of leaving a control silently dead.
void MonitorWindow::connectControls() {
  connect(ui->varsView, &QWidget::customContextMenuRequested, this,
          &MonitorWindow::on_varsView_customContextMenuRequested);
  connect(ui->decodeButton, &QPushButton::clicked, this, &MonitorWindow::on_decodeButton_clicked);
  connect(ui->selectAllButton, &QPushButton::clicked, this, &MonitorWindow::on_selectAllButton_clicked);
  connect(ui->unselectAllButton, &QPushButton::clicked, this, &MonitorWindow::on_unselectAllButton_clicked);
  connect(ui->varFilter, &QLineEdit::textEdited, this, &MonitorWindow::on_varFilter_textEdited);
  connect(ui->methodComboBox, &QComboBox::currentTextChanged, this,
          &MonitorWindow::on_methodComboBox_currentTextChanged);
  connect(ui->clearSearchButton, &QPushButton::clicked, this, &MonitorWindow::on_clearSearchButton_clicked);
  connect(ui->floatTypeCheckBox, &QCheckBox::toggled, this, &MonitorWindow::on_floatTypeCheckBox_toggled);
  connect(ui->integerTypeCheckBox, &QCheckBox::toggled, this, &MonitorWindow::on_integerTypeCheckBox_toggled);
  connect(ui->stringTypeCheckBox, &QCheckBox::toggled, this, &MonitorWindow::on_stringTypeCheckBox_toggled);
  connect(ui->booleanTypeCheckBox, &QCheckBox::toggled, this, &MonitorWindow::on_booleanTypeCheckBox_toggled);
  connect(ui->canFrameTypeCheckBox, &QCheckBox::toggled, this, &MonitorWindow::on_canFrameTypeCheckBox_toggled);
  connect(ui->timeStampTypeCheckBox, &QCheckBox::toggled, this, &MonitorWindow::on_timeStampTypeCheckBox_toggled);
  connect(ui->selectedOnlyToggle, &QPushButton::toggled, this, &MonitorWindow::on_selectedOnlyToggle_toggled);
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
  ui->destinationDirLabel->setText(QStringLiteral("<b>Destination:</b> ") + session_->outputDirectory());
}

void MonitorWindow::fillPanelsForLoadedFile(const std::vector<CatalogEntry>& catalog, float recordingFrequency) {
  refreshTimeWindow();
  populateVariableList(catalog);
  setFrequencyChoices(recordingFrequency);
  // The session chose the frequency for this log.
  selectFrequency(session_->options().frequency);
  ui->cellFillComboBox->setEnabled(true);
  ui->resamplingBox->setEnabled(true);
  updateMethodState();
  ui->decodeButton->setEnabled(true);
  schedulePreviewRefresh();
}

QString MonitorWindow::configText(const char* key) const {
  const Json::Value& config = session_->config();
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
  session_->setInputFiles(files);
  loadLogFile(files.first());
}

void MonitorWindow::outputDirChoose() {
  const QString dir = QFileDialog::getExistingDirectory(this, tr("Choose output directory"),
                                                        configText("outputDirName"), QFileDialog::ShowDirsOnly);
  if (dir.isEmpty()) return;
  session_->setOutputDirectory(dir);
  ui->destinationDirLabel->setText(QStringLiteral("<b>Destination:</b> ") + QFileInfo(dir).absoluteFilePath());
}

void MonitorWindow::updateConfigurationLabel() {
  const QString& configPath = session_->configPath();
  const QString name = QFileInfo(configPath).fileName();
  const bool isDefault = session_->usesDefaultConfig();
  if (isDefault) {
    ui->configFileLabel->setText(tr("<b>Configuration:</b> (default)"));
    ui->configFileLabel->setToolTip(tr("Using default configuration"));
  } else {
    ui->configFileLabel->setText(tr("<b>Configuration:</b> ") + name);
    ui->configFileLabel->setToolTip(tr("Current configuration file: %1").arg(configPath));
  }
}

void MonitorWindow::exitApplication() {
  decodeIndex_ = -1;
  controller_->cancelAndWait();
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
