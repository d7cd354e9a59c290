// Not a test: renders the window and the About dialog to PNG files for a
// visual check. Run with `make screenshots` (it is disabled in the suite).
#include <gtest/gtest.h>

#include "session/Session.h"

#include <QDir>
#include <QMouseEvent>
#include <QAction>
#include <QDateTimeEdit>
#include <QFile>
#include <QPixmap>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

#include "tests/support/ProcessRunner.h"
#include "tests/ui/WindowTestSupport.h"
#include "ui/AboutDialog.h"
#include "ui/PreviewPanel.h"
#include "ui/preview/PlotScales.h"
#include "ui/preview/PreviewPlot.h"

namespace {

QString screenshotDir() {
  const QString dir = QString::fromStdString(zrltest::buildDir()) + QStringLiteral("/screenshots");
  QDir().mkpath(dir);
  return dir;
}

void save(QWidget& widget, const QString& name) {
  QCoreApplication::processEvents();
  const QString path = screenshotDir() + QLatin1Char('/') + name;
  ASSERT_TRUE(widget.grab().save(path)) << path.toStdString();
  std::printf("wrote %s\n", qPrintable(path));
}

}  // namespace

TEST(Screenshots, DISABLED_RenderWindowAndAbout) {
  const std::string log = zrltest::makeTempSubdir("screenshots") + "/sample.zrl";
  const auto generated =
      zrltest::runProgram(zrltest::generatorProgram(), {"--preset", "sample", "--output", log}, {}, 60, "");
  ASSERT_EQ(generated.exitStatus, 0) << generated.out << generated.err;

  auto window = uitest::makeWindow();
  window->session().setConfigValue("outputDirName", "/home/user/measurements/campaign2026/benchA/exports/day01/run17/out");
  window->show();
  uitest::loadLog(*window, log);
  const QStringList names = uitest::allNames(*window);
  ASSERT_GE(names.size(), 4);
  // A few variables checked, an alias and two conditions on numeric ones.
  QStringList numeric;
  for (const QString& name : names) {
    const QString type = window->variableListPanel()->typeNameOf(name);
    if (type == QLatin1String("DATALOGGER_FLOAT_TYPE") || type == QLatin1String("DATALOGGER_INTEGER_TYPE"))
      numeric << name;
  }
  ASSERT_GE(numeric.size(), 2);
  for (int i = 0; i < 3 && i < names.size(); ++i) uitest::item(*window, names[i])->setCheckState(Qt::Checked);
  uitest::item(*window, numeric[0])->setCheckState(Qt::Checked);
  window->session().setAlias(numeric[0], QStringLiteral("Gear"));
  uitest::addCondition(*window, numeric[0], QStringLiteral("minimum"), 5);
  uitest::addCondition(*window, numeric[1], QStringLiteral("maximum"), 1234567);
  save(*window, QStringLiteral("window.png"));

  const QString iconPath = screenshotDir() + QStringLiteral("/icon.png");
  ASSERT_TRUE(window->windowIcon().pixmap(32, 32).scaled(128, 128).save(iconPath));
  std::printf("wrote %s\n", qPrintable(iconPath));

  AboutDialog about(window.get());
  about.show();
  save(about, QStringLiteral("about.png"));
}

// The preview open under the window: four strips (one boolean), a chosen
// time window and a condition limit, at several screen sizes, then zoomed
// with the cursor's read-out; then a decode of a cut log failing.
TEST(Screenshots, DISABLED_RenderPreviewAndDecodeError) {
  const std::string dir = zrltest::makeTempSubdir("screenshots-preview");
  const std::string log = dir + "/sample.zrl";
  const auto generated =
      zrltest::runProgram(zrltest::generatorProgram(), {"--preset", "sample", "--output", log}, {}, 60, "");
  ASSERT_EQ(generated.exitStatus, 0) << generated.out << generated.err;

  auto window = uitest::makeWindow();
  window->session().setConfigValue("outputDirName", dir);
  window->resize(1300, 1250);
  window->show();
  window->openLogFiles({QString::fromStdString(log)});
  window->previewDock()->toggleViewAction()->trigger();
  QSignalSpy computed(window->previewPanel(), &PreviewPanel::computed);
  for (const char* name : {"Engine.Rpm", "Engine.Speed", "Engine.CoolantTemp", "Engine.Running"})
    uitest::item(*window, QString::fromLatin1(name))->setCheckState(Qt::Checked);
  window->session().setAlias(QStringLiteral("Engine.Speed"), QStringLiteral("Speed"));
  uitest::addCondition(*window, QStringLiteral("Engine.Speed"), QStringLiteral("minimum"), 75);
  ASSERT_TRUE(computed.wait(20000));
  QDateTimeEdit* start = window->csvOptionsPanel()->startEdit();
  QDateTimeEdit* end = window->csvOptionsPanel()->endEdit();
  start->setDateTime(start->dateTime().addSecs(40));
  end->setDateTime(end->dateTime().addSecs(-60));
  save(*window, QStringLiteral("window-preview.png"));
  EXPECT_EQ(window->previewPanel()->seriesCount(), 4);
  // Laptop screens: the preview takes its room from the variable list.
  for (const QSize& size : {QSize(1280, 800), QSize(1366, 768), QSize(1920, 1080)}) {
    window->resize(size);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->size(), size);
    save(*window, QStringLiteral("window-%1x%2-preview.png").arg(size.width()).arg(size.height()));
  }
  // Zoomed in, recomputed for the view, the cursor over the plot.
  PreviewPlot* plot = window->previewPanel()->plot();
  const qint64 middle = (plot->spanStartMs() + plot->spanEndMs()) / 2;
  plot->zoomAround(middle, 0.25);
  ASSERT_TRUE(computed.wait(20000));
  QCoreApplication::processEvents();
  QMouseEvent hover(QEvent::MouseMove, plot->pointAt(middle + 5000, 1), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(plot, &hover);
  save(*window, QStringLiteral("window-1920x1080-preview-zoomed.png"));
  window->resize(1300, 1250);

  // The same log cut short: its decode fails and says why.
  const std::string cut = dir + "/CUT.zrl";
  ASSERT_TRUE(QFile::copy(QString::fromStdString(log), QString::fromStdString(cut)));
  QFile cutFile(QString::fromStdString(cut));
  const qint64 head = 850805;  // the records start after it
  ASSERT_TRUE(cutFile.resize(head + (cutFile.size() - head) / 2));
  window->openLogFiles({QString::fromStdString(cut)});
  window->variableListPanel()->selectAllButton()->click();
  QSignalSpy finished(&window->controller(), &DecodeController::finished);
  QTest::mouseClick(window->decodePanel()->button(), Qt::LeftButton);
  ASSERT_TRUE(finished.wait(20000));
  save(*window, QStringLiteral("window-decode-error.png"));
}

