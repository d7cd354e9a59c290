#include "ui/MonitorWindowForm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSpacerItem>
#include <QStatusBar>
#include <QVBoxLayout>

#include "ui/StatusProgressBar.h"
#include "ui/WidgetStyleSheets.h"

namespace {

// Every panel of the left column has the information panel's width: the
// CSV panel's labels and check boxes need it, and the column lines up.
constexpr int kPanelWidth = 480;

QString tr(const char* text) { return QCoreApplication::translate("MonitorWindow", text); }

QLabel* richLabel(QWidget* parent, const char* name, bool wordWrap = false) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::RichText);
  label->setWordWrap(wordWrap);
  return label;
}

QLabel* plainLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

QComboBox* comboBox(QWidget* parent, const char* name, const QStringList& items) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->addItems(items);
  box->setCurrentIndex(0);
  return box;
}

QDateTimeEdit* dateTimeEdit(QWidget* parent, const char* name) {
  auto* edit = new QDateTimeEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setDisplayFormat(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
  edit->setEnabled(false);
  return edit;
}

template <typename Layout>
Layout* boxLayout(const char* name, int spacing, int left, int top, int right, int bottom) {
  auto* layout = new Layout;
  layout->setObjectName(QString::fromLatin1(name));
  layout->setSpacing(spacing);
  layout->setContentsMargins(left, top, right, bottom);
  return layout;
}

template <typename Layout>
Layout* boxLayout(const char* name, int spacing) {
  auto* layout = new Layout;
  layout->setObjectName(QString::fromLatin1(name));
  layout->setSpacing(spacing);
  return layout;
}

void setPointSize(QWidget* widget, int points) {
  QFont font = widget->font();
  font.setPointSize(points);
  widget->setFont(font);
}

QCheckBox* typeCheckBox(QWidget* parent, const char* name, const char* colour) {
  auto* box = new QCheckBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setChecked(true);
  box->setStyleSheet(widgetstyle::typeCheckBox(box->objectName(), QString::fromLatin1(colour)));
  return box;
}

}  // namespace

