// Log files dropped on the window, the recent logs, and the layout kept
// between runs.
#include <gtest/gtest.h>

#include "session/Session.h"

#include <QAction>
#include <QDockWidget>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QProgressBar>
#include <QMimeData>
#include <QUrl>

#include "config/ProgramSettings.h"
#include "tests/ui/WindowTestSupport.h"

namespace {

void drop(MonitorWindow& w, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data.setUrls(urls);
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &dropped);
}

}  // namespace

TEST(WindowFiles, DroppedLogFilesLoadTheFirstAndKeepAllForTheDecode) {
  auto w = uitest::makeWindow();
  const QString first = QString::fromStdString(uitest::recordedLog("FIRST.zrl"));
  const QString second = QString::fromStdString(uitest::writeLog("SECOND.zrl"));
  drop(*w, {first, QStringLiteral("/tmp/notes.txt"), second});
  EXPECT_EQ(w->session().inputFiles(), (QStringList{first, second}));
  EXPECT_EQ(uitest::allNames(*w), (QStringList{"Engine.Flag", "Engine.Speed"}));
}

TEST(WindowFiles, RecentLogsKeepTheLastEightAndDisableMissingOnes) {
  auto w = uitest::makeWindow();
  QStringList loaded;
  for (int i = 0; i < 9; ++i) {
    loaded.prepend(QString::fromStdString(uitest::writeLog("LOG" + std::to_string(i) + ".zrl")));
    w->openLogFiles({loaded.first()});
  }
  w->openLogFiles({loaded[3]});  // loading again moves it to the top
  QFile::remove(loaded[1]);
  w->updateRecentLogsMenu();
  QStringList texts, enabled;
  for (QAction* action : w->recentLogsMenu()->actions()) {
    texts << action->text();
    if (action->isEnabled()) enabled << action->text();
  }
  EXPECT_EQ(texts, (QStringList{loaded[3], loaded[0], loaded[1], loaded[2], loaded[4], loaded[5], loaded[6],
                                loaded[7]}));
  EXPECT_FALSE(enabled.contains(loaded[1]));
  EXPECT_EQ(enabled.size(), 7);
}

TEST(WindowFiles, GeometryAndPreviewAreRememberedBetweenRuns) {
  {
    auto w = uitest::makeWindow();
    w->show();
    w->resize(1400, 1200);
    w->previewDock()->toggleViewAction()->trigger();
    QApplication::processEvents();
    w->close();
  }
  auto again = uitest::makeWindow();
  EXPECT_EQ(again->size(), QSize(1400, 1200));
  EXPECT_FALSE(again->previewDock()->isHidden());
  EXPECT_TRUE(again->previewDock()->toggleViewAction()->isChecked());
  openProgramSettings()->remove(QStringLiteral("window"));  // the other windows of this process start as built
}

TEST(WindowFiles, ALoadShowsWhyAFileCannotBeReadOrClearsThePreviousResult) {
  const QString dir = QString::fromStdString(zrltest::makeTempSubdir("load-status"));
  QFile garbage(dir + QStringLiteral("/garbage.zrl"));
  ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
  garbage.write("not a log file at all");
  garbage.close();
  const QString missing = dir + QStringLiteral("/missing.zrl");
  const struct {
    QString path;
    QString text, state;
  } cases[] = {
      {QString::fromStdString(uitest::writeLog("good.zrl")), QStringLiteral("%p%"), QString()},
      {garbage.fileName(), QStringLiteral("Cannot read garbage.zrl: Unable to read magic section"), QStringLiteral("error")},
      {missing, QStringLiteral("Cannot read missing.zrl: Failed to open file ") + missing, QStringLiteral("error")},
  };
  for (const auto& c : cases) {
    auto w = uitest::makeWindow();
    w->progressPanel()->setStatus(QString::fromUtf8("✅ Processing completed successfully"), QStringLiteral("success"));
    testing::internal::CaptureStdout();
    w->openLogFiles({c.path});
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(w->progressPanel()->bar()->format(), c.text);
    EXPECT_EQ(w->progressPanel()->bar()->property("state").toString(), c.state);
  }
}