// A log cut inside its head, opened after a good one: the error, and
// nothing left of the good log.
TEST(Screenshots, DISABLED_RenderFailedLoadOfACutLog) {
  const std::string dir = zrltest::makeTempSubdir("screenshots-cut");
  const std::string log = dir + "/sample.zrl";
  const auto generated =
      zrltest::runProgram(zrltest::generatorProgram(), {"--preset", "sample", "--output", log}, {}, 60, "");
  ASSERT_EQ(generated.exitStatus, 0) << generated.out << generated.err;
  const QString cut = QString::fromStdString(dir + "/CUT.zrl");
  ASSERT_TRUE(QFile::copy(QString::fromStdString(log), cut));
  ASSERT_TRUE(QFile(cut).resize(2000));

  auto window = uitest::makeWindow();
  window->session().setConfigValue("outputDirName", dir);
  window->show();
  window->openLogFiles({QString::fromStdString(log)});
  uitest::item(*window, QStringLiteral("Engine.Speed"))->setCheckState(Qt::Checked);
  window->openLogFiles({cut});
  save(*window, QStringLiteral("window-load-error.png"));
}

// Three logs chosen together and decoded: the list with a result each.
TEST(Screenshots, DISABLED_RenderThreeQueuedLogsAfterADecode) {
  const std::string dir = zrltest::makeTempSubdir("screenshots-queue");
  QStringList logs;
  for (const char* name : {"NORTH.zrl", "SOUTH.zrl", "WEST.zrl"}) {
    const std::string log = dir + "/" + name;
    const auto generated =
        zrltest::runProgram(zrltest::generatorProgram(), {"--preset", "sample", "--output", log}, {}, 60, "");
    ASSERT_EQ(generated.exitStatus, 0) << generated.out << generated.err;
    logs << QString::fromStdString(log);
  }
  auto window = uitest::makeWindow();
  window->session().setConfigValue("outputDirName", dir);
  window->show();
  window->openLogFiles(logs);
  for (const char* name : {"Engine.Speed", "Engine.Throttle"})
    uitest::item(*window, QString::fromLatin1(name))->setCheckState(Qt::Checked);
  QTest::mouseClick(window->decodePanel()->button(), Qt::LeftButton);
  for (int waited = 0; waited < 60000 && window->decoding(); waited += 10) QTest::qWait(10);
  ASSERT_FALSE(window->decoding());
  save(*window, QStringLiteral("window-queue-decoded.png"));
}

// The plot alone over a log of 33 hours: the date on the time axis.
TEST(Screenshots, DISABLED_RenderLongPreview) {
  constexpr int64_t kHourMs = 3600 * 1000;
  const int64_t start = uitest::kRecordedStartMs;
  PreviewPlot plot;
  plot.resize(1280, 360);
  plot.setTimeSpec(Qt::UTC);
  plot.setSpan(start, start + 33 * kHourMs);
  PreviewStrip temperature{QStringLiteral("Outside (\u00B0C)"), QStringLiteral("\u00B0C"), previewColour("Outside"),
                           false, {}, {}, {{QStringLiteral("Outside < -2"), -2}}};
  PreviewStrip heater{QStringLiteral("Heater"), {}, previewColour("Heater"), true, {}, {}, {}};
  for (int minute = 0; minute <= 33 * 60; minute += 5) {
    const double t = static_cast<double>(start + minute * 60000LL);
    const double value = 4 + 7 * std::sin((minute - 240) * 3.14159265 / 720);
    temperature.timesMs << t;
    temperature.values << value;
    heater.timesMs << t;
    heater.values << (value < 0 ? 1 : 0);
  }
  plot.setStrips({temperature, heater});
  plot.show();
  save(plot, QStringLiteral("preview-33-hours.png"));
}