void MonitorWindowForm::setupUi(QMainWindow* window) {
  window->setObjectName(QStringLiteral("MonitorWindow"));
  window->resize(1161, 928);
  // Texts without a size of their own in the style sheets use the usual
  // desktop size rather than whatever the platform defaults to.
  QFont baseFont = window->font();
  baseFont.setPointSize(9);
  window->setFont(baseFont);
  window->setWindowIcon(QIcon(QStringLiteral(":/resources/images/decoder.ico")));

  actionA_Propos = new QAction(window);
  actionA_Propos->setObjectName(QStringLiteral("actionA_Propos"));
  actionLoadZRL = new QAction(window);
  actionLoadZRL->setObjectName(QStringLiteral("actionLoadZRL"));
  actionSauvegarder = new QAction(window);
  actionSauvegarder->setObjectName(QStringLiteral("actionSauvegarder"));
  actionCharger = new QAction(window);
  actionCharger->setObjectName(QStringLiteral("actionCharger"));
  actionDestDir = new QAction(window);
  actionDestDir->setObjectName(QStringLiteral("actionDestDir"));
  actionSaveConfig = new QAction(window);
  actionSaveConfig->setObjectName(QStringLiteral("actionSaveConfig"));
  actionExit = new QAction(window);
  actionExit->setObjectName(QStringLiteral("actionExit"));
  actionPreview = new QAction(window);
  actionPreview->setObjectName(QStringLiteral("actionPreview"));
  actionPreview->setCheckable(true);

  centralWidget = new QWidget(window);
  centralWidget->setObjectName(QStringLiteral("centralWidget"));
  centralWidget->setMinimumSize(839, 750);
  gridLayout_2 = boxLayout<QGridLayout>("gridLayout_2", 12, 12, 12, 12, 12);
  centralWidget->setLayout(gridLayout_2);

  // Left column: the four option panels in a scroll area, so that they stay
  // reachable when the window is made short.
  leftScrollArea = new QScrollArea(centralWidget);
  leftScrollArea->setObjectName(QStringLiteral("leftScrollArea"));
  leftScrollArea->setWidgetResizable(true);
  leftScrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  leftScrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  leftScrollArea->setFrameShape(QFrame::NoFrame);
  // Wide enough for the information panel and a vertical scroll bar.
  leftScrollArea->setMinimumWidth(492);
  leftScrollArea->setMaximumWidth(500);
  leftScrollArea->setStyleSheet(widgetstyle::leftScrollArea());
  leftScrollContent = new QWidget;
  leftScrollContent->setObjectName(QStringLiteral("leftScrollContent"));
  leftScrollContent->setStyleSheet(widgetstyle::leftScrollContent());
  leftColumnLayout = boxLayout<QVBoxLayout>("leftColumnLayout", 12, 0, 0, 0, 0);
  leftScrollContent->setLayout(leftColumnLayout);

  setupInformationPanel();
  setupResamplingPanel();
  setupCsvPanel();
  setupConditionsPanel();
  leftColumnLayout->addWidget(informationFrame);
  leftColumnLayout->addWidget(resamplingBox);
  leftColumnLayout->addWidget(displayOptionsFrame);
  leftColumnLayout->addWidget(conditionsFrame);
  leftColumnLayout->addStretch();
  leftScrollArea->setWidget(leftScrollContent);
  gridLayout_2->addWidget(leftScrollArea, 0, 0, 4, 1);

  setupVariablePanel(centralWidget);
  gridLayout_2->addLayout(variablesLayout, 0, 1, 4, 1);

  // The database connection square; it shares its cells with the variable
  // panel and stays red, as the window never connects to a database
  // (database output belongs to batch runs).
  horizontalLayout_6 = boxLayout<QHBoxLayout>("horizontalLayout_6", 8);
  connectionLabel = plainLabel(centralWidget, "connectionLabel");
  connectionLabel->setFixedSize(24, 24);
  connectionLabel->setEnabled(false);
  // Kept under the variable panel that shares its cells: the square has no
  // use in the window and must not cover the list.
  connectionLabel->lower();
  horizontalLayout_6->addWidget(connectionLabel);
  horizontalLayout_6->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
  gridLayout_2->addLayout(horizontalLayout_6, 2, 1, 1, 1);

  setupProgressRow(centralWidget);
  gridLayout_2->addLayout(progressLayout, 4, 0, 1, 2);

  window->setCentralWidget(centralWidget);
  setupMenus(window);
  statusBar = new QStatusBar(window);
  statusBar->setObjectName(QStringLiteral("statusBar"));
  window->setStatusBar(statusBar);

  retranslateUi(window);
}

void MonitorWindowForm::setupInformationPanel() {
  informationFrame = new QGroupBox(leftScrollContent);
  informationFrame->setObjectName(QStringLiteral("informationFrame"));
  informationFrame->setFixedWidth(kPanelWidth);
  verticalLayout_info = boxLayout<QVBoxLayout>("verticalLayout_info", 4, 12, 8, 12, 8);
  informationFrame->setLayout(verticalLayout_info);

  inputFileNameLabel = richLabel(informationFrame, "inputFileNameLabel", true);
  fromToLayout = boxLayout<QHBoxLayout>("fromToLayout", 12);
  displayStartTimeLabel = richLabel(informationFrame, "displayStartTimeLabel");
  displayEndTimeLabel = richLabel(informationFrame, "displayEndTimeLabel");
  fromToLayout->addWidget(displayStartTimeLabel);
  fromToLayout->addWidget(displayEndTimeLabel);
  serialNumberLabel = richLabel(informationFrame, "serialNumberLabel");
  firmwareVersionLabel = richLabel(informationFrame, "firmwareVersionLabel");
  destinationDirLabel = richLabel(informationFrame, "destinationDirLabel", true);
  configFileLabel = richLabel(informationFrame, "configFileLabel", true);

  verticalLayout_info->addWidget(inputFileNameLabel);
  verticalLayout_info->addLayout(fromToLayout);
  verticalLayout_info->addWidget(serialNumberLabel);
  verticalLayout_info->addWidget(firmwareVersionLabel);
  verticalLayout_info->addWidget(destinationDirLabel);
  verticalLayout_info->addWidget(configFileLabel);
  verticalLayout_info->addItem(new QSpacerItem(20, 20, QSizePolicy::Minimum, QSizePolicy::Expanding));
}

