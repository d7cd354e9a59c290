// Status display, decode button faces, clock, enabled-state rules, the
// information texts, the file and directory choosers and the About dialog.
#include <gtest/gtest.h>

#include "config/RememberedConfig.h"
#include "session/Session.h"

#include <QComboBox>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QListWidget>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>

#include "tests/ui/WindowTestSupport.h"
#include "ui/AboutDialog.h"

namespace {

template <typename Dialog>
void onNextModal(std::function<void(Dialog*)> handle) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, handle] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    handle(dialog);
  });
  poll->start(5);
}

// The colour drawn a few pixels inside the widget's left edge, mid-height.
QColor colourInside(QWidget* widget) {
  widget->repaint();
  const QImage image = widget->grab().toImage();
  return image.pixelColor(4, image.height() / 2);
}

}  // namespace

TEST(WindowStatus, SetStatusShowsTheTextAndRestylesTheBarAtOnce) {
  auto w = uitest::makeWindow();
  w->show();
  ProgressPanel* progress = w->progressPanel();
  QProgressBar* bar = progress->bar();
  const struct {
    const char* state;
    const char* background;
  } states[] = {{"error", "#FCE4E4"}, {"success", "#E8F5E8"}, {"processing", "#E3F2FD"}, {"ready", "#E8F4FF"}};
  for (const auto& s : states) {
    progress->setStatus(QStringLiteral("Status text"), QString::fromLatin1(s.state));
    EXPECT_EQ(bar->format(), QStringLiteral("Status text"));
    EXPECT_EQ(bar->property("state").toString(), QString::fromLatin1(s.state));
    EXPECT_EQ(colourInside(bar), QColor(s.background)) << s.state;
  }
  progress->setStatus(QStringLiteral("%p%"), QString());
  EXPECT_EQ(colourInside(bar), QColor("#E8EDF2"));
}

TEST(WindowStatus, DecodeButtonIsGreenIdleAndRedWhenItMeansCancel) {
  auto w = uitest::makeWindow();
  w->show();
  DecodePanel* decode = w->decodePanel();
  QPushButton* button = decode->button();
  const QString asBuilt = button->text();
  button->setEnabled(true);
  const QColor idle = colourInside(button);
  EXPECT_GT(idle.green(), idle.red());
  decode->showCancel();
  EXPECT_EQ(button->text(), QStringLiteral("Cancel"));
  EXPECT_TRUE(button->property("cancel").toBool());
  const QColor cancel = colourInside(button);
  EXPECT_GT(cancel.red(), cancel.green());
  decode->showIdle();
  EXPECT_EQ(button->text(), asBuilt);
  EXPECT_EQ(colourInside(button), idle);
}

TEST(WindowStatus, ClockShowsMinutesAndSecondsAndWrapsAfterAnHour) {
  auto w = uitest::makeWindow();
  ProgressPanel* progress = w->progressPanel();
  progress->tick();
  EXPECT_EQ(progress->elapsed(), QTime(0, 0, 1));
  progress->setElapsed(QTime(0, 59, 58));
  progress->tick();
  EXPECT_EQ(progress->elapsed().toString("mm:ss"), QStringLiteral("59:59"));
  progress->tick();
  EXPECT_EQ(progress->elapsed().toString("mm:ss"), QStringLiteral("00:00"));
  EXPECT_EQ(progress->clockInterval(), 1000);
  EXPECT_EQ(progress->pollInterval(), 100);
}

