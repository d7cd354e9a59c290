// The preview panel on its own: strips from the background envelope, their
// scales and colours, limits, the drag, the zoom and the view as a window.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <limits>

#include "tests/ui/WindowTestSupport.h"
#include "ui/PreviewPanel.h"
#include "ui/preview/PlotScales.h"
#include "ui/preview/PreviewPlot.h"

using uitest::recordedLog;
constexpr int64_t kStart = uitest::kRecordedStartMs;

namespace {

const QList<PreviewVariable> kRecorded{{3, QStringLiteral("Rpm"), QStringLiteral("rpm"), QStringLiteral("Engine.Speed")},
                                       {2, QStringLiteral("Engine.Flag"), {}, QStringLiteral("Engine.Flag"), true}};

// A panel showing the recorded log, computed.
void showRecorded(PreviewPanel& panel, const QList<PreviewVariable>& variables = kRecorded) {
  panel.resize(800, 300);
  panel.show();
  panel.setLog(QString::fromStdString(recordedLog()), kStart, kStart + 10000);
  panel.setVariables(variables);
  QSignalSpy computed(&panel, &PreviewPanel::computed);
  panel.refresh();
  ASSERT_TRUE(computed.wait(10000));
  QApplication::processEvents();  // laid out for the new strips
}

void wheel(QWidget* widget, const QPoint& at, int notches) {
  QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(widget, &event);
}

}  // namespace

TEST(PreviewPanel, PlotsOneTitledStripPerVariableAndReportsADrag) {
  PreviewPanel panel;
  panel.setLimits({{QStringLiteral("Rpm > 5"), 5, QStringLiteral("Engine.Speed")}});
  showRecorded(panel);
  PreviewPlot* plot = panel.plot();
  ASSERT_EQ(panel.seriesCount(), 2);
  EXPECT_EQ(plot->strip(0).title, QStringLiteral("Rpm (rpm)"));
  EXPECT_EQ(plot->strip(1).title, QStringLiteral("Engine.Flag"));
  ASSERT_EQ(plot->strip(0).limits.size(), 1);  // the limit in its variable's strip only
  EXPECT_TRUE(plot->strip(1).limits.isEmpty());
  EXPECT_EQ(plot->readoutAt(kStart + 3700).mid(1), (QStringList{"30 rpm", "1"}));

  QSignalSpy dragged(&panel, &PreviewPanel::selectionDragged);
  const QPoint from = plot->pointAt(kStart + 6000), to = plot->pointAt(kStart + 2000, 1);
  QTest::mousePress(plot, Qt::LeftButton, {}, from);
  QTest::mouseMove(plot, to);
  QTest::mouseRelease(plot, Qt::LeftButton, {}, to);
  ASSERT_EQ(dragged.size(), 1);
  EXPECT_NEAR(dragged[0][0].toLongLong(), kStart + 2000, 100);  // within a pixel or two
  EXPECT_NEAR(dragged[0][1].toLongLong(), kStart + 6000, 100);
}

TEST(PreviewPanel, ValueScalesHaveRoundTicks) {
  struct Case {
    double low, high;
    int maxTicks;
    NiceScale expected;
  };
  const Case cases[] = {
      {-241.0, 2420.5, 7, {-500, 2500, 500}},
      {-241.0, 2420.5, 5, {-1000, 3000, 1000}},
      {0, 97.3, 5, {0, 100, 25}},
      {0.12, 0.87, 5, {0, 1, 0.25}},
      {1234567, 1234567, 4, {1.1e6, 1.4e6, 1e5}},  // a constant gets room around it
      {0, 0, 3, {-1, 1, 1}},
      {-3e-4, 8e-4, 6, {-5e-4, 1e-3, 5e-4}},
      {10, 5, 6, {5, 10, 1}},  // swapped ends
      {-0.4, 0.7, 2, {-1, 1, 1}},  // around zero: three ticks at least
      {1.7e308, -1.7e308, 6, {-1.7e308, 1.7e308, 1.7e308}},  // no round step left: the values' own ends
      {1e300, -1.7e308, 6, {-1.7e308, 1e300, 0.85e308 + 0.5e300}},
  };
  for (const Case& c : cases) {
    const NiceScale scale = niceScale(c.low, c.high, c.maxTicks);
    const std::string what = std::to_string(c.low) + ".." + std::to_string(c.high);
    EXPECT_NEAR(scale.low, c.expected.low, c.expected.step * 1e-9) << what;
    EXPECT_NEAR(scale.high, c.expected.high, c.expected.step * 1e-9) << what;
    EXPECT_NEAR(scale.step, c.expected.step, c.expected.step * 1e-9) << what;
  }
}

