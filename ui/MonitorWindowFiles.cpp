// Log files reaching the window other than through the open dialog: dropped
// on it or picked from "Recent logs"; and the window's layout between runs.
#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "config/ProgramSettings.h"
#include "config/RecentLogs.h"
#include "common/StartupOptions.h"
#include "session/Session.h"
#include "task/DecodeController.h"
#include "ui/MonitorWindow.h"

namespace {

const char kGeometryKey[] = "window/geometry";
const char kStateKey[] = "window/state";

QStringList droppedLogFiles(const QMimeData* data) {
  QStringList files;
  if (!data) return files;
  for (const QUrl& url : data->urls()) {
    const QString path = url.toLocalFile();
    if (!path.isEmpty() && path.endsWith(QLatin1String(".zrl"), Qt::CaseInsensitive)) files << path;
  }
  return files;
}


}  // namespace

void MonitorWindow::openLogFiles(const QStringList& files) {
  if (files.isEmpty() || decoding()) return;
  session_->setInputFiles(files);
  loadLogFile(files.first());
}

void MonitorWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!decoding() && !droppedLogFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MonitorWindow::dropEvent(QDropEvent* event) {
  const QStringList files = droppedLogFiles(event->mimeData());
  if (files.isEmpty() || decoding()) return;
  event->acceptProposedAction();
  // As the open dialog: the search is usable again once a file is chosen.
  ui->varFilter->setEnabled(true);
  openLogFiles(files);
}

void MonitorWindow::updateRecentLogsMenu() {
  QMenu* menu = ui->menuRecentLogs;
  menu->clear();
  const QStringList logs = recentLogs();
  for (const QString& path : logs) {
    QAction* action = menu->addAction(path);
    action->setEnabled(QFileInfo(path).isFile());
    connect(action, &QAction::triggered, this, [this, path] { openLogFiles({path}); });
  }
  menu->setEnabled(!logs.isEmpty());
}

void MonitorWindow::restoreWindowLayout() {
    auto settings = openProgramSettings();
  restoreGeometry(settings->value(QLatin1String(kGeometryKey)).toByteArray());
  restoreState(settings->value(QLatin1String(kStateKey)).toByteArray());
  ui->actionPreview->setChecked(!previewDock_->isHidden());
}

void MonitorWindow::closeEvent(QCloseEvent* event) {
  {
    auto settings = openProgramSettings();
    settings->setValue(QLatin1String(kGeometryKey), saveGeometry());
    settings->setValue(QLatin1String(kStateKey), saveState());
    settings->sync();
  }
  QMainWindow::closeEvent(event);
}
