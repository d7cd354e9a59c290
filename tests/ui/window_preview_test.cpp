// The preview as the window drives it: what it plots, the time window
// shared with the edits, and the cancel of a computation made useless.
#include <gtest/gtest.h>

#include <QAction>
#include <QDateTimeEdit>
#include <QDockWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "index/IndexStore.h"
#include "session/LoadedLog.h"
#include "tests/ui/WindowTestSupport.h"
#include "ui/PreviewPanel.h"
#include "ui/preview/PreviewPlot.h"

namespace {

std::unique_ptr<MonitorWindow> windowWithPreview() {
  auto w = uitest::makeWindow();
  w->show();
  w->openLogFiles({QString::fromStdString(uitest::recordedLog())});
  w->previewDock()->toggleViewAction()->trigger();
  return w;
}

}  // namespace

TEST(WindowPreview, PlotsTheCheckedVariablesUnderTheirAliases) {
  auto w = windowWithPreview();
  w->session().setAlias(QStringLiteral("Engine.Speed"), QStringLiteral("Rpm"));
  QSignalSpy computed(w->previewPanel(), &PreviewPanel::computed);
  uitest::item(*w, QStringLiteral("Engine.Speed"))->setCheckState(Qt::Checked);
  ASSERT_TRUE(computed.wait(10000));
  ASSERT_EQ(w->previewPanel()->seriesCount(), 1);
  EXPECT_EQ(w->previewPanel()->plot()->strip(0).title, QStringLiteral("Rpm"));

  // A change while a computation runs cancels it; the next one plots both.
  uitest::item(*w, QStringLiteral("Engine.Flag"))->setCheckState(Qt::Checked);
  EXPECT_FALSE(w->previewPanel()->busy());
  ASSERT_TRUE(computed.wait(10000));
  EXPECT_EQ(w->previewPanel()->seriesCount(), 2);
}

TEST(WindowPreview, DragSetsTheTimeWindowAndTheEditsMoveTheBand) {
  auto w = windowWithPreview();
  QSignalSpy computed(w->previewPanel(), &PreviewPanel::computed);
  uitest::item(*w, QStringLiteral("Engine.Speed"))->setCheckState(Qt::Checked);
  ASSERT_TRUE(computed.wait(10000));
  PreviewPlot* view = w->previewPanel()->plot();
  const int64_t start = uitest::kRecordedStartMs;
  const QPoint from = view->pointAt(start + 2000), to = view->pointAt(start + 7000);
  QTest::mousePress(view, Qt::LeftButton, {}, from);
  QTest::mouseMove(view, to);
  QTest::mouseRelease(view, Qt::LeftButton, {}, to);
  EXPECT_NEAR(w->csvOptionsPanel()->startEdit()->dateTime().toMSecsSinceEpoch(), start + 2000, 100);
  EXPECT_NEAR(w->csvOptionsPanel()->endEdit()->dateTime().toMSecsSinceEpoch(), start + 7000, 100);

  view->zoomAround(start + 5000, 0.5);
  w->previewPanel()->useViewButton()->click();
  EXPECT_EQ(w->csvOptionsPanel()->startEdit()->dateTime().toMSecsSinceEpoch(), start + 2500);
  EXPECT_EQ(w->csvOptionsPanel()->endEdit()->dateTime().toMSecsSinceEpoch(), start + 7500);

  w->csvOptionsPanel()->startEdit()->setDateTime(QDateTime::fromMSecsSinceEpoch(start + 1000, Qt::UTC));
  EXPECT_EQ(view->bandStartMs(), start + 1000);
}

// The window's first whole-log preview of a log leaves its index, with the
// buckets the next one is drawn from.
TEST(WindowPreview, TheFirstPreviewOfALogMakesItsIndex) {
  auto w = windowWithPreview();
  QSignalSpy computed(w->previewPanel(), &PreviewPanel::computed);
  uitest::item(*w, QStringLiteral("Engine.Speed"))->setCheckState(Qt::Checked);
  ASSERT_TRUE(computed.wait(10000));
  zrl::LogIndex index;
  ASSERT_TRUE(zrl::loadFreshIndex(w->session().log()->path().toStdString(), index));
  EXPECT_TRUE(index.hasSummary());
}
