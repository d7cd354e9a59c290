#include "ui/MonitorWindow.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDesktopWidget>
#include <QDockWidget>
#include <QFile>
#include <QGridLayout>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QVBoxLayout>

#include "session/Session.h"
#include "task/ConsoleDecodeObserver.h"
#include "task/DecodeController.h"
#include "ui/AboutDialog.h"
#include "ui/PreviewPanel.h"
#include "ui/WidgetStyleSheets.h"
#include "ui/panels/ConditionsPanel.h"
#include "ui/panels/CsvOptionsPanel.h"
#include "ui/panels/DecodePanel.h"
#include "ui/panels/FiltersPanel.h"
#include "ui/panels/InformationPanel.h"
#include "ui/panels/ProgressPanel.h"
#include "ui/panels/QueuePanel.h"
#include "ui/panels/ResamplingPanel.h"
#include "ui/panels/VariableListPanel.h"

// The compiled-in pictures and style live in a static library; referencing
// the initializer keeps the linker from dropping them.
static void initResources() { Q_INIT_RESOURCE(resources); }

namespace {

// The size a window opens at the first time, when the screen has room for
// it: wide enough for the option column and the variables side by side.
constexpr QSize kFirstSize(1280, 928);

QString mainStyleSheet() {
  QFile file(QStringLiteral(":/resources/styles/MonitorWindow.qss"));
  if (!file.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(file.readAll());
}

QAction* menuAction(QWidget* owner, const char* name, const QString& text, const QString& shortcut) {
  auto* action = new QAction(text, owner);
  action->setObjectName(QString::fromLatin1(name));
  if (!shortcut.isEmpty()) action->setShortcut(QKeySequence(shortcut));
  return action;
}

}  // namespace

MonitorWindow::MonitorWindow(const StartupOptions& options, QWidget* parent)
    : QMainWindow(parent),
      session_(new Session(options.verbose, this)),
      controller_(new DecodeController(this)),
      startupOptions_(options) {
  console_ = std::make_unique<ConsoleDecodeObserver>(options.verbose, controller_, nullptr);
  initResources();

  setObjectName(QStringLiteral("MonitorWindow"));
  setWindowTitle(tr("ZRL Decoder"));
  setWindowIcon(QIcon(QStringLiteral(":/resources/images/decoder.ico")));
  // Texts without a size of their own in the style sheets use the usual
  // desktop size rather than whatever the platform defaults to.
  QFont baseFont = font();
  baseFont.setPointSize(9);
  setFont(baseFont);
  // Before the panels: they measure their signs in the style sheet's fonts.
  setStyleSheet(mainStyleSheet());

  buildPanels();
  buildPreviewDock();
  buildMenus();
  connectPanels();
  updateDecodeButton();

  // The first size, kept inside a screen that can hold the window at all.
  QSize first = kFirstSize;
  if (const QScreen* screen = QApplication::primaryScreen()) {
    const QSize available = screen->availableSize();
    if (available.width() >= minimumSizeHint().width() && available.height() >= minimumSizeHint().height())
      first = first.boundedTo(available);
  }
  resize(first);

  information_->showConfiguration();
  setAcceptDrops(true);
  updateRecentLogsMenu();
  restoreWindowLayout();
  runStartupSequence();
}

MonitorWindow::~MonitorWindow() {
  // The dock is hidden while the base class deletes it: its signals must
  // not reach this window any more.
  if (previewDock_) previewDock_->disconnect(this);
  decodeIndex_ = -1;
  controller_->cancelAndWait();
}

void MonitorWindow::buildPanels() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("centralWidget"));
  setCentralWidget(central);
  auto* grid = new QGridLayout(central);
  grid->setObjectName(QStringLiteral("centralLayout"));
  grid->setSpacing(12);
  grid->setContentsMargins(12, 12, 12, 12);

  // The option panels on the left and the variables on the right share the
  // width through a splitter; the left column scrolls when the window is
  // too small for it.
  splitter_ = new QSplitter(Qt::Horizontal, central);
  splitter_->setObjectName(QStringLiteral("panelSplitter"));
  splitter_->setChildrenCollapsible(false);
  splitter_->setHandleWidth(12);
  grid->addWidget(splitter_, 0, 0);

  auto* leftScroll = new QScrollArea(splitter_);
  leftScroll->setObjectName(QStringLiteral("leftScrollArea"));
  leftScroll->setWidgetResizable(true);
  leftScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  leftScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  leftScroll->setFrameShape(QFrame::NoFrame);
  leftScroll->setStyleSheet(widgetstyle::leftScrollArea());
  leftScroll->setMinimumWidth(240);
  auto* leftContent = new QWidget;
  leftContent->setObjectName(QStringLiteral("leftScrollContent"));
  leftContent->setStyleSheet(widgetstyle::leftScrollContent());
  leftScroll->setWidget(leftContent);
  auto* leftColumn = new QVBoxLayout(leftContent);
  leftColumn->setObjectName(QStringLiteral("leftColumnLayout"));
  leftColumn->setSpacing(12);
  leftColumn->setContentsMargins(0, 0, 0, 0);

  information_ = new InformationPanel(*session_, leftContent);
  queue_ = new QueuePanel(leftContent);
  resampling_ = new ResamplingPanel(*session_, leftContent);
  csvOptions_ = new CsvOptionsPanel(*session_, leftContent);
  conditions_ = new ConditionsPanel(*session_, leftContent);
  // Every panel of the left column has the same width: the CSV panel's
  // labels and check boxes need it, and the column lines up.
  for (QWidget* panel : std::initializer_list<QWidget*>{information_, queue_, resampling_, csvOptions_, conditions_}) {
    panel->setFixedWidth(480);
    leftColumn->addWidget(panel);
  }
  leftColumn->addStretch();
  // Room for the panels and a vertical scroll bar.
  leftScroll->resize(492, leftScroll->height());

  auto* right = new QWidget(splitter_);
  right->setObjectName(QStringLiteral("variablesColumn"));
  auto* rightColumn = new QVBoxLayout(right);
  rightColumn->setObjectName(QStringLiteral("variablesLayout"));
  rightColumn->setSpacing(8);
  rightColumn->setContentsMargins(0, 0, 0, 0);
  auto* topBar = new QHBoxLayout;
  topBar->setObjectName(QStringLiteral("topBarLayout"));
  topBar->setSpacing(16);
  filters_ = new FiltersPanel(*session_, right);
  decode_ = new DecodePanel(right);
  topBar->addWidget(filters_);
  topBar->addWidget(decode_, 1);
  rightColumn->addLayout(topBar);
  variables_ = new VariableListPanel(*session_, right);
  rightColumn->addWidget(variables_, 1);

  splitter_->addWidget(leftScroll);
  splitter_->addWidget(right);
  // The variables take what the option panels leave.
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  splitter_->setSizes({492, kFirstSize.width() - 492});

  progress_ = new ProgressPanel(central);
  grid->addWidget(progress_, 1, 0);
  grid->setRowStretch(0, 1);
}