void MonitorWindowForm::setupResamplingPanel() {
  resamplingBox = new QGroupBox(leftScrollContent);
  resamplingBox->setObjectName(QStringLiteral("resamplingBox"));
  resamplingBox->setFixedWidth(kPanelWidth);
  resamplingLayout = boxLayout<QVBoxLayout>("resamplingLayout", 8, 12, 8, 12, 8);
  resamplingBox->setLayout(resamplingLayout);

  frequencyLayout = boxLayout<QHBoxLayout>("frequencyLayout", 8);
  frequencyLabel = plainLabel(resamplingBox, "frequencyLabel");
  frequencyComboBox = comboBox(resamplingBox, "frequencyComboBox",
                               {"None", "100", "50", "20", "10", "5", "1", "0.1", "0.01"});
  frequencyLayout->addWidget(frequencyLabel);
  frequencyLayout->addWidget(frequencyComboBox);

  methodLayout = boxLayout<QHBoxLayout>("methodLayout", 8);
  methodLabel = plainLabel(resamplingBox, "methodLabel");
  methodComboBox = comboBox(resamplingBox, "methodComboBox", {"Median", "Mean", "Min", "Max", "First", "Last"});
  methodLayout->addWidget(methodLabel);
  methodLayout->addWidget(methodComboBox);

  resamplingLayout->addLayout(frequencyLayout);
  resamplingLayout->addLayout(methodLayout);
}

void MonitorWindowForm::setupCsvPanel() {
  displayOptionsFrame = new QGroupBox(leftScrollContent);
  displayOptionsFrame->setObjectName(QStringLiteral("displayOptionsFrame"));
  displayOptionsFrame->setFixedWidth(kPanelWidth);
  gridLayout_csvParams = boxLayout<QGridLayout>("gridLayout_csvParams", 8, 12, 8, 12, 8);
  displayOptionsFrame->setLayout(gridLayout_csvParams);
  QWidget* panel = displayOptionsFrame;

  label_options = plainLabel(panel, "label_options");
  optionsLayout = boxLayout<QHBoxLayout>("optionsLayout", 12);
  utcCheckBox = new QCheckBox(panel);
  utcCheckBox->setObjectName(QStringLiteral("utcCheckBox"));
  msecsCheckBox = new QCheckBox(panel);
  msecsCheckBox->setObjectName(QStringLiteral("msecsCheckBox"));
  unitLineCheckBox = new QCheckBox(panel);
  unitLineCheckBox->setObjectName(QStringLiteral("unitLineCheckBox"));
  optionsLayout->addWidget(utcCheckBox);
  optionsLayout->addWidget(msecsCheckBox);
  optionsLayout->addWidget(unitLineCheckBox);
  gridLayout_csvParams->addWidget(label_options, 0, 0, Qt::AlignLeft | Qt::AlignTop);
  gridLayout_csvParams->addLayout(optionsLayout, 0, 1);

  label_cellFill = plainLabel(panel, "label_cellFill");
  cellFillComboBox = comboBox(panel, "cellFillComboBox", {"Last known value", "Leave blank"});
  cellFillComboBox->setEnabled(false);
  label_1 = plainLabel(panel, "label_1");
  floatFormatBox =
      comboBox(panel, "floatFormatBox", {"Tarvik", "1 decimal", "3 decimals", "5 decimals", "7 decimals"});
  label_2 = plainLabel(panel, "label_2");
  columnSeparatorBox = comboBox(panel, "columnSeparatorBox", {";", ",", "tab"});
  label_3 = plainLabel(panel, "label_3");
  decimalSeparatorBox = comboBox(panel, "decimalSeparatorBox", {".", ","});
  label_4 = plainLabel(panel, "label_4");
  startDateTimeEdit = dateTimeEdit(panel, "startDateTimeEdit");
  label_5 = plainLabel(panel, "label_5");
  endDateTimeEdit = dateTimeEdit(panel, "endDateTimeEdit");

  const std::pair<QLabel*, QWidget*> rows[] = {
      {label_cellFill, cellFillComboBox}, {label_1, floatFormatBox},     {label_2, columnSeparatorBox},
      {label_3, decimalSeparatorBox},     {label_4, startDateTimeEdit}, {label_5, endDateTimeEdit},
  };
  int row = 1;
  for (const auto& [label, field] : rows) {
    gridLayout_csvParams->addWidget(label, row, 0);
    gridLayout_csvParams->addWidget(field, row, 1);
    // The fields take what the labels leave, never the labels' room.
    field->setMinimumWidth(120);
    ++row;
  }
  gridLayout_csvParams->setColumnStretch(1, 1);
}