TEST(PreviewPanel, TheTimeAxisShowsTheDateAcrossMidnightOrBeyondADay) {
  const int64_t tenAm = kStart;  // 05/03/2026 10:00 UTC
  struct Case {
    int64_t startMs, endMs;
    bool date;
  };
  const Case cases[] = {
      {tenAm, tenAm + 3600 * 1000, false},
      {tenAm + 13 * 3600 * 1000, tenAm + 14 * 3600 * 1000 + 60000, true},  // 23:00 to 00:01
      {tenAm - 10 * 3600 * 1000 + 1, tenAm + 13 * 3600 * 1000, false},     // one whole day
      {tenAm, tenAm + 33 * 3600 * 1000, true},
  };
  for (const Case& c : cases) {
    const QString format = timeAxisFormat(c.startMs, c.endMs, Qt::UTC);
    EXPECT_EQ(format.contains(QStringLiteral("yyyy")), c.date) << format.toStdString();
  }
  PreviewPlot plot;
  plot.setTimeSpec(Qt::UTC);
  plot.setSpan(tenAm, tenAm + 33 * 3600 * 1000);
  EXPECT_TRUE(plot.timeFormat().contains(QStringLiteral("dd/MM/yyyy")));
  plot.setView(tenAm, tenAm + 60000);
  EXPECT_FALSE(plot.timeFormat().contains(QStringLiteral("yyyy")));
}

TEST(PreviewPanel, ColoursStayWithTheirVariablesAcrossRefreshes) {
  PreviewPanel panel;
  showRecorded(panel);
  const QColor speed = panel.plot()->strip(0).colour, flag = panel.plot()->strip(1).colour;
  EXPECT_NE(speed, flag);
  showRecorded(panel, {kRecorded[1], kRecorded[0]});
  EXPECT_EQ(panel.plot()->strip(0).colour, flag);
  EXPECT_EQ(panel.plot()->strip(1).colour, speed);
  showRecorded(panel, {kRecorded[1]});
  EXPECT_EQ(panel.plot()->strip(0).colour, flag);
}

TEST(PreviewPanel, AZoomIsComputedForTheVisibleRangeAndCanBecomeTheTimeWindow) {
  PreviewPanel panel;
  showRecorded(panel);
  PreviewPlot* plot = panel.plot();
  EXPECT_TRUE(panel.detailRange().whole());
  QSignalSpy computed(&panel, &PreviewPanel::computed);
  wheel(plot, plot->pointAt(kStart + 5000), 3);
  EXPECT_FALSE(plot->showsWholeSpan());
  ASSERT_TRUE(computed.wait(10000));
  const zrl::EnvelopeRange range = panel.detailRange();
  EXPECT_EQ(range.startMs, plot->viewStartMs());
  EXPECT_EQ(range.endMs, plot->viewEndMs());
  EXPECT_NEAR((range.endMs - range.startMs) / 10000.0, std::pow(0.8, 3), 0.01);

  QSignalSpy chosen(&panel, &PreviewPanel::selectionDragged);
  panel.useViewButton()->click();
  ASSERT_EQ(chosen.size(), 1);
  EXPECT_EQ(chosen[0][0].toLongLong(), plot->viewStartMs());
  EXPECT_EQ(chosen[0][1].toLongLong(), plot->viewEndMs());

  // A double-click shows the whole log again, from the envelope already there.
  QTest::mouseDClick(plot, Qt::LeftButton, {}, plot->pointAt(kStart + 5000));
  EXPECT_TRUE(plot->showsWholeSpan());
}

TEST(PreviewPanel, BooleanStripsReadZeroToOneAndValuesThatAreNotFiniteAreLeftOut) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  PreviewPlot plot;
  plot.resize(600, 300);
  plot.setSpan(kStart, kStart + 4000);
  const double t = static_cast<double>(kStart);
  PreviewStrip flag{QStringLiteral("Flag"), {}, Qt::blue, true, {t + 1000, t + 2000, t + 3000}, {1, 1, 1}, {}};
  PreviewStrip odd{QStringLiteral("Odd"), {}, Qt::red, false, {t + 1000, t + 2000, t + 3000, t + 3500}, {2, inf, nan, 9}, {}};
  plot.setStrips({flag, odd});
  plot.grab();  // renders without a fault
  EXPECT_EQ(plot.scaleOf(0).low, 0);
  EXPECT_EQ(plot.scaleOf(0).high, 1);
  EXPECT_EQ(plot.scaleOf(1).low, 2);
  EXPECT_EQ(plot.scaleOf(1).high, 10);
  const QCPRange shown = plot.stripRect(1)->axis(QCPAxis::atLeft)->range();
  EXPECT_TRUE(std::isfinite(shown.lower) && std::isfinite(shown.upper));
}