void MonitorWindow::buildMenus() {
  auto* actionOpenLog = menuAction(this, "actionOpenLog", tr("Load ZRL"), tr("Ctrl+O"));
  auto* actionSaveConfig = menuAction(this, "actionSaveConfig", tr("Save Config"), tr("Ctrl+S"));
  auto* actionSaveConfigAs = menuAction(this, "actionSaveConfigAs", tr("Save config as..."), tr("Ctrl+Shift+S"));
  auto* actionLoadConfig = menuAction(this, "actionLoadConfig", tr("Load config"), tr("Ctrl+L"));
  auto* actionDestination = menuAction(this, "actionChooseDestination", tr("Select destination"), tr("Ctrl+D"));
  auto* actionExit = menuAction(this, "actionExit", tr("Exit"), tr("Ctrl+Q"));
  auto* actionAbout = menuAction(this, "actionAbout", tr("About"), QString());
  QAction* actionPreview = previewDock_->toggleViewAction();
  actionPreview->setObjectName(QStringLiteral("actionPreview"));
  actionPreview->setText(tr("Preview"));
  actionPreview->setShortcut(QKeySequence(tr("Ctrl+P")));

  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("menuBar"));
  QMenu* file = bar->addMenu(tr("File"));
  file->setObjectName(QStringLiteral("menuFile"));
  file->addAction(actionOpenLog);
  recentLogsMenu_ = file->addMenu(tr("Recent logs"));
  recentLogsMenu_->setObjectName(QStringLiteral("menuRecentLogs"));
  file->addSeparator();
  file->addAction(actionSaveConfig);
  file->addAction(actionSaveConfigAs);
  file->addAction(actionLoadConfig);
  file->addSeparator();
  file->addAction(actionDestination);
  file->addAction(actionPreview);
  file->addSeparator();
  file->addAction(actionExit);
  QMenu* help = bar->addMenu(tr("Help"));
  help->setObjectName(QStringLiteral("menuHelp"));
  help->addAction(actionAbout);

  connect(actionOpenLog, &QAction::triggered, this, &MonitorWindow::chooseLogFiles);
  connect(actionSaveConfig, &QAction::triggered, this, &MonitorWindow::saveCurrentConfig);
  connect(actionSaveConfigAs, &QAction::triggered, this, &MonitorWindow::saveConfigAs);
  connect(actionLoadConfig, &QAction::triggered, this, &MonitorWindow::loadConfigFromDialog);
  connect(actionDestination, &QAction::triggered, this, &MonitorWindow::chooseOutputDirectory);
  connect(actionExit, &QAction::triggered, this, &MonitorWindow::exitApplication);
  connect(actionAbout, &QAction::triggered, this, &MonitorWindow::showAbout);
}