void MonitorWindowForm::setupConditionsPanel() {
  conditionsFrame = new QGroupBox(leftScrollContent);
  conditionsFrame->setObjectName(QStringLiteral("conditionsFrame"));
  conditionsFrame->setFixedWidth(kPanelWidth);
  conditionsLayout = boxLayout<QVBoxLayout>("conditionsLayout", 4, 8, 6, 8, 6);
  conditionsFrame->setLayout(conditionsLayout);

  filtersScrollArea = new QScrollArea(conditionsFrame);
  filtersScrollArea->setObjectName(QStringLiteral("filtersScrollArea"));
  filtersScrollArea->setWidgetResizable(true);
  filtersScrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  filtersScrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  filtersContainerWidget = new QWidget;
  filtersContainerWidget->setObjectName(QStringLiteral("filtersContainerWidget"));
  filtersLayout = boxLayout<QVBoxLayout>("filtersLayout", 8, 4, 4, 4, 4);
  filtersContainerWidget->setLayout(filtersLayout);
  filtersLayout->addItem(new QSpacerItem(20, 0, QSizePolicy::Minimum, QSizePolicy::Expanding));
  filtersScrollArea->setWidget(filtersContainerWidget);
  conditionsLayout->addWidget(filtersScrollArea);
}

void MonitorWindowForm::setupVariablePanel(QWidget* parent) {
  variablesLayout = boxLayout<QVBoxLayout>("variablesLayout", 8);
  topBarLayout = boxLayout<QHBoxLayout>("topBarLayout", 16);

  // Search line and type filters.
  filtersGroupBox = new QGroupBox(parent);
  filtersGroupBox->setObjectName(QStringLiteral("filtersGroupBox"));
  filtersGroupBox->setStyleSheet(widgetstyle::filtersGroupBox());
  searchAndTypeFiltersLayout = boxLayout<QVBoxLayout>("searchAndTypeFiltersLayout", 16, 12, 8, 12, 12);
  filtersGroupBox->setLayout(searchAndTypeFiltersLayout);

  searchLayout = boxLayout<QHBoxLayout>("searchLayout", 8, 0, 0, 0, 0);
  searchIcon = plainLabel(filtersGroupBox, "searchIcon");
  searchIcon->setStyleSheet(widgetstyle::searchIcon());
  varFilter = new QLineEdit(filtersGroupBox);
  varFilter->setObjectName(QStringLiteral("varFilter"));
  varFilter->setMinimumWidth(250);
  varFilter->setFixedHeight(32);
  varFilter->setStyleSheet(widgetstyle::varFilter());
  clearSearchButton = new QPushButton(filtersGroupBox);
  clearSearchButton->setObjectName(QStringLiteral("clearSearchButton"));
  clearSearchButton->setFixedSize(20, 20);
  clearSearchButton->setStyleSheet(widgetstyle::clearSearchButton());
  searchLayout->addWidget(searchIcon);
  searchLayout->addWidget(varFilter);
  searchLayout->addWidget(clearSearchButton);

  controlsLayout = boxLayout<QHBoxLayout>("controlsLayout", 8);
  typeFiltersFrame = new QFrame(filtersGroupBox);
  typeFiltersFrame->setObjectName(QStringLiteral("typeFiltersFrame"));
  typeFiltersFrame->setFrameShape(QFrame::NoFrame);
  typeFiltersFrame->setStyleSheet(widgetstyle::typeFiltersFrame());
  typeFiltersLayout = boxLayout<QHBoxLayout>("typeFiltersLayout", 16, 0, 0, 0, 0);
  typeFiltersFrame->setLayout(typeFiltersLayout);
  typeFiltersLabel = plainLabel(typeFiltersFrame, "typeFiltersLabel");
  setPointSize(typeFiltersLabel, 14);
  typeFiltersLabel->setStyleSheet(widgetstyle::typeFiltersLabel());
  typeFiltersLayout->addWidget(typeFiltersLabel, 0, Qt::AlignVCenter);
  // Three rows of two, so that the filter bar fits beside the decode button
  // and the logo without clipping the type names.
  typeFiltersRow = new QGridLayout;
  typeFiltersRow->setObjectName(QStringLiteral("typeFiltersRow"));
  typeFiltersRow->setHorizontalSpacing(10);
  typeFiltersRow->setVerticalSpacing(2);
  floatTypeCheckBox = typeCheckBox(typeFiltersFrame, "floatTypeCheckBox", "#FF8C00");
  integerTypeCheckBox = typeCheckBox(typeFiltersFrame, "integerTypeCheckBox", "#28A745");
  stringTypeCheckBox = typeCheckBox(typeFiltersFrame, "stringTypeCheckBox", "#6F42C1");
  booleanTypeCheckBox = typeCheckBox(typeFiltersFrame, "booleanTypeCheckBox", "#DC3545");
  canFrameTypeCheckBox = typeCheckBox(typeFiltersFrame, "canFrameTypeCheckBox", "#007ACC");
  timeStampTypeCheckBox = typeCheckBox(typeFiltersFrame, "timeStampTypeCheckBox", "#20B2AA");
  int position = 0;
  for (QCheckBox* box : {floatTypeCheckBox, integerTypeCheckBox, stringTypeCheckBox, booleanTypeCheckBox,
                         canFrameTypeCheckBox, timeStampTypeCheckBox}) {
    typeFiltersRow->addWidget(box, position / 2, position % 2);
    ++position;
  }
  typeFiltersLayout->addLayout(typeFiltersRow);
  controlsLayout->addWidget(typeFiltersFrame);

  selectedOnlyToggle = new QPushButton(filtersGroupBox);
  selectedOnlyToggle->setObjectName(QStringLiteral("selectedOnlyToggle"));
  selectedOnlyToggle->setCheckable(true);
  selectedOnlyToggle->setFixedSize(100, 22);
  setPointSize(selectedOnlyToggle, 9);
  selectedOnlyToggle->setStyleSheet(widgetstyle::selectedOnlyToggle());
  controlsLayout->addWidget(selectedOnlyToggle, 0, Qt::AlignVCenter);

  searchAndTypeFiltersLayout->addLayout(searchLayout);
  searchAndTypeFiltersLayout->addLayout(controlsLayout);
  topBarLayout->addWidget(filtersGroupBox);

  decodeButton = new QPushButton(parent);
  decodeButton->setObjectName(QStringLiteral("decodeButton"));
  decodeButton->setMinimumSize(130, 45);
  decodeButton->setEnabled(false);
  decodeButton->setProperty("cancel", false);
  decodeButton->setStyleSheet(widgetstyle::decodeButton());
  topBarLayout->addWidget(decodeButton, 0, Qt::AlignCenter);

  topBarLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));

  logoLabel = plainLabel(parent, "logoLabel");
  logoLabel->setMinimumSize(120, 120);
  logoLabel->setMaximumSize(140, 140);
  logoLabel->setPixmap(QPixmap(QStringLiteral(":/resources/images/LogoLumoSmall.png")));
  logoLabel->setScaledContents(true);
  logoLabel->setAlignment(Qt::AlignCenter);
  topBarLayout->addWidget(logoLabel, 0, Qt::AlignCenter);
  variablesLayout->addLayout(topBarLayout);

  // The variable list with its header.
  dataFrame = new QFrame(parent);
  dataFrame->setObjectName(QStringLiteral("dataFrame"));
  dataFrame->setFrameShape(QFrame::Box);
  dataFrame->setFrameShadow(QFrame::Raised);
  dataFrame->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  dataLayout = boxLayout<QVBoxLayout>("dataLayout", 0, 0, 0, 0, 0);
  dataFrame->setLayout(dataLayout);

  dataHeaderFrame = new QFrame(dataFrame);
  dataHeaderFrame->setObjectName(QStringLiteral("dataHeaderFrame"));
  dataHeaderFrame->setFrameShape(QFrame::NoFrame);
  dataHeaderFrame->setStyleSheet(widgetstyle::dataHeaderFrame());
  dataHeaderLayout = boxLayout<QHBoxLayout>("dataHeaderLayout", 8, 16, 8, 16, 8);
  dataHeaderFrame->setLayout(dataHeaderLayout);
  dataFrameTitle = plainLabel(dataHeaderFrame, "dataFrameTitle");
  setPointSize(dataFrameTitle, 14);
  dataFrameTitle->setStyleSheet(widgetstyle::dataFrameTitle());
  selectAllButton = new QPushButton(dataHeaderFrame);
  selectAllButton->setObjectName(QStringLiteral("selectAllButton"));
  selectAllButton->setFixedSize(70, 18);
  setPointSize(selectAllButton, 8);
  selectAllButton->setStyleSheet(widgetstyle::selectAllButton());
  unselectAllButton = new QPushButton(dataHeaderFrame);
  unselectAllButton->setObjectName(QStringLiteral("unselectAllButton"));
  unselectAllButton->setFixedSize(90, 18);
  setPointSize(unselectAllButton, 8);
  unselectAllButton->setStyleSheet(widgetstyle::unselectAllButton());
  dataHeaderLayout->addWidget(dataFrameTitle);
  dataHeaderLayout->addItem(new QSpacerItem(15, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
  dataHeaderLayout->addWidget(selectAllButton);
  dataHeaderLayout->addWidget(unselectAllButton);

  dataContentFrame = new QFrame(dataFrame);
  dataContentFrame->setObjectName(QStringLiteral("dataContentFrame"));
  dataContentFrame->setFrameShape(QFrame::NoFrame);
  dataContentFrame->setStyleSheet(widgetstyle::dataContentFrame());
  dataContentLayout = boxLayout<QVBoxLayout>("dataContentLayout", 4, 8, 6, 8, 6);
  dataContentFrame->setLayout(dataContentLayout);
  varsView = new QListWidget(dataContentFrame);
  varsView->setObjectName(QStringLiteral("varsView"));
  varsView->setMaximumSize(10000, 10000);
  varsView->setBaseSize(1000, 1000);
  varsView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  varsView->setAutoScroll(true);
  // Items run top to bottom and wrap into further columns.
  varsView->setFlow(QListView::TopToBottom);
  varsView->setWrapping(true);
  varsView->setResizeMode(QListView::Adjust);
  // Room for the type disc and the condition funnel beside it, so that every
  // name starts at the same place.
  varsView->setIconSize(QSize(24, 16));
  varsView->setStyleSheet(widgetstyle::varsView());
  dataContentLayout->addWidget(varsView);

  dataLayout->addWidget(dataHeaderFrame);
  dataLayout->addWidget(dataContentFrame);
  variablesLayout->addWidget(dataFrame);
}

void MonitorWindowForm::setupProgressRow(QWidget* parent) {
  progressLayout = boxLayout<QHBoxLayout>("progressLayout", 12);
  progressBar = new StatusProgressBar(parent);
  progressBar->setObjectName(QStringLiteral("progressBar"));
  progressBar->setValue(0);
  progressBar->setFixedHeight(26);
  progressBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  progressBar->setAlignment(Qt::AlignCenter);

  timerLayout = boxLayout<QHBoxLayout>("timerLayout", 8);
  timerIcon = plainLabel(parent, "timerIcon");
  timerIcon->setAlignment(Qt::AlignCenter);
  lcdNumber = new QLCDNumber(parent);
  lcdNumber->setObjectName(QStringLiteral("lcdNumber"));
  lcdNumber->setFixedSize(80, 32);
  lcdNumber->setFrameShape(QFrame::Box);
  lcdNumber->setDigitCount(5);
  lcdNumber->setSegmentStyle(QLCDNumber::Flat);
  lcdNumber->display(QStringLiteral("00:00"));
  timerLayout->addWidget(timerIcon);
  timerLayout->addWidget(lcdNumber);

  progressLayout->addWidget(progressBar);
  progressLayout->addLayout(timerLayout);
}

void MonitorWindowForm::setupMenus(QMainWindow* window) {
  menuBar = new QMenuBar(window);
  menuBar->setObjectName(QStringLiteral("menuBar"));
  menuFichier = new QMenu(menuBar);
  menuFichier->setObjectName(QStringLiteral("menuFichier"));
  menuAide = new QMenu(menuBar);
  menuAide->setObjectName(QStringLiteral("menuAide"));
  window->setMenuBar(menuBar);

  menuBar->addAction(menuFichier->menuAction());
  menuBar->addAction(menuAide->menuAction());
  menuFichier->addAction(actionLoadZRL);
  menuRecentLogs = new QMenu(menuFichier);
  menuRecentLogs->setObjectName(QStringLiteral("menuRecentLogs"));
  menuFichier->addMenu(menuRecentLogs);
  menuFichier->addSeparator();
  menuFichier->addAction(actionSaveConfig);
  menuFichier->addAction(actionSauvegarder);
  menuFichier->addAction(actionCharger);
  menuFichier->addSeparator();
  menuFichier->addAction(actionDestDir);
  menuFichier->addAction(actionPreview);
  menuFichier->addSeparator();
  menuFichier->addAction(actionExit);
  menuAide->addAction(actionA_Propos);
}

void MonitorWindowForm::retranslateUi(QMainWindow* window) {
  window->setWindowTitle(tr("ZRL Decoder"));
  actionA_Propos->setText(tr("Version"));
  actionLoadZRL->setText(tr("Load ZRL"));
  menuRecentLogs->setTitle(tr("Recent logs"));
  actionPreview->setText(tr("Preview"));
  actionPreview->setShortcut(QKeySequence(tr("Ctrl+P")));
  actionLoadZRL->setShortcut(QKeySequence(tr("Ctrl+O")));
  actionSauvegarder->setText(tr("Save config as..."));
  actionSauvegarder->setShortcut(QKeySequence(tr("Ctrl+S")));
  actionCharger->setText(tr("Load config"));
  actionCharger->setShortcut(QKeySequence(tr("Ctrl+L")));
  actionDestDir->setText(tr("Select destination"));
  actionDestDir->setShortcut(QKeySequence(tr("Ctrl+D")));
  actionSaveConfig->setText(tr("Save Config"));
  actionSaveConfig->setShortcut(QKeySequence(tr("Ctrl+Shift+S")));
  actionExit->setText(tr("Exit"));
  actionExit->setShortcut(QKeySequence(tr("Ctrl+Q")));

  informationFrame->setTitle(tr("Information"));
  inputFileNameLabel->setText(tr("<b>File:</b> -"));
  displayStartTimeLabel->setText(tr("<b>From:</b> -"));
  displayEndTimeLabel->setText(tr("<b>To:</b> -"));
  serialNumberLabel->setText(tr("<b>Serial:</b> -"));
  firmwareVersionLabel->setText(tr("<b>Firmware:</b> -"));
  destinationDirLabel->setText(tr("<b>Destination:</b> -"));
  configFileLabel->setText(tr("<b>Configuration:</b> -"));

  resamplingBox->setTitle(tr("Resampling"));
  frequencyLabel->setText(tr("Frequency (Hz):"));
  methodLabel->setText(tr("Method:"));

  displayOptionsFrame->setTitle(tr("CSV parameters"));
  label_options->setText(tr("Options:"));
  utcCheckBox->setText(tr("UTC"));
  utcCheckBox->setToolTip(tr("date in UTC format"));
  msecsCheckBox->setText(tr("Msec"));
  msecsCheckBox->setToolTip(tr("data with millisecond precision"));
  unitLineCheckBox->setText(tr("Units"));
  unitLineCheckBox->setToolTip(tr("second line with data units"));
  label_cellFill->setText(tr("Unchanged data:"));
  label_1->setText(tr("Float format:"));
  label_2->setText(tr("Column separator:"));
  label_3->setText(tr("Decimal separator:"));
  label_4->setText(tr("Select start time:"));
  label_5->setText(tr("Select end time:"));

  connectionLabel->setText(QString());
  filtersGroupBox->setTitle(tr("Filters"));
  searchIcon->setText(QStringLiteral("\U0001F50D"));
  varFilter->setPlaceholderText(tr("Filter by name\u2026"));
  clearSearchButton->setText(QStringLiteral("\u00D7"));
  typeFiltersLabel->setText(tr("Data types:"));
  floatTypeCheckBox->setText(tr("Float"));
  integerTypeCheckBox->setText(tr("Integer"));
  stringTypeCheckBox->setText(tr("String"));
  booleanTypeCheckBox->setText(tr("Boolean"));
  canFrameTypeCheckBox->setText(tr("CanFrame"));
  timeStampTypeCheckBox->setText(tr("TimeStamp"));
  selectedOnlyToggle->setText(tr("Selected Only"));
  decodeButton->setText(QStringLiteral("\u25B6\uFE0F ") + tr("Decode"));
  dataFrameTitle->setText(tr("Data (0/0 selected)"));
  selectAllButton->setText(tr("Select All"));
  unselectAllButton->setText(tr("Unselect All"));
  conditionsFrame->setTitle(tr("Conditions"));
  progressBar->setFormat(tr("Ready"));
  timerIcon->setText(tr("Timer"));
  menuFichier->setTitle(tr("File"));
  menuAide->setTitle(tr("Version"));
}
