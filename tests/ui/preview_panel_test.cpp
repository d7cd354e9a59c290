// The preview panel on its own: lines from the background envelope, limits,
// and a drag across the plot.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>

#include "tests/ui/WindowTestSupport.h"
#include "ui/PreviewChartView.h"
#include "ui/PreviewPanel.h"

using uitest::recordedLog;
constexpr int64_t kStart = uitest::kRecordedStartMs;

TEST(PreviewPanel, PlotsOneLinePerVariableAndReportsADrag) {
  PreviewPanel panel;
  panel.resize(800, 300);
  panel.show();
  panel.setLog(QString::fromStdString(recordedLog()), kStart, kStart + 10000);
  panel.setVariables({{3, QStringLiteral("Rpm")}, {2, QStringLiteral("Engine.Flag")}});
  panel.setLimits({{QStringLiteral("Rpm > 5"), 5}});
  QSignalSpy computed(&panel, &PreviewPanel::computed);
  panel.refresh();
  ASSERT_TRUE(computed.wait(10000));
  EXPECT_EQ(panel.seriesCount(), 2);
  QStringList names;
  for (auto* series : panel.chartView()->chart()->series()) names << series->name();
  EXPECT_EQ(names, (QStringList{"Rpm", "Engine.Flag", "Rpm > 5"}));

  QApplication::processEvents();  // the plot is laid out for its new axes
  QSignalSpy dragged(&panel, &PreviewPanel::selectionDragged);
  PreviewChartView* view = panel.chartView();
  const QPoint from = view->pointAt(kStart + 6000), to = view->pointAt(kStart + 2000);
  QTest::mousePress(view->viewport(), Qt::LeftButton, {}, from);
  QTest::mouseMove(view->viewport(), to);
  QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, to);
  ASSERT_EQ(dragged.size(), 1);
  const qint64 start = dragged[0][0].toLongLong(), end = dragged[0][1].toLongLong();
  EXPECT_NEAR(start, kStart + 2000, 100);  // within a pixel or two
  EXPECT_NEAR(end, kStart + 6000, 100);
}
