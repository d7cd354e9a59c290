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

namespace {

constexpr int64_t kStart = 1772704800000;

// Speed (3, Integer) and Flag (2, Boolean) over ten seconds.
std::string recordedLog() {
  zrlwriter::ZrlHead head;
  head.setTimeSpan(kStart, kStart + 10000);
  head.groups = {{0, "Engine"}};
  head.addVariable(3, 0, zrlwriter::kInteger, "Speed");
  head.addVariable(2, 0, zrlwriter::kBoolean, "Flag");
  zrlwriter::RecordEncoder records;
  for (int s = 0; s < 10; ++s) records.timestamp(s * 1000 + 500).integer(3, s * 10).boolean(2, s % 2);
  const std::string path = zrltest::makeTempSubdir("preview") + "/PREV.zrl";
  zrlwriter::writeZrlFile(path, head, records.bytes());
  return path;
}

}  // namespace

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