TEST(WindowStatus, OptionControlsAreDisabledAndEnabledTogether) {
  auto w = uitest::windowWithLog();
  MonitorWindow* f = w.get();
  uitest::item(*w, QStringLiteral("Engine.Rpm"))->setCheckState(Qt::Checked);
  const QList<QWidget*> affected{static_cast<QWidget*>(f->resamplingPanel()), f->csvOptionsPanel()->cellFillBox(),
                                 f->csvOptionsPanel()->outputFormatBox(),
                                 f->csvOptionsPanel()->millisecondsBox(), f->csvOptionsPanel()->utcBox(), f->csvOptionsPanel()->startEdit(), f->csvOptionsPanel()->endEdit()};
  const QList<QWidget*> untouched{static_cast<QWidget*>(f->csvOptionsPanel()->unitLineBox()), f->csvOptionsPanel()->floatFormatBox(),
                                  f->csvOptionsPanel()->columnSeparatorBox(), f->csvOptionsPanel()->decimalSeparatorBox(), f->variableListPanel()->list(),
                                  f->conditionsPanel()};
  w->setOptionControlsEnabled(false);
  for (QWidget* widget : affected) EXPECT_FALSE(widget->isEnabled()) << widget->objectName().toStdString();
  for (QWidget* widget : untouched) EXPECT_TRUE(widget->isEnabled()) << widget->objectName().toStdString();
  f->decodePanel()->button()->setEnabled(false);
  f->resamplingPanel()->frequencyBox()->setCurrentText(QStringLiteral("5"));
  w->setOptionControlsEnabled(true);
  for (QWidget* widget : affected) EXPECT_TRUE(widget->isEnabled()) << widget->objectName().toStdString();
  EXPECT_TRUE(f->decodePanel()->button()->isEnabled());
  EXPECT_TRUE(f->resamplingPanel()->methodBox()->isEnabled());
}

// The format chosen beside the CSV options is the session's, and the
// decode writes that kind of file under its own extension.
TEST(WindowStatus, ChosenOutputFormatNamesAndWritesTheFile) {
  auto w = uitest::makeWindow();
  uitest::loadLog(*w, uitest::recordedLog());
  const QString dir = QString::fromStdString(zrltest::makeTempSubdir("format"));
  w->session().setOutputDirectory(dir);
  uitest::item(*w, QStringLiteral("Engine.Speed"))->setCheckState(Qt::Checked);
  QComboBox* box = w->csvOptionsPanel()->outputFormatBox();
  EXPECT_EQ(box->currentIndex(), 0);
  box->setCurrentIndex(1);
  EXPECT_EQ(w->session().options().outputFormat, QStringLiteral("hdf5"));
  QSignalSpy finished(&w->controller(), &DecodeController::finished);
  QTest::mouseClick(w->decodePanel()->button(), Qt::LeftButton);
  ASSERT_TRUE(finished.wait(20000));
  EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("REC1-20260305-100000.h5")});
  DecodeOptions options = w->session().options();
  options.outputFormat = QStringLiteral("mat");
  w->session().setOptions(options);
  EXPECT_EQ(box->currentIndex(), 2);
}

TEST(WindowStatus, LoadFillsTheInformationTextsAndEnablesDecoding) {
  auto w = uitest::windowWithLog();
  MonitorWindow* f = w.get();
  EXPECT_EQ(f->informationPanel()->fileLabel()->text(), QStringLiteral("<b>File:</b> test.zrl"));
  EXPECT_EQ(f->informationPanel()->serialLabel()->text(), QStringLiteral("<b>Serial:</b> SN-0042"));
  EXPECT_EQ(f->informationPanel()->firmwareLabel()->text(), QStringLiteral("<b>Firmware:</b> 4.2.1"));
  uitest::item(*w, QStringLiteral("Engine.Rpm"))->setCheckState(Qt::Checked);
  EXPECT_TRUE(f->decodePanel()->button()->isEnabled());
  EXPECT_TRUE(f->csvOptionsPanel()->cellFillBox()->isEnabled());
  EXPECT_TRUE(f->resamplingPanel()->isEnabled());
}

TEST(WindowStatus, ConfigurationLabelNamesTheFileUnlessItIsTheDefault) {
  auto w = uitest::makeWindow();
  QLabel* label = w->informationPanel()->configurationLabel();
  const QString temp = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
  const struct {
    QString path;
    const char* text;
    QString tooltip;
  } cases[] = {
      {QString(), "<b>Configuration:</b> (default)", "Using default configuration"},
      {defaultConfigPath(), "<b>Configuration:</b> (default)", "Using default configuration"},
      {temp + "/decoderConf.json", "<b>Configuration:</b> decoderConf.json",
       "Current configuration file: " + temp + "/decoderConf.json"},
      {"/srv/conf/decoderConf.json", "<b>Configuration:</b> decoderConf.json",
       "Current configuration file: /srv/conf/decoderConf.json"},
      {temp + "/mine.json", "<b>Configuration:</b> mine.json", "Current configuration file: " + temp + "/mine.json"},
  };
  for (const auto& c : cases) {
    w->session().setConfigPath(c.path);
    EXPECT_EQ(label->text(), QString::fromLatin1(c.text)) << c.path.toStdString();
    EXPECT_EQ(label->toolTip(), c.tooltip);
  }
}

