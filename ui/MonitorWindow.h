// The decoder's one interactive window. It assembles the panels (each owns
// its widgets and reads and writes the session), the menus and the preview
// dock, and decodes the queued log files one after another in the
// background.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QSet>
#include <QUrl>
#include <functional>
#include <memory>

#include "common/StartupOptions.h"

class ConditionsPanel;
class ConsoleDecodeObserver;
class CsvOptionsPanel;
class DecodeController;
class DecodePanel;
class FiltersPanel;
class InformationPanel;
class PreviewPanel;
class ProgressPanel;
class QueuePanel;
class QDockWidget;
class QMenu;
class QScrollArea;
class QSplitter;
class QTimer;
class ResamplingPanel;
class Session;
class VariableListPanel;
struct DecodeOutcome;

class MonitorWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MonitorWindow(const StartupOptions& options, QWidget* parent = nullptr);
  ~MonitorWindow() override;

  // The configuration, the files, aliases, conditions and selection.
  Session& session() const { return *session_; }
  // The decode running in the background.
  DecodeController& controller() const { return *controller_; }
  // A decode of the queued files is under way (between two files too).
  bool decoding() const { return decodeIndex_ >= 0; }
  // What the last decode of the queued files ended with, one line per file
  // that did not decode.
  const QStringList& decodeProblems() const { return decodeProblems_; }

  InformationPanel* informationPanel() const { return information_; }
  ResamplingPanel* resamplingPanel() const { return resampling_; }
  CsvOptionsPanel* csvOptionsPanel() const { return csvOptions_; }
  FiltersPanel* filtersPanel() const { return filters_; }
  VariableListPanel* variableListPanel() const { return variables_; }
  ConditionsPanel* conditionsPanel() const { return conditions_; }
  DecodePanel* decodePanel() const { return decode_; }
  ProgressPanel* progressPanel() const { return progress_; }
  QueuePanel* queuePanel() const { return queue_; }
  // The optional preview of the checked variables (a dock, closed unless the
  // user opens it; its toggle is the File menu's "Preview").
  PreviewPanel* previewPanel() const { return preview_; }
  QDockWidget* previewDock() const { return previewDock_; }
  QMenu* recentLogsMenu() const { return recentLogsMenu_; }

  // Loads one log file into the panels; false when it cannot be read.
  bool loadLogFile(const QString& path);
  // Loads `files` as the open dialog does: the first one now, all of them
  // for the decode, one after another.
  void openLogFiles(const QStringList& files);
  // The "Recent logs" submenu from the program's settings; files that are
  // gone are listed disabled.
  void updateRecentLogsMenu();
  // The controls that must not change while a decode runs.
  void setOptionControlsEnabled(bool enabled);
  // Decode is offered only for a readable log with a variable ticked; its
  // tooltip says what is missing.
  void updateDecodeButton();
  // What a successful decode wrote: the table of a single file, the folder.
  const QString& resultCsv() const { return resultCsv_; }
  const QString& resultFolder() const { return resultFolder_; }
  // Hands folders and files to the desktop's handlers; tests put their own.
  using UrlOpener = std::function<void(const QUrl&)>;
  void setUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }

 public slots:
  // The menu actions.
  void chooseLogFiles();
  void chooseOutputDirectory();
  void loadConfigFromDialog();
  void saveConfigAs();
  void saveCurrentConfig();
  void showAbout();
  void exitApplication();
  // The decode button: starts decoding the queued files, or cancels.
  void decodeOrCancel();
  // Stops a running decode (the button's Cancel face, Escape).
  void cancelDecode();

 protected:
  // .zrl files dropped on the window load as the open dialog loads them.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // Remembers the window's geometry and the preview's state.
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildPanels();
  void buildMenus();
  void buildPreviewDock();
  void connectPanels();
  void runStartupSequence();
  // Configuration file: read into the session and shown, or written.
  void loadConfig();
  void applyLoadedConfigToOpenLog();
  void restoreWindowLayout();

  // The decode of the queued file at decodeIndex_, then the next.
  void decodeQueuedFile();
  void queuedFileEnded(const DecodeOutcome& outcome);
  void showDecodeStarted();
  void showDecodeProgress();
  void showDecodeEnded();
  void showUnreadableLog(const QString& path, const QString& problem);

  void schedulePreviewRefresh();
  // Nothing of the previous log may stay plotted.
  void clearPreview();
  void refreshPreview();
  void showTimeWindowInPreview();

  Session* session_ = nullptr;              // a child of the window
  DecodeController* controller_ = nullptr;  // a child of the window
  StartupOptions startupOptions_;
  // What the console shows of loads and decodes.
  std::unique_ptr<ConsoleDecodeObserver> console_;

  InformationPanel* information_ = nullptr;
  ResamplingPanel* resampling_ = nullptr;
  CsvOptionsPanel* csvOptions_ = nullptr;
  FiltersPanel* filters_ = nullptr;
  VariableListPanel* variables_ = nullptr;
  ConditionsPanel* conditions_ = nullptr;
  DecodePanel* decode_ = nullptr;
  ProgressPanel* progress_ = nullptr;
  QueuePanel* queue_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QMenu* recentLogsMenu_ = nullptr;
  QDockWidget* previewDock_ = nullptr;
  PreviewPanel* preview_ = nullptr;
  QTimer* previewTimer_ = nullptr;

  // The file of the queue being decoded, -1 when none is.
  int decodeIndex_ = -1;
  QStringList decodeProblems_;
  QString lastProblem_;
  bool lastCancelled_ = false;
  // Tables written by the decode of the queue.
  QStringList written_;
  QString resultCsv_;
  QString resultFolder_;
  UrlOpener urlOpener_;
  // The next log takes its ticks from the configuration (its
  // "selected_vars"), not from the log before it.
  bool configSelectionPending_ = true;
  QSet<QString> carriedSelection_;
};
