// The preview panel on its own: strips from the background envelope, their
// scales and colours, limits, the drag, the zoom and the view as a window.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

#include "tests/ui/WindowTestSupport.h"
#include "decode/IndexEnvelope.h"
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

TEST(PreviewPanel, ValueScalesFollowTheVisibleData) {
  PreviewPlot plot;
  plot.resize(600, 300);
  plot.setSpan(kStart, kStart + 10000);
  const double t = static_cast<double>(kStart);
  PreviewStrip strip{QStringLiteral("Rpm"), {}, Qt::blue, false, {}, {}, {}};
  const double values[] = {1, 2, 3, 2, 1, 500, 2, 3, 2, 1};
  for (int i = 0; i < 10; ++i) strip.timesMs.append(t + 500 + 1000 * i), strip.values.append(values[i]);
  plot.setStrips({strip});
  struct Case {
    int64_t fromMs, toMs;
    double low, high;  // the values the scale must cover, and not much more
  };
  const Case cases[] = {
      {0, 10000, 1, 500},
      {0, 4000, 1, 3},       // the spike is out of view
      {5200, 5300, 1, 500},  // nothing inside: the line crossing the view sets the scale
      {0, 10000, 1, 500},    // and back
  };
  for (const Case& c : cases) {
    plot.setView(kStart + c.fromMs, kStart + c.toMs);
    const NiceScale scale = plot.scaleOf(0);
    const std::string view = std::to_string(c.fromMs) + ".." + std::to_string(c.toMs);
    EXPECT_LE(scale.low, c.low) << view;
    EXPECT_GE(scale.high, c.high) << view;
    EXPECT_LE(scale.high, c.high * 1.25) << view;
    EXPECT_LE(plot.stripRect(0)->axis(QCPAxis::atLeft)->range().upper, c.high * 1.4) << view;
  }
}

TEST(PreviewPanel, AZoomCancelsTheComputationStillRunning) {
  std::atomic<int> zooms{0};
  std::atomic<bool> firstCancelled{false};
  PreviewPanel panel;
  // The first zoom's request holds until it is cancelled; everything else is
  // read from the log.
  panel.setEnvelopeSource([&](const std::string&, const std::vector<uint16_t>&, std::size_t,
                              const zrl::EnvelopeRange& range, const std::atomic<bool>& cancel, zrl::PreviewEnvelope&) {
    if (range.whole() || zooms++ > 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!cancel.load() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    firstCancelled = cancel.load();
    return false;
  });
  showRecorded(panel);
  PreviewPlot* plot = panel.plot();
  QSignalSpy computed(&panel, &PreviewPanel::computed);
  wheel(plot, plot->pointAt(kStart + 5000), 1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return zooms.load() == 1; }, 5000));
  wheel(plot, plot->pointAt(kStart + 5000), 2);
  ASSERT_TRUE(computed.wait(10000));
  EXPECT_TRUE(firstCancelled);
  EXPECT_EQ(zooms.load(), 2);
  EXPECT_EQ(panel.detailRange().startMs, plot->viewStartMs());
  EXPECT_EQ(panel.detailRange().endMs, plot->viewEndMs());
  QTest::qWait(100);
  EXPECT_EQ(computed.size(), 1);  // the cancelled one never shows
  panel.cancel();
}

