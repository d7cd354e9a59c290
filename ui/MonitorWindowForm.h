// The widgets of the main window, built by hand: every widget keeps the object
// name that the style sheets, the automatic slot connections and the
// configuration code address it by.
#pragma once

class QAction;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QFrame;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLCDNumber;
class QLineEdit;
class QListWidget;
class QMainWindow;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QStatusBar;
class QVBoxLayout;
class QWidget;

struct MonitorWindowForm {
  QAction* actionA_Propos = nullptr;
  QAction* actionLoadZRL = nullptr;
  QAction* actionSauvegarder = nullptr;
  QAction* actionCharger = nullptr;
  QAction* actionDestDir = nullptr;
  QAction* actionSaveConfig = nullptr;
  QAction* actionExit = nullptr;
  // Checkable: shows or hides the preview dock.
  QAction* actionPreview = nullptr;

  QWidget* centralWidget = nullptr;
  QGridLayout* gridLayout_2 = nullptr;

  // Left column.
  QScrollArea* leftScrollArea = nullptr;
  QWidget* leftScrollContent = nullptr;
  QVBoxLayout* leftColumnLayout = nullptr;

  QGroupBox* informationFrame = nullptr;
  QVBoxLayout* verticalLayout_info = nullptr;
  QLabel* inputFileNameLabel = nullptr;
  QHBoxLayout* fromToLayout = nullptr;
  QLabel* displayStartTimeLabel = nullptr;
  QLabel* displayEndTimeLabel = nullptr;
  QLabel* serialNumberLabel = nullptr;
  QLabel* firmwareVersionLabel = nullptr;
  QLabel* destinationDirLabel = nullptr;
  QLabel* configFileLabel = nullptr;

  QGroupBox* resamplingBox = nullptr;
  QVBoxLayout* resamplingLayout = nullptr;
  QHBoxLayout* frequencyLayout = nullptr;
  QLabel* frequencyLabel = nullptr;
  QComboBox* frequencyComboBox = nullptr;
  QHBoxLayout* methodLayout = nullptr;
  QLabel* methodLabel = nullptr;
  QComboBox* methodComboBox = nullptr;

  QGroupBox* displayOptionsFrame = nullptr;
  QGridLayout* gridLayout_csvParams = nullptr;
  QLabel* label_options = nullptr;
  QHBoxLayout* optionsLayout = nullptr;
  QCheckBox* utcCheckBox = nullptr;
  QCheckBox* msecsCheckBox = nullptr;
  QCheckBox* unitLineCheckBox = nullptr;
  QLabel* label_cellFill = nullptr;
  QComboBox* cellFillComboBox = nullptr;
  QLabel* label_1 = nullptr;
  QComboBox* floatFormatBox = nullptr;
  QLabel* label_2 = nullptr;
  QComboBox* columnSeparatorBox = nullptr;
  QLabel* label_3 = nullptr;
  QComboBox* decimalSeparatorBox = nullptr;
  QLabel* label_4 = nullptr;
  QDateTimeEdit* startDateTimeEdit = nullptr;
  QLabel* label_5 = nullptr;
  QDateTimeEdit* endDateTimeEdit = nullptr;

  QGroupBox* conditionsFrame = nullptr;
  QVBoxLayout* conditionsLayout = nullptr;
  QScrollArea* filtersScrollArea = nullptr;
  QWidget* filtersContainerWidget = nullptr;
  QVBoxLayout* filtersLayout = nullptr;

  // Variable panel.
  QVBoxLayout* variablesLayout = nullptr;
  QHBoxLayout* topBarLayout = nullptr;
  QGroupBox* filtersGroupBox = nullptr;
  QVBoxLayout* searchAndTypeFiltersLayout = nullptr;
  QHBoxLayout* searchLayout = nullptr;
  QLabel* searchIcon = nullptr;
  QLineEdit* varFilter = nullptr;
  QPushButton* clearSearchButton = nullptr;
  QHBoxLayout* controlsLayout = nullptr;
  QFrame* typeFiltersFrame = nullptr;
  QHBoxLayout* typeFiltersLayout = nullptr;
  QLabel* typeFiltersLabel = nullptr;
  QGridLayout* typeFiltersRow = nullptr;
  QCheckBox* floatTypeCheckBox = nullptr;
  QCheckBox* integerTypeCheckBox = nullptr;
  QCheckBox* stringTypeCheckBox = nullptr;
  QCheckBox* booleanTypeCheckBox = nullptr;
  QCheckBox* canFrameTypeCheckBox = nullptr;
  QCheckBox* timeStampTypeCheckBox = nullptr;
  QPushButton* selectedOnlyToggle = nullptr;
  QPushButton* decodeButton = nullptr;
  QLabel* logoLabel = nullptr;
  QFrame* dataFrame = nullptr;
  QVBoxLayout* dataLayout = nullptr;
  QFrame* dataHeaderFrame = nullptr;
  QHBoxLayout* dataHeaderLayout = nullptr;
  QLabel* dataFrameTitle = nullptr;
  QPushButton* selectAllButton = nullptr;
  QPushButton* unselectAllButton = nullptr;
  QFrame* dataContentFrame = nullptr;
  QVBoxLayout* dataContentLayout = nullptr;
  QListWidget* varsView = nullptr;

  QHBoxLayout* horizontalLayout_6 = nullptr;
  QLabel* connectionLabel = nullptr;

  // Bottom row.
  QHBoxLayout* progressLayout = nullptr;
  QProgressBar* progressBar = nullptr;
  QHBoxLayout* timerLayout = nullptr;
  QLabel* timerIcon = nullptr;
  QLCDNumber* lcdNumber = nullptr;

  QMenuBar* menuBar = nullptr;
  QMenu* menuFichier = nullptr;
  QMenu* menuAide = nullptr;
  QMenu* menuRecentLogs = nullptr;  // in menuFichier, after actionLoadZRL
  QStatusBar* statusBar = nullptr;

  // Builds the whole tree into the window, with sizes, initial states and
  // style sheets; then sets the texts.
  void setupUi(QMainWindow* window);
  void retranslateUi(QMainWindow* window);

 private:
  void setupInformationPanel();
  void setupResamplingPanel();
  void setupCsvPanel();
  void setupConditionsPanel();
  void setupVariablePanel(QWidget* parent);
  void setupProgressRow(QWidget* parent);
  void setupMenus(QMainWindow* window);
};
