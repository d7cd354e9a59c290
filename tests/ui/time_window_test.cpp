// Resampling choices, the method's enabled state and the time window.
#include <gtest/gtest.h>

#include "session/Session.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QStandardItemModel>
#include <cstdlib>
#include <ctime>

#include "tests/ui/WindowTestSupport.h"

namespace {

QStringList enabledFrequencies(MonitorWindow& w) {
  QStringList enabled;
  auto* model = qobject_cast<QStandardItemModel*>(w.resamplingPanel()->frequencyBox()->model());
  for (int i = 0; i < model->rowCount(); ++i)
    if (model->item(i)->isEnabled()) enabled << model->item(i)->text();
  return enabled;
}

uitest::LogShape recordedAt(float frequency) {
  uitest::LogShape shape;
  shape.frequency = frequency;
  return shape;
}

// Sets TZ for the life of the object, and puts the old value back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old, hadOld_ = true;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (hadOld_) setenv("TZ", saved_.c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }

 private:
  std::string saved_;
  bool hadOld_ = false;
};

}  // namespace

TEST(ResamplingChoices, OfferOnlyRatesBelowTheRecordingFrequency) {
  const struct {
    float frequency;
    QStringList enabled;
  } cases[] = {
      {100.0f, {"None", "50", "20", "10", "5", "1", "0.1", "0.01"}},
      {10.0f, {"None", "5", "1", "0.1", "0.01"}},
      {0.05f, {"None", "0.01"}},
      // Compared in single precision: a file at the float nearest 0.1 Hz
      // does not offer 0.1.
      {0.1f, {"None", "0.01"}},
      {1000.0f, {"None", "100", "50", "20", "10", "5", "1", "0.1", "0.01"}},
  };
  for (const auto& c : cases) {
    auto w = uitest::windowWithLog(recordedAt(c.frequency));
    EXPECT_EQ(enabledFrequencies(*w), c.enabled) << c.frequency;
    EXPECT_EQ(w->resamplingPanel()->frequencyBox()->count(), 9);
  }
}

TEST(ResamplingChoices, ARateTheNextFileCannotProvideFallsBackToNone) {
  auto w = uitest::windowWithLog(recordedAt(100.0f));
  QComboBox* frequency = w->resamplingPanel()->frequencyBox();
  w->resamplingPanel()->selectFrequency(QStringLiteral("50"));
  EXPECT_EQ(frequency->currentText(), QStringLiteral("50"));
  EXPECT_TRUE(w->resamplingPanel()->methodBox()->isEnabled());

  uitest::loadLog(*w, uitest::writeLog("slow.zrl", recordedAt(20.0f)));
  EXPECT_EQ(frequency->currentText(), QStringLiteral("None"));
  EXPECT_FALSE(w->resamplingPanel()->methodBox()->isEnabled());

  // A rate that is still offered is kept.
  w->resamplingPanel()->selectFrequency(QStringLiteral("10"));
  uitest::loadLog(*w, uitest::writeLog("fast.zrl", recordedAt(100.0f)));
  EXPECT_EQ(frequency->currentText(), QStringLiteral("10"));
}

TEST(ResamplingChoices, SelectFrequencyTakesExactTextsOnly) {
  auto w = uitest::windowWithLog(recordedAt(10.0f));
  QComboBox* frequency = w->resamplingPanel()->frequencyBox();
  w->resamplingPanel()->selectFrequency(QStringLiteral("5"));
  EXPECT_EQ(frequency->currentText(), QStringLiteral("5"));
  for (const char* text : {"5.0", "abc", ""}) {
    w->resamplingPanel()->selectFrequency(QStringLiteral("5"));
    w->resamplingPanel()->selectFrequency(QString::fromLatin1(text));
    EXPECT_EQ(frequency->currentText(), QStringLiteral("None")) << text;
  }
  // A configured rate is taken even when the file would not offer it by
  // hand: a saved configuration keeps deciding the output.
  w->resamplingPanel()->selectFrequency(QStringLiteral("50"));
  EXPECT_EQ(frequency->currentText(), QStringLiteral("50"));
}