// The whole log comes from the source alone (the file does not exist), and
// a zoom shows it stretched until the zoom's own detail replaces it.
TEST(PreviewPanel, TheStretchedWholeLogShowsUntilTheZoomsDetailReplacesIt) {
  std::atomic<bool> release{false};
  std::atomic<std::size_t> detailColumns{0};
  PreviewPanel panel;
  panel.setEnvelopeSource([&](const std::string&, const std::vector<uint16_t>& ids, std::size_t columns,
                              const zrl::EnvelopeRange& range, const std::atomic<bool>& cancel,
                              zrl::PreviewEnvelope& out) {
    const double value = range.whole() ? 1 : 2;
    if (!range.whole()) {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (!release.load() && !cancel.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      detailColumns = columns;
    }
    out.startMs = range.whole() ? kStart : range.startMs;
    out.endMs = range.whole() ? kStart + 10000 : range.endMs;
    out.columns = columns;
    for (uint16_t id : ids)
      out.series.push_back({id, std::vector<double>(columns, value), std::vector<double>(columns, value)});
    return true;
  });
  panel.resize(800, 300);
  panel.show();
  panel.setLog(QStringLiteral("/nonexistent/LOG1.zrl"), kStart, kStart + 10000);
  panel.setVariables({kRecorded[0]});
  QSignalSpy computed(&panel, &PreviewPanel::computed);
  panel.refresh();
  ASSERT_TRUE(computed.wait(10000));
  EXPECT_FALSE(panel.statusText().contains(QStringLiteral("stopped"))) << panel.statusText().toStdString();

  PreviewPlot* plot = panel.plot();
  wheel(plot, plot->pointAt(kStart + 5000), 3);
  ASSERT_TRUE(QTest::qWaitFor([&] { return panel.busy(); }, 5000));
  const auto valuesIn = [&](bool inside) {
    QVector<double> found;
    const PreviewStrip& strip = plot->strip(0);
    for (int i = 0; i < strip.timesMs.size(); ++i) {
      const bool in = strip.timesMs[i] >= plot->viewStartMs() && strip.timesMs[i] <= plot->viewEndMs();
      if (in == inside) found.append(strip.values[i]);
    }
    return found;
  };
  const QVector<double> stretched = valuesIn(true);
  ASSERT_FALSE(stretched.isEmpty());
  EXPECT_EQ(stretched.count(1.0), stretched.size());

  release = true;
  ASSERT_TRUE(computed.wait(10000));
  const QVector<double> detail = valuesIn(true);
  EXPECT_EQ(static_cast<std::size_t>(detail.size()), detailColumns.load());
  EXPECT_EQ(detail.count(2.0), detail.size());
  EXPECT_GT(detail.size(), stretched.size());
  const QVector<double> around = valuesIn(false);
  EXPECT_EQ(around.count(1.0), around.size());
}

// With the index's source, the first look at a log reads it and makes its
// index; the next is drawn from the index's buckets, at their columns.
TEST(PreviewPanel, TheSecondLookAtALogIsDrawnFromItsIndex) {
  PreviewPanel panel;
  panel.setEnvelopeSource(zrl::indexEnvelopeSource(0));
  const std::string log = recordedLog();
  panel.resize(800, 300);
  panel.show();
  panel.setLog(QString::fromStdString(log), kStart, kStart + 10000);
  panel.setVariables({kRecorded[0]});
  QSignalSpy computed(&panel, &PreviewPanel::computed);
  panel.refresh();
  ASSERT_TRUE(computed.wait(10000));
  ASSERT_FALSE(panel.plot()->strip(0).timesMs.isEmpty());
  EXPECT_NEAR(panel.plot()->strip(0).timesMs[0] - kStart, 500, 10) << "a column per pixel";

  panel.refresh();
  ASSERT_TRUE(computed.wait(10000));
  const std::shared_ptr<const zrl::LogIndex> index = zrl::loadFreshIndex(log);
  ASSERT_TRUE(index && index->hasSummary());
  const double bucketMs = 10000.0 / index->summary().bucketCount;
  const PreviewStrip& strip = panel.plot()->strip(0);
  ASSERT_EQ(strip.timesMs.size(), 10);
  EXPECT_EQ(strip.timesMs[0] - kStart, (std::floor(500 / bucketMs) + 0.5) * bucketMs) << "the middle of its bucket";
  for (int i = 0; i < strip.values.size(); ++i) EXPECT_EQ(strip.values[i], i * 10);
}