TEST(WindowStatus, CancelledOpenDialogOnlyDisablesResampling) {
  auto w = uitest::makeWindow();
  w->session().setConfigValue("inputDirName", zrltest::tempDir());
  QString caption;
  onNextModal<QFileDialog>([&](QFileDialog* d) {
    caption = d->windowTitle();
    EXPECT_EQ(d->directory().absolutePath(), QDir(QString::fromStdString(zrltest::tempDir())).absolutePath());
    d->reject();
  });
  w->chooseLogFiles();
  EXPECT_EQ(caption, QStringLiteral("Open log file"));
  EXPECT_FALSE(w->resamplingPanel()->isEnabled());
  EXPECT_TRUE(w->session().inputFiles().isEmpty());
}

TEST(WindowStatus, ChosenOutputDirectoryGoesToTheConfigurationAndTheLabel) {
  auto w = uitest::makeWindow();
  const QString dir = QString::fromStdString(zrltest::makeTempSubdir("out"));
  onNextModal<QFileDialog>([&](QFileDialog* d) {
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Choose output directory"));
    d->setDirectory(dir);
    d->selectFile(dir);
    QMetaObject::invokeMethod(d, "accept");
  });
  w->chooseOutputDirectory();
  EXPECT_EQ(QDir(QString::fromStdString(w->session().config()["outputDirName"].asString())), QDir(dir));
  EXPECT_TRUE(w->informationPanel()->destinationLabel()->text().startsWith(QStringLiteral("<b>Destination:</b> /")));

  // Cancelling keeps what was chosen.
  onNextModal<QFileDialog>([](QFileDialog* d) { d->reject(); });
  w->chooseOutputDirectory();
  EXPECT_EQ(QDir(QString::fromStdString(w->session().config()["outputDirName"].asString())), QDir(dir));
}

TEST(AboutDialog, ShowsBothVersionsModallyAndClosesWithOk) {
  auto w = uitest::makeWindow();
  w->show();
  QStringList texts;
  bool modal = false;
  onNextModal<AboutDialog>([&](AboutDialog* d) {
    modal = d->isModal() && QApplication::activeModalWidget() == d;
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Version"));
    for (QLabel* label : d->findChildren<QLabel*>()) texts << label->text();
    d->findChild<QPushButton*>()->click();
  });
  w->showAbout();
  EXPECT_TRUE(modal);
  EXPECT_EQ(texts, (QStringList{"ZRL_decoder version TARVIK_2026-04_002-18", "ZRL format version 4"}));
  EXPECT_TRUE(w->findChildren<AboutDialog*>().isEmpty());
}

TEST(WindowLifetime, ExitClosesTheWindowAndItsControllerGoesWithIt) {
  auto w = uitest::makeWindow();
  const QPointer<DecodeController> controller(&w->controller());
  EXPECT_EQ(controller->parent(), w.get());
  w->show();
  w->exitApplication();
  EXPECT_FALSE(w->isVisible());
  w.reset();
  EXPECT_TRUE(controller.isNull());
}

TEST(WindowStatus, ALoadedConfigurationActsAtOnceOnTheOpenLog) {
  auto w = uitest::windowWithLog();
  const QString path = QDir::homePath() + QStringLiteral("/loaded.json");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(R"({"frequency": "10", "typeFilter_string": false, "typeFilter_bool": false})");
  file.close();
  onNextModal<QFileDialog>([&](QFileDialog* d) {
    d->selectFile(path);
    QMetaObject::invokeMethod(d, "accept");
  });
  w->loadConfigFromDialog();
  EXPECT_EQ(w->resamplingPanel()->frequencyBox()->currentText(), QStringLiteral("10"));
  EXPECT_EQ(uitest::visibleNames(*w), (QStringList{"Bus.Frame", "Clock.Stamp", "Engine.Rpm", "Engine.Speed",
                                                   "Engine.Torque", "Misc.Odd"}));
  w->saveCurrentConfig();
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains("\"frequency\" : \"10\""));
}