TEST(ResamplingChoices, ConfiguredFrequencyIsAppliedAtTheLoad) {
  auto w = uitest::makeWindow();
  w->session().setConfigValue("frequency", "1");
  uitest::loadLog(*w, uitest::writeLog("conf.zrl", recordedAt(10.0f)));
  EXPECT_EQ(w->resamplingPanel()->frequencyBox()->currentText(), QStringLiteral("1"));
  EXPECT_TRUE(w->resamplingPanel()->methodBox()->isEnabled());
}

TEST(MethodState, FollowsTheFrequencyWithItsTooltip) {
  auto w = uitest::windowWithLog();
  QComboBox* method = w->resamplingPanel()->methodBox();
  EXPECT_FALSE(method->isEnabled());
  EXPECT_EQ(method->toolTip(), QStringLiteral("Method is only available when resampling is enabled"));
  w->resamplingPanel()->frequencyBox()->setCurrentText(QStringLiteral("20"));
  EXPECT_TRUE(method->isEnabled());
  EXPECT_EQ(method->toolTip(), QStringLiteral("Select aggregation method for resampling"));
  w->resamplingPanel()->frequencyBox()->setCurrentText(QStringLiteral("None"));
  EXPECT_FALSE(method->isEnabled());
}

TEST(TimeWindow, HoldsTheWholeFileToTheMillisecond) {
  auto w = uitest::windowWithLog();
  const MonitorWindow* f = w.get();
  EXPECT_TRUE(f->csvOptionsPanel()->startEdit()->isEnabled());
  EXPECT_TRUE(f->csvOptionsPanel()->endEdit()->isEnabled());
  EXPECT_TRUE(w->csvOptionsPanel()->hasFileSpan());
  // The file starts a quarter second past a whole second.
  EXPECT_EQ(f->csvOptionsPanel()->startEdit()->dateTime().toMSecsSinceEpoch(), 1700000000250);
  EXPECT_EQ(f->csvOptionsPanel()->endEdit()->dateTime().toMSecsSinceEpoch(), 1700003600750);
  EXPECT_EQ(f->csvOptionsPanel()->startEdit()->text(), QStringLiteral("14/11/2023 22:13:20"));
  EXPECT_EQ(f->informationPanel()->startLabel()->text(), QStringLiteral("<b>From:</b> 14/11/2023 22:13:20"));
  EXPECT_EQ(f->informationPanel()->endLabel()->text(), QStringLiteral("<b>To:</b> 14/11/2023 23:13:20"));
  // Right after a load the edits have no bounds of their own.
  EXPECT_LT(f->csvOptionsPanel()->startEdit()->minimumDateTime().date().year(), 2000);
  EXPECT_GT(f->csvOptionsPanel()->endEdit()->maximumDateTime().date().year(), 3000);
}

TEST(TimeWindow, UtcToggleShowsTheSameInstantInTheOtherTimeBase) {
  ScopedTimeZone paris("Europe/Paris");
  auto w = uitest::windowWithLog();
  const MonitorWindow* f = w.get();
  EXPECT_EQ(f->informationPanel()->startLabel()->text(), QStringLiteral("<b>From:</b> 14/11/2023 23:13:20"));
  EXPECT_EQ(f->informationPanel()->endLabel()->text(), QStringLiteral("<b>To:</b> 15/11/2023 00:13:20"));
  f->csvOptionsPanel()->utcBox()->setChecked(true);
  EXPECT_EQ(f->informationPanel()->startLabel()->text(), QStringLiteral("<b>From:</b> 14/11/2023 22:13:20"));
  EXPECT_EQ(f->informationPanel()->endLabel()->text(), QStringLiteral("<b>To:</b> 14/11/2023 23:13:20"));
  EXPECT_EQ(f->csvOptionsPanel()->startEdit()->text(), QStringLiteral("14/11/2023 22:13:20"));
  EXPECT_EQ(f->csvOptionsPanel()->startEdit()->dateTime().toMSecsSinceEpoch(), 1700000000250);
  EXPECT_EQ(f->csvOptionsPanel()->startEdit()->timeSpec(), Qt::UTC);
}

