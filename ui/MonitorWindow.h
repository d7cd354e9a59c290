// The decoder's one interactive window: what the loaded log file contains,
// the variable selection, row conditions and aliases, resampling and CSV
// options, and the decode with its progress. In batch and info mode the same
// object exists unseen and its controls carry the settings.
#pragma once

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QHash>
#include <QMap>
#include <QPoint>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTime>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/StartupOptions.h"
#include "ui/MonitorWindowForm.h"
#include "ui/VariableCatalogEntry.h"

class ConsoleDecodeObserver;
class DecodeController;
class LoadedLog;
class PreviewPanel;
class Session;
struct DecodeOutcome;
class QDateTime;
class QDockWidget;
class QEvent;
class QListWidgetItem;
class QTimer;
class VarItem;

class MonitorWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MonitorWindow(const StartupOptions& options, QWidget* parent = nullptr);
  ~MonitorWindow() override;

  // Status shown in the progress bar; state is "ready", "processing",
  // "success", "error" or empty, and selects the bar's colours.
  void setStatus(const QString& text, const QString& state);
  // The decode button's two faces: idle (green) and cancel (red).
  void setDecodeButtonFace(const QString& text, bool cancel);

  // Controls that must not change while a decode runs.
  void enableOptionControls();
  void disableOptionControls();

  void updateConfigurationLabel();

  // After a log file has been loaded: the information texts, then the time
  // window, the variable list and the resampling choices for that file
  // (fileStartMs and fileEndMs must be set first).
  void showFileSummary(const QString& filePath, const QString& serial, const QString& firmware);
  void fillPanelsForLoadedFile(const std::vector<CatalogEntry>& catalog, float recordingFrequency);

  // Variable list. populateVariableList(catalog) is fed by the log-file
  // load; the form without argument rebuilds from the catalog of the loaded
  // file (after a configuration load) and does nothing before any load.
  void populateVariableList(const std::vector<CatalogEntry>& catalog);
  void populateVariableList();
  void applyVariableFilter();
  void updateSelectionCount();
  void rebuildTypeMap();
  bool hasCatalog() const { return catalogLoaded; }
  const std::vector<CatalogEntry>& catalog() const { return catalogEntries; }
  // The full names of the loaded file's variables.
  QSet<QString> catalogNames() const;
  static QString typeNameOfCode(unsigned code);
  static QIcon typeIcon(const QString& typeName);
  static QIcon conditionIcon(const QString& typeName, bool hasCondition);
  static QString variableTooltip(const CatalogEntry& entry);
  // Where the condition marker image is found: the working directory first,
  // then beside the executable, then the copy compiled into the program.
  static QString funnelImagePath();

  // Aliases and conditions.
  QString aliasOf(const QString& name) const;
  QString typeNameOf(const QString& name) const;
  void addConditionChip(const QString& text, const QString& name, const QString& kind, const QString& limit);
  void clearConditionChips();
  void rebuildConditionChips();
  void resetConditionsTitle();
  // Appends a condition as the context menu does once the limit is known.
  void addCondition(const QString& name, const QString& kind, double limit);
  // Sets or replaces the alias of a variable, as the alias dialog does.
  void setAlias(const QString& name, const QString& alias);
  static QString limitText(double limit);

  // Resampling and time window.
  void setFrequencyChoices(float frequency);
  void selectFrequency(const QString& text);
  void refreshTimeWindow();

  bool eventFilter(QObject* watched, QEvent* event) override;

 protected:
  void showEvent(QShowEvent* event) override;
  // .zrl files dropped on the window load as the open dialog loads them.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // Remembers the window's geometry and the preview's state.
  void closeEvent(QCloseEvent* event) override;

 public:

  // Start-up and log-file load: the controller's work, then the controls.
  void runStartupSequence();
  bool loadLogFile(const QString& path);

  MonitorWindowForm* form() const { return ui.get(); }
  // The configuration, the files, aliases, conditions and selection.
  Session& session() const { return *session_; }
  // The decode running in the background.
  DecodeController& controller() const { return *controller_; }
  // A decode of the queued files is under way (between two files too).
  bool decoding() const { return decodeIndex_ >= 0; }
  // What the last decode of the queued files ended with, one line per file
  // that did not decode.
  const QStringList& decodeProblems() const { return decodeProblems_; }

  // Loads `files` as the open dialog does: the first one now, all of them
  // for the decode, one after another.
  void openLogFiles(const QStringList& files);
  // The "Recent logs" submenu from the program's settings; files that are
  // gone are listed disabled.
  void updateRecentLogsMenu();

  // The optional preview of the checked variables (a dock, closed unless the
  // user opens it). Its inputs changed: it is computed again shortly, when
  // it is open.
  PreviewPanel* previewPanel() const { return preview_; }
  QDockWidget* previewDock() const { return previewDock_; }
  void schedulePreviewRefresh();

 public slots:
  void loadconf();
  void saveconf();
  void saveCurrentConfig();
  void inputFileChoose();
  void outputDirChoose();
  void aPropos();
  void exitApplication();
  void jobComplete();
  void utcChanged(bool checked);
  void ShowContextMenu(QPoint pos);
  void wsConnection(bool connected);
  void showTime();
  void showProgress();

 private slots:
  void on_varsView_customContextMenuRequested(QPoint pos);
  void on_decodeButton_clicked();
  void on_selectAllButton_clicked();
  void on_unselectAllButton_clicked();
  void on_startDateTimeChanged(const QDateTime& dateTime);
  void on_endDateTimeChanged(const QDateTime& dateTime);
  void on_addAlias();
  void on_removeAlias();
  void on_maximumVal();
  void on_minimumVal();
  void on_varFilter_textEdited(const QString& text);
  void onVarItemChanged(QListWidgetItem* item);
  void on_methodComboBox_currentTextChanged(const QString& text);
  void updateMethodState();
  void onFilterDeleteButtonClicked(QObject* senderObj);
  void onFilterDeleteButtonClicked();
  void onTypeFilterMenuTriggered(bool checked);
  void on_clearSearchButton_clicked();
  void on_floatTypeCheckBox_toggled(bool checked);
  void on_integerTypeCheckBox_toggled(bool checked);
  void on_stringTypeCheckBox_toggled(bool checked);
  void on_booleanTypeCheckBox_toggled(bool checked);
  void on_canFrameTypeCheckBox_toggled(bool checked);
  void on_timeStampTypeCheckBox_toggled(bool checked);
  void on_selectedOnlyToggle_toggled(bool checked);

 public:
  // View state: what the panels show and how the list is filtered.
  QString contextVariable;
  QTimer* clockTimer = nullptr;
  QTimer* progressTimer = nullptr;
  QTime elapsed{0, 0, 0};
  int64_t fileStartMs = 0;
  int64_t fileEndMs = 0;
  bool fileLoaded = false;
  QString searchText;
  bool selectedOnly = false;
  bool floatFilter = true;
  bool integerFilter = true;
  bool stringFilter = true;
  bool booleanFilter = true;
  bool canFrameFilter = true;
  bool timeStampFilter = true;
  QMap<QString, QString> typeByName;
  bool timeWindowUpdating = false;

 private:
  void connectControls();
  void connectController();
  // The option controls and the list's ticks written to the session.
  void storeControlsInSession();
  // The session's options shown on the controls.
  void showSessionOptions();
  // The decode of the queued file at decodeIndex_, then the next.
  void decodeQueuedFile();
  void queuedFileEnded(const DecodeOutcome& outcome);
  void finishQueue();
  void showDecodeStarted();
  QString configText(const char* key) const;  // empty unless a text member
  void setTypeFilter(bool& field, bool checked);
  bool typeFilterAllows(const QString& typeName) const;
  void setItemsCheckState(Qt::CheckState state);
  QList<VarItem*> itemsNamed(const QString& name) const;
  void markConditionIcon(const QString& name, bool hasCondition);
  void addConditionFromDialog(const QString& kind, const QString& prompt);
  // Configuration file: read into the controls, written from them.
  void loadConfig();
  bool saveConfig();

  void applyLoadedConfigToOpenLog();
  void setUpPreviewAndRecentLogs();
  void restoreWindowLayout();
  void refreshPreview();
  void applyDraggedSpan(qint64 startMs, qint64 endMs);
  void showSelectionInPreview();

  Session* session_ = nullptr;              // a child of the window
  DecodeController* controller_ = nullptr;  // a child of the window
  StartupOptions startupOptions_;
  // The file of the queue being decoded, -1 when none is.
  int decodeIndex_ = -1;
  QStringList decodeProblems_;
  QString lastProblem_;
  QString loadProblem_;
  bool lastCancelled_ = false;
  // What the console shows of loads and decodes.
  std::unique_ptr<ConsoleDecodeObserver> console_;
  std::unique_ptr<MonitorWindowForm> ui;
  QDockWidget* previewDock_ = nullptr;
  PreviewPanel* preview_ = nullptr;
  QTimer* previewTimer_ = nullptr;
  QString previewLogPath_;  // the loaded log file
  std::vector<CatalogEntry> catalogEntries;
  bool catalogLoaded = false;
  bool sizeCheckedAtShow = false;
};