void MonitorWindow::connectPanels() {
  connect(filters_, &FiltersPanel::filterChanged, variables_, &VariableListPanel::setFilter);
  connect(csvOptions_, &CsvOptionsPanel::fileSpanShown, information_, &InformationPanel::showTimes);
  connect(decode_, &DecodePanel::clicked, this, &MonitorWindow::decodeOrCancel);
  connect(progress_, &ProgressPanel::polled, this, &MonitorWindow::showDecodeProgress);
  connect(controller_, &DecodeController::started, this, &MonitorWindow::showDecodeStarted);
  connect(controller_, &DecodeController::finished, this, &MonitorWindow::queuedFileEnded);
  connect(session_, &Session::selectionChanged, this, &MonitorWindow::updateDecodeButton);
  connect(session_, &Session::logChanged, this, &MonitorWindow::updateDecodeButton);
  connect(session_, &Session::inputFilesChanged, this, [this] {
    if (!decoding()) queue_->setFiles(session_->inputFiles());
  });
  connect(queue_, &QueuePanel::fileChosen, this, [this](const QString& path) {
    if (!decoding()) loadLogFile(path);
  });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setObjectName(QStringLiteral("cancelShortcut"));
  connect(escape, &QShortcut::activated, this, [this] {
    if (decoding()) cancelDecode();
  });
  urlOpener_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  connect(progress_, &ProgressPanel::openFolderClicked, this, [this] {
    if (!resultFolder_.isEmpty()) urlOpener_(QUrl::fromLocalFile(resultFolder_));
  });
  connect(progress_, &ProgressPanel::openCsvClicked, this, [this] {
    if (!resultCsv_.isEmpty()) urlOpener_(QUrl::fromLocalFile(resultCsv_));
  });
  // What the preview plots follows the session.
  for (auto changed : {&Session::selectionChanged, &Session::aliasesChanged, &Session::conditionsChanged})
    connect(session_, changed, this, &MonitorWindow::schedulePreviewRefresh);
  connect(csvOptions_, &CsvOptionsPanel::timeWindowEdited, this, &MonitorWindow::showTimeWindowInPreview);
}

void MonitorWindow::setOptionControlsEnabled(bool enabled) {
  resampling_->setEnabled(enabled);
  csvOptions_->setDecodeControlsEnabled(enabled);
  updateDecodeButton();
}

void MonitorWindow::updateDecodeButton() {
  QString reason;
  if (decoding()) reason.clear();
  else if (!session_->log()) reason = tr("Open a readable log file first");
  else if (session_->selection().isEmpty()) reason = tr("Tick at least one variable to decode");
  decode_->button()->setEnabled(reason.isEmpty());
  decode_->button()->setToolTip(reason.isEmpty() ? (decoding() ? tr("Stop the decode (Esc)") : tr("Write the ticked variables to CSV"))
                                                 : reason);
}

void MonitorWindow::showAbout() {
  AboutDialog dialog(this);
  dialog.exec();
}

void MonitorWindow::exitApplication() {
  decodeIndex_ = -1;
  controller_->cancelAndWait();
  close();
}