TEST(TimeWindow, UtcToggleDiscardsTheUsersWindowAndBeforeALoadDoesNothing) {
  auto empty = uitest::makeWindow();
  empty->csvOptionsPanel()->utcBox()->setChecked(true);
  EXPECT_FALSE(empty->csvOptionsPanel()->hasFileSpan());
  EXPECT_EQ(empty->informationPanel()->startLabel()->text(), QStringLiteral("<b>From:</b> -"));

  auto w = uitest::windowWithLog();
  QDateTimeEdit* start = w->csvOptionsPanel()->startEdit();
  start->setDateTime(start->dateTime().addSecs(600));
  w->csvOptionsPanel()->utcBox()->setChecked(true);
  EXPECT_EQ(start->dateTime().toMSecsSinceEpoch(), 1700000000250);
}

TEST(TimeWindow, EditsKeepStartBeforeEndOnceTouched) {
  auto w = uitest::windowWithLog();
  QDateTimeEdit* start = w->csvOptionsPanel()->startEdit();
  QDateTimeEdit* end = w->csvOptionsPanel()->endEdit();
  const QDateTime fileEnd = end->dateTime();
  // Right after a load any start can be entered, even one after the end;
  // it then becomes the end's minimum, which pulls the end along.
  start->setDateTime(fileEnd.addSecs(60));
  EXPECT_EQ(start->dateTime(), fileEnd.addSecs(60));
  EXPECT_EQ(end->minimumDateTime(), fileEnd.addSecs(60));
  EXPECT_EQ(end->dateTime(), fileEnd.addSecs(60));
  // Once the end has been changed it bounds the start in turn.
  end->setDateTime(fileEnd.addSecs(120));
  start->setDateTime(fileEnd.addSecs(3600));
  EXPECT_EQ(start->dateTime(), fileEnd.addSecs(120));
}

// The panels write what the user chooses to the session at once, and show
// what a configuration puts there.
TEST(PanelsAndSession, ChoicesGoToTheSessionAndItsOptionsAreShown) {
  auto w = uitest::windowWithLog();
  CsvOptionsPanel* csv = w->csvOptionsPanel();
  csv->columnSeparatorBox()->setCurrentText(QStringLiteral("tab"));
  csv->millisecondsBox()->setChecked(true);
  w->resamplingPanel()->frequencyBox()->setCurrentText(QStringLiteral("20"));
  csv->startEdit()->setDateTime(csv->startEdit()->dateTime().addSecs(60));
  const DecodeOptions& options = w->session().options();
  EXPECT_EQ(options.columnSeparator, QStringLiteral("tab"));
  EXPECT_TRUE(options.milliseconds);
  EXPECT_EQ(options.frequency, QStringLiteral("20"));
  EXPECT_EQ(w->session().windowStartMs(), 1700000060250);
  uitest::item(*w, QStringLiteral("Engine.Rpm"))->setCheckState(Qt::Checked);
  EXPECT_EQ(w->session().selection(), (QSet<QString>{QStringLiteral("Engine.Rpm")}));

  DecodeOptions changed = options;
  changed.decimalSeparator = QStringLiteral(",");
  changed.method = QStringLiteral("Max");
  w->session().setOptions(changed);
  EXPECT_EQ(csv->decimalSeparatorBox()->currentText(), QStringLiteral(","));
  EXPECT_EQ(w->resamplingPanel()->methodBox()->currentText(), QStringLiteral("Max"));
}
