// What a first-time user runs into: unreadable logs, ticks kept from one log
// to the next, and the window's keyboard and naming conventions.
#include <gtest/gtest.h>

#include "session/Session.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <ostream>

#include "tests/ui/WindowTestSupport.h"

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }

QStringList recentTexts(MonitorWindow& w) {
  QStringList texts;
  for (QAction* action : w.recentLogsMenu()->actions()) texts << action->text();
  return texts;
}

}  // namespace

TEST(WindowNewcomer, AnUnreadableLogSaysWhyAndLeavesNothingOfThePreviousOne) {
  const QString dir = q(zrltest::makeTempSubdir("unreadable"));
  const QString good = q(uitest::writeLog("good.zrl"));
  QFile::copy(good, dir + "/cut.zrl");
  QFile(dir + "/cut.zrl").resize(40);  // inside the head
  QFile garbage(dir + "/magic.zrl");
  ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
  garbage.write("not a log file at all, not a log file at all");
  garbage.close();
  const struct {
    QString path, text;
  } cases[] = {
      {dir + "/cut.zrl", "Cannot read cut.zrl: "},
      {garbage.fileName(), "Cannot read magic.zrl: Unable to read magic section"},
      {dir + "/missing.zrl", "Cannot read missing.zrl: Failed to open file " + dir + "/missing.zrl"},
  };
  for (const auto& c : cases) {
    auto w = uitest::makeWindow();
    w->openLogFiles({good});
    uitest::item(*w, "Engine.Rpm")->setCheckState(Qt::Checked);
    testing::internal::CaptureStdout();
    w->openLogFiles({c.path});
    testing::internal::GetCapturedStdout();
    const QString status = w->progressPanel()->statusText();
    EXPECT_TRUE(status.startsWith(c.text)) << status.toStdString();
    EXPECT_GT(status.size(), c.text.size() - 1) << "no reason given";
    EXPECT_EQ(w->progressPanel()->state(), "error");
    EXPECT_EQ(w->informationPanel()->startLabel()->text(), QString::fromUtf8("<b>From:</b> \u2014"));
    EXPECT_EQ(w->informationPanel()->serialLabel()->text(), QString::fromUtf8("<b>Serial:</b> \u2014"));
    EXPECT_EQ(uitest::list(*w)->count(), 0);
    EXPECT_FALSE(w->session().log());
    EXPECT_FALSE(w->decodePanel()->button()->isEnabled());
    EXPECT_FALSE(recentTexts(*w).contains(c.path));
    EXPECT_TRUE(recentTexts(*w).contains(good));
    // The ticks of the last good log come back with the next one.
    w->openLogFiles({good});
    EXPECT_EQ(uitest::item(*w, "Engine.Rpm")->checkState(), Qt::Checked);
  }
}

TEST(WindowNewcomer, TicksGoOverToTheNextLogByFullNameAndTheMissingAreNamedOnce) {
  auto w = uitest::makeWindow();
  w->openLogFiles({q(uitest::writeLog("first.zrl"))});
  for (const char* name : {"Engine.Rpm", "Engine.Speed", "Status.Ok"})
    uitest::item(*w, name)->setCheckState(Qt::Checked);
  uitest::LogShape other;
  other.variables = {{"Engine.Speed", zrlwriter::kFloat, "km/h"}, {"Engine.Load", zrlwriter::kFloat, ""}};
  w->openLogFiles({q(uitest::writeLog("other.zrl", other))});
  EXPECT_EQ(w->variableListPanel()->checkedNames(), QStringList{"Engine.Speed"});
  EXPECT_EQ(w->progressPanel()->statusText(), "Not in other.zrl: Engine.Rpm, Status.Ok");
  EXPECT_TRUE(w->decodePanel()->button()->isEnabled());
}

TEST(WindowNewcomer, DecodeIsOfferedOnlyWithSomethingTickedAndSaysWhyNot) {
  auto w = uitest::makeWindow();
  QPushButton* decode = w->decodePanel()->button();
  EXPECT_FALSE(decode->isEnabled());
  EXPECT_EQ(decode->toolTip(), "Open a readable log file first");
  uitest::loadLog(*w, uitest::writeLog("t.zrl"));
  EXPECT_FALSE(decode->isEnabled());
  EXPECT_EQ(decode->toolTip(), "Tick at least one variable to decode");
  uitest::item(*w, "Engine.Rpm")->setCheckState(Qt::Checked);
  EXPECT_TRUE(decode->isEnabled());
}

// The keyboard's place must show on the controls a user tabs to.
TEST(WindowNewcomer, KeyboardFocusIsVisibleOnTheListAndTheDecodeButton) {
  auto w = uitest::windowWithLog();
  uitest::item(*w, "Engine.Rpm")->setCheckState(Qt::Checked);
  w->show();
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  for (QWidget* widget : std::initializer_list<QWidget*>{w->decodePanel()->button(), uitest::list(*w)}) {
    w->filtersPanel()->searchEdit()->setFocus();
    QApplication::processEvents();
    const QImage without = widget->grab().toImage();
    widget->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(widget->hasFocus()) << widget->objectName().toStdString();
    EXPECT_NE(widget->grab().toImage(), without) << widget->objectName().toStdString();
  }
}

// Double has a box of its own in the type legend, in a colour unlike the
// blue of CAN frames.
TEST(WindowNewcomer, TheTypeLegendShowsDoublesApart) {
  auto w = uitest::windowWithLog();
  auto* doubles = w->filtersPanel()->findChild<QCheckBox*>("doubleTypeCheckBox");
  ASSERT_TRUE(doubles);
  EXPECT_EQ(doubles->text(), "Double");
  doubles->setChecked(false);
  EXPECT_FALSE(uitest::visibleNames(*w).contains("Engine.Torque"));
  EXPECT_TRUE(uitest::visibleNames(*w).contains("Engine.Speed"));
  const QColor doubleColour =
      variablelook::typeIcon("DATALOGGER_DOUBLE_TYPE").pixmap(16, 16).toImage().pixelColor(8, 8);
  const QColor canColour = variablelook::typeIcon("DATALOGGER_CANFRAME_TYPE").pixmap(16, 16).toImage().pixelColor(8, 8);
  const int distance = std::abs(doubleColour.red() - canColour.red()) +
                       std::abs(doubleColour.green() - canColour.green()) +
                       std::abs(doubleColour.blue() - canColour.blue());
  EXPECT_GT(distance, 200);
}
