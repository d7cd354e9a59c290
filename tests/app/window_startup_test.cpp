// The window's start-up, configuration file and decode action, driven the
// way a user drives them.
#include <gtest/gtest.h>

#include "session/Session.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QImage>
#include <QLCDNumber>
#include <QLabel>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

#include <memory>
#include <ostream>

#include "common/StartupOptions.h"
#include "config/RememberedConfig.h"
#include "task/DecodeProgress.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ProcessRunner.h"
#include "tools/zrlwriter/ZrlWriter.h"
#include "task/DecodeController.h"
#include "ui/MonitorWindow.h"
#include "ui/panels/CsvOptionsPanel.h"
#include "ui/panels/DecodePanel.h"
#include "ui/panels/InformationPanel.h"
#include "ui/panels/ProgressPanel.h"
#include "ui/panels/QueuePanel.h"
#include "ui/panels/ResamplingPanel.h"
#include "ui/panels/VariableListPanel.h"
#include "ui/panels/FiltersPanel.h"

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

using zrltest::readFile;
using zrltest::writeFile;

void forgetRemembered() { QSettings("Tessaline", "ZRL_decoder").remove("lastConfigFile"); }

std::unique_ptr<MonitorWindow> openWindow(const StartupOptions& options) {
  auto window = std::make_unique<MonitorWindow>(options);
  QCoreApplication::processEvents();
  return window;
}

TEST(WindowStartup, WithoutConfigurationTheScratchFileIsEmptiedAndShownAsDefault) {
  forgetRemembered();
  const std::string scratch = defaultConfigPath().toStdString();
  QDir().mkpath(QFileInfo(defaultConfigPath()).path());
  writeFile(scratch, "{\"utc\": false}");
  auto window = openWindow(StartupOptions());
  EXPECT_EQ(window->session().configPath().toStdString(), scratch);
  EXPECT_EQ(readFile(scratch), "");
  EXPECT_TRUE(window->csvOptionsPanel()->utcBox()->isChecked());
  EXPECT_FALSE(window->csvOptionsPanel()->millisecondsBox()->isChecked());
  EXPECT_EQ(window->informationPanel()->configurationLabel()->text(), "<b>Configuration:</b> (default)");
}

TEST(WindowConfiguration, LoadedFileIsAppliedAndSavedBackWithItsOtherKeys) {
  forgetRemembered();
  // Named like the scratch file but outside the temporary directory: a
  // configuration of its own.
  const std::string path = QDir::homePath().toStdString() + "/decoderConf.json";
  writeFile(path, R"({
    "utc": false, "milliseconds": true, "cell_filling": false, "units": true,
    "floatFormat": "5 decimals", "columnSeparator": "tab", "decimalSeparator": ",",
    "method": "Max", "aggregation": "Min", "zrl": "/somewhere/log.zrl", "custom": [1, "two"],
    "var": ["Engine.Speed", "Engine.Rpm", "Engine.Speed"], "aliasVal": ["S", "R", "ignored"],
    "maxVar": ["S [Engine.Speed]"], "maxVal": ["120"], "minVar": ["Engine.Rpm"], "minVal": ["5"],
    "outputDirName": "/out", "inputDirName": "/in", "typeFilter_string": false })");
  StartupOptions options;
  options.confPath = path;
  auto window = openWindow(options);
  MonitorWindow* ui = window.get();
  EXPECT_FALSE(ui->csvOptionsPanel()->utcBox()->isChecked());
  EXPECT_TRUE(ui->csvOptionsPanel()->millisecondsBox()->isChecked());
  EXPECT_EQ(ui->csvOptionsPanel()->cellFillBox()->currentIndex(), 1);
  EXPECT_TRUE(ui->csvOptionsPanel()->unitLineBox()->isChecked());
  EXPECT_EQ(ui->csvOptionsPanel()->floatFormatBox()->currentText(), "5 decimals");
  EXPECT_EQ(ui->csvOptionsPanel()->columnSeparatorBox()->currentText(), "tab");
  EXPECT_EQ(ui->csvOptionsPanel()->decimalSeparatorBox()->currentText(), ",");
  EXPECT_EQ(ui->resamplingPanel()->methodBox()->currentText(), "Min");
  EXPECT_FALSE(ui->findChild<QCheckBox*>("stringTypeCheckBox")->isChecked());
  EXPECT_EQ(window->session().inputFiles(), QStringList{"/somewhere/log.zrl"});
  EXPECT_EQ(aliasesToLists(window->session().aliases()), (QList<QStringList>{{"Engine.Speed", "S"}, {"Engine.Rpm", "R"}}));
  // Without a log nothing tells a full name from a display form: the names
  // stay as written until a log is loaded.
  EXPECT_EQ(conditionsToLists(window->session().conditions()), (QList<QStringList>{{"S [Engine.Speed]", "maximum", "120"},
                                                      {"Engine.Rpm", "minimum", "5"}}));
  EXPECT_EQ(ui->informationPanel()->destinationLabel()->text(), "<b>Destination:</b> /out");
  EXPECT_EQ(ui->informationPanel()->configurationLabel()->text(), "<b>Configuration:</b> decoderConf.json");

  window->saveCurrentConfig();
  EXPECT_EQ(ui->progressPanel()->bar()->format(), QString::fromUtf8("✅ Configuration saved successfully"));
  EXPECT_EQ(readFile(path),
            "{\n"
            "\t\"aggregation\" : \"Min\",\n"
            "\t\"aliasVal\" : \n\t[\n\t\t\"S\",\n\t\t\"R\"\n\t],\n"
            "\t\"cell_filling\" : false,\n"
            "\t\"columnSeparator\" : \"tab\",\n"
            "\t\"custom\" : \n\t[\n\t\t1,\n\t\t\"two\"\n\t],\n"
            "\t\"decimalSeparator\" : \",\",\n"
            "\t\"floatFormat\" : \"5 decimals\",\n"
            "\t\"frequency\" : \"None\",\n"
            "\t\"inputDirName\" : \"/in\",\n"
            "\t\"maxVal\" : \n\t[\n\t\t\"120\"\n\t],\n"
            "\t\"maxVar\" : \n\t[\n\t\t\"S [Engine.Speed]\"\n\t],\n"
            "\t\"method\" : \"Min\",\n"
            "\t\"milliseconds\" : true,\n"
            "\t\"minVal\" : \n\t[\n\t\t\"5\"\n\t],\n"
            "\t\"minVar\" : \n\t[\n\t\t\"Engine.Rpm\"\n\t],\n"
            "\t\"outputDirName\" : \"/out\",\n"
            "\t\"selected_vars\" : null,\n"
            "\t\"typeFilter_bool\" : true,\n"
            "\t\"typeFilter_float\" : true,\n"
            "\t\"typeFilter_int\" : true,\n"
            "\t\"typeFilter_string\" : false,\n"
            "\t\"units\" : true,\n"
            "\t\"utc\" : false,\n"
            "\t\"var\" : \n\t[\n\t\t\"Engine.Speed\",\n\t\t\"Engine.Rpm\"\n\t],\n"
            "\t\"zrl\" : \"/somewhere/log.zrl\"\n"
            "}");
  // Saved outside the temporary directory: remembered for the next start.
  EXPECT_EQ(findLastConfig(false).toStdString(), path);
  window.reset();
  forgetRemembered();
}

TEST(WindowConfiguration, MalformedFilesKeepTheDefaults) {
  forgetRemembered();
  const std::string dir = zrltest::makeTempSubdir("window-bad-config");
  for (const char* text : {"[1, 2]", "{\"utc\": \"no\", \"var\": 3, \"aliasVal\": [\"x\"], \"maxVar\": [\"A.a\"]}",
                           "{ not json"}) {
    const std::string path = dir + "/c.json";
    writeFile(path, text);
    StartupOptions options;
    options.confPath = path;
    auto window = openWindow(options);
    EXPECT_TRUE(window->csvOptionsPanel()->utcBox()->isChecked()) << text;
    EXPECT_TRUE(window->session().conditions().isEmpty()) << text;
    EXPECT_TRUE(window->session().aliases().isEmpty()) << text;
  }
}

// Answers the next file dialog with `path` once it is shown.
void answerFileDialog(const QString& path) {
  QTimer::singleShot(0, [path] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return answerFileDialog(path);
    dialog->selectFile(path);
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
}

TEST(WindowConfiguration, LoadedConfigurationBecomesTheOneSaveWrites) {
  forgetRemembered();
  const QString home = QDir::homePath();
  const QString first = home + "/first.json";
  const QString second = home + "/second.json";
  writeFile(first.toStdString(), R"({"utc": true})");
  writeFile(second.toStdString(), R"({"utc": false, "mine": 1})");
  StartupOptions options;
  options.confPath = first.toStdString();
  auto window = openWindow(options);

  answerFileDialog(second);
  window->loadConfigFromDialog();
  EXPECT_FALSE(window->csvOptionsPanel()->utcBox()->isChecked());
  EXPECT_EQ(window->informationPanel()->configurationLabel()->text(), "<b>Configuration:</b> second.json");
  EXPECT_EQ(findLastConfig(false), second);

  // "Save Config" writes the file the window names, never the earlier one.
  window->saveCurrentConfig();
  EXPECT_EQ(readFile(first.toStdString()), R"({"utc": true})");
  const std::string saved = readFile(second.toStdString());
  EXPECT_NE(saved.find("\"mine\" : 1"), std::string::npos) << saved;
  EXPECT_NE(saved.find("\"utc\" : false"), std::string::npos) << saved;
  window.reset();
  forgetRemembered();
}

struct LoadedWindow {
  std::string dir;
  std::unique_ptr<MonitorWindow> window;
  MonitorWindow* ui = nullptr;

  LoadedWindow(const std::string& hint, bool big) {
    forgetRemembered();
    dir = zrltest::makeTempSubdir(hint);
    const std::string log = dir + "/log.zrl";
    if (big) zrlwriter::writeBigFile(log, 48ull << 20);
    else zrlwriter::writeSampleFile(log);
    StartupOptions options;
    options.logPath = log;
    options.csvName = dir + "/out.csv";
    options.allData = true;
    window = openWindow(options);
    ui = window.get();
    // Long enough to act on while it runs, on any machine.
    if (big) window->controller().setPausePerReport(std::chrono::microseconds(300));
  }
  ~LoadedWindow() { QThreadPool::globalInstance()->waitForDone(); }

  // Runs the event loop until `done` or a generous limit.
  template <class Predicate>
  bool waitFor(Predicate done, int limitMs = 30000) {
    for (int waited = 0; waited < limitMs && !done(); waited += 5) QTest::qWait(5);
    return done();
  }
};

TEST(WindowDecode, RefusedDecodesStartNothing) {
  LoadedWindow w("window-refused", false);
  w.ui->csvOptionsPanel()->columnSeparatorBox()->setCurrentText(",");
  w.ui->csvOptionsPanel()->decimalSeparatorBox()->setCurrentText(",");
  QTest::mouseClick(w.ui->decodePanel()->button(), Qt::LeftButton);
  EXPECT_FALSE(w.window->decoding());
  EXPECT_EQ(w.ui->progressPanel()->bar()->format(),
            QString::fromUtf8("⚠️ ERROR: Decimal separator and column separator cannot be identical"));
  EXPECT_EQ(w.ui->progressPanel()->bar()->property("state").toString(), "error");

  w.ui->csvOptionsPanel()->columnSeparatorBox()->setCurrentText(";");
  w.ui->variableListPanel()->unselectAllButton()->click();
  EXPECT_FALSE(w.ui->decodePanel()->button()->isEnabled());
  QTest::mouseClick(w.ui->decodePanel()->button(), Qt::LeftButton);
  EXPECT_FALSE(w.window->decoding());
  EXPECT_FALSE(zrltest::fileExists(w.dir + "/out.csv"));
}

TEST(WindowDecode, DecodeRunsInTheBackgroundAndCompletes) {
  LoadedWindow w("window-decode", false);
  // The sample starts and ends a quarter second past a whole second; a
  // window picked to the second in the edits still means the whole file.
  auto wholeSecond = [](QDateTimeEdit* edit) {
    QDateTime t = edit->dateTime();
    edit->setDateTime(t.addMSecs(-t.time().msec()));
  };
  wholeSecond(w.ui->csvOptionsPanel()->startEdit());
  wholeSecond(w.ui->csvOptionsPanel()->endEdit());
  ASSERT_EQ(w.ui->csvOptionsPanel()->startEdit()->dateTime().time().msec(), 0);
  const QImage clockAtZero = w.ui->progressPanel()->clock()->grab().toImage();
  for (int i = 0; i < 5; ++i) w.window->progressPanel()->tick();  // what a previous run left
  QTest::mouseClick(w.ui->decodePanel()->button(), Qt::LeftButton);
  EXPECT_EQ(w.ui->progressPanel()->clock()->grab().toImage(), clockAtZero);
  EXPECT_TRUE(w.window->decoding());
  EXPECT_EQ(w.ui->decodePanel()->button()->text(), "Cancel");
  EXPECT_FALSE(w.ui->csvOptionsPanel()->utcBox()->isEnabled());
  ASSERT_TRUE(w.waitFor([&] { return !w.window->decoding(); }));
  // The success names the table and opens it, or its folder, through the
  // desktop's handlers.
  EXPECT_EQ(w.ui->progressPanel()->bar()->format(), QString::fromUtf8("✅ Written: ") + QString::fromStdString(w.dir + "/out.csv"));
  EXPECT_EQ(w.ui->progressPanel()->bar()->property("state").toString(), "success");
  QList<QUrl> opened;
  w.window->setUrlOpener([&](const QUrl& url) { opened << url; });
  ASSERT_TRUE(w.ui->progressPanel()->openCsvButton()->isVisibleTo(w.window.get()));
  ASSERT_TRUE(w.ui->progressPanel()->openFolderButton()->isVisibleTo(w.window.get()));
  w.ui->progressPanel()->openCsvButton()->click();
  w.ui->progressPanel()->openFolderButton()->click();
  EXPECT_EQ(opened, (QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(w.dir + "/out.csv")),
                                 QUrl::fromLocalFile(QString::fromStdString(w.dir))}));
  EXPECT_EQ(w.ui->decodePanel()->button()->text(), w.ui->decodePanel()->idleText());
  EXPECT_TRUE(w.ui->csvOptionsPanel()->utcBox()->isEnabled());
  EXPECT_EQ(w.window->controller().progressPercent(), 100);
  const std::string csv = readFile(w.dir + "/out.csv");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1801);  // heading and one row per timestamp
}

TEST(WindowDecode, CancelRemovesThePartialCsvAndSaysSo) {
  LoadedWindow w("window-cancel", true);
  QTest::mouseClick(w.ui->decodePanel()->button(), Qt::LeftButton);
  ASSERT_TRUE(w.window->decoding());
  ASSERT_TRUE(w.waitFor([&] {
    return w.window->controller().progressPercent() >= 5 && w.ui->decodePanel()->acceptsClicks();
  }));
  QTest::mouseClick(w.ui->decodePanel()->button(), Qt::LeftButton);  // same button: cancel
  // The click returns only once the task has stopped.
  EXPECT_EQ(QThreadPool::globalInstance()->activeThreadCount(), 0);
  EXPECT_FALSE(w.window->decoding());
  EXPECT_EQ(w.ui->decodePanel()->button()->text(), w.ui->decodePanel()->idleText());
  ASSERT_TRUE(w.waitFor([&] { return w.ui->progressPanel()->bar()->format() != "%p%"; }, 2000));
  EXPECT_EQ(w.ui->progressPanel()->bar()->format(), "Decode cancelled");
  EXPECT_EQ(w.ui->progressPanel()->bar()->property("state").toString(), "cancelled");
  EXPECT_LT(w.window->controller().progressPercent(), 100);
  EXPECT_FALSE(zrltest::fileExists(w.dir + "/out.csv"));
  EXPECT_FALSE(zrltest::fileExists(w.dir + "/out.csv.part"));
}

// The queue runs in the background: the window stays responsive and a
// cancel during the second of three files ends the whole queue.
TEST(WindowDecode, CancelDuringTheSecondOfThreeFilesStopsTheQueue) {
  forgetRemembered();
  const std::string dir = zrltest::makeTempSubdir("window-queue-cancel");
  const std::vector<std::string> logs = {dir + "/AAAA.zrl", dir + "/BBBB.zrl", dir + "/CCCC.zrl"};
  zrlwriter::writeSampleFile(logs[0]);
  zrlwriter::writeBigFile(logs[1], 48ull << 20);
  zrlwriter::writeSampleFile(logs[2]);
  StartupOptions options;
  options.logPath = logs[0];
  options.allData = true;
  auto window = openWindow(options);
  window->controller().setPausePerReport(std::chrono::microseconds(300));
  window->session().setConfigValue("outputDirName", dir);
  QStringList files;
  for (const std::string& log : logs) files << QString::fromStdString(log);
  window->session().setInputFiles(files);
  QTest::mouseClick(window->decodePanel()->button(), Qt::LeftButton);
  const auto secondUnderWay = [&] {
    return window->informationPanel()->fileLabel()->text() == "<b>File:</b> BBBB.zrl" &&
           window->controller().progressPercent() >= 5 && window->decodePanel()->acceptsClicks();
  };
  for (int waited = 0; waited < 30000 && !secondUnderWay(); waited += 5)
    QTest::qWait(5);
  ASSERT_EQ(window->informationPanel()->fileLabel()->text(), "<b>File:</b> BBBB.zrl");
  ASSERT_TRUE(window->decoding());
  QTest::mouseClick(window->decodePanel()->button(), Qt::LeftButton);  // Cancel
  EXPECT_FALSE(window->decoding());
  QTest::qWait(50);
  EXPECT_EQ(window->progressPanel()->bar()->format(), "Decode cancelled");
  const QStringList written = QDir(QString::fromStdString(dir)).entryList({"*.csv", "*.part"});
  EXPECT_EQ(written, QStringList{"AAAA-20260314-092653.csv"});
}

TEST(WindowDecode, SeveralFilesAreDecodedOneAfterAnother) {
  forgetRemembered();
  const std::string dir = zrltest::makeTempSubdir("window-several");
  const std::string first = dir + "/ABCDEF.zrl";
  const std::string second = dir + "/XY.zrl";
  zrlwriter::writeSampleFile(first);
  zrlwriter::writeSampleFile(second, 3);
  StartupOptions options;
  options.logPath = first;
  options.allData = true;
  auto window = openWindow(options);
  window->session().setConfigValue("outputDirName", dir);
  window->session().setInputFiles(QStringList{QString::fromStdString(first), QString::fromStdString(second)});
  QTest::mouseClick(window->decodePanel()->button(), Qt::LeftButton);
  // Both run in the background, one after the other; the second is loaded.
  EXPECT_TRUE(window->decoding());
  for (int waited = 0; waited < 20000 && window->decoding(); waited += 5) QTest::qWait(5);
  ASSERT_FALSE(window->decoding());
  EXPECT_EQ(window->informationPanel()->fileLabel()->text(), "<b>File:</b> XY.zrl");
  EXPECT_TRUE(zrltest::fileExists(dir + "/ABCD-20260314-092653.csv"));
  EXPECT_TRUE(zrltest::fileExists(dir + "/XY-20260314-092653.csv"));
  QCoreApplication::processEvents();
  EXPECT_FALSE(window->decoding());
  EXPECT_EQ(window->progressPanel()->bar()->format(), QString::fromUtf8("✅ 2 files written to ") + QString::fromStdString(dir));
}

TEST(WindowDecode, ErrorsReachTheProgressBar) {
  forgetRemembered();
  const std::string dir = zrltest::makeTempSubdir("window-error");
  const std::string log = dir + "/log.zrl";
  zrlwriter::writeSampleFile(log);
  StartupOptions options;
  options.logPath = log;
  options.csvName = dir + "/missing-dir/out.csv";  // cannot be created
  options.allData = true;
  auto window = openWindow(options);
  QTest::mouseClick(window->decodePanel()->button(), Qt::LeftButton);
  for (int waited = 0; waited < 10000 && window->decoding(); waited += 5) QTest::qWait(5);
  EXPECT_FALSE(window->decoding());
  const QString error = window->controller().problemText();
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(window->progressPanel()->bar()->format(), "Error while decoding: " + error);
  EXPECT_EQ(window->progressPanel()->bar()->property("state").toString(), "error");
}

// Two sample logs dropped on the window, every variable ticked once: both
// tables equal what batch runs of the same files write.
TEST(WindowDecode, DroppedFilesDecodeLikeBatchRuns) {
  forgetRemembered();
  const std::string dir = zrltest::makeTempSubdir("window-drop");
  const std::vector<std::string> logs = {dir + "/ABCDEF.zrl", dir + "/XY.zrl"};
  zrlwriter::writeSampleFile(logs[0]);
  zrlwriter::writeSampleFile(logs[1], 3);
  auto window = openWindow(StartupOptions());
  window->session().setConfigValue("outputDirName", dir);
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(logs[0])), QUrl::fromLocalFile(QString::fromStdString(logs[1]))});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &drop);
  window->variableListPanel()->selectAllButton()->click();
  QTest::mouseClick(window->decodePanel()->button(), Qt::LeftButton);
  for (int waited = 0; waited < 20000 && window->decoding(); waited += 5) QTest::qWait(5);
  ASSERT_FALSE(window->decoding());
  EXPECT_EQ(window->progressPanel()->bar()->format(), QString::fromUtf8("✅ 2 files written to ") + QString::fromStdString(dir));

  const std::vector<std::string> tables = {dir + "/ABCD-20260314-092653.csv", dir + "/XY-20260314-092653.csv"};
  for (std::size_t i = 0; i < logs.size(); ++i) {
    const std::string batchCsv = dir + "/batch" + std::to_string(i) + ".csv";
    const auto run = zrltest::runProgram(zrltest::decoderProgram(),
                                         {"--batch", "--alldata", "--zrl", logs[i], "--csv", batchCsv});
    ASSERT_EQ(run.exitStatus, 0) << run.out;
    const std::string table = readFile(tables[i]), batch = readFile(batchCsv);
    EXPECT_GT(table.size(), 1000u) << tables[i];
    EXPECT_TRUE(table == batch) << tables[i] << ": " << table.size() << " bytes, batch " << batch.size();
  }
}

TEST(WindowDecode, ALaterFileWithoutTheSelectionIsSkippedAndReported) {
  forgetRemembered();
  const std::string dir = zrltest::makeTempSubdir("window-skip");
  const std::string sample = dir + "/ABCDEF.zrl";
  const std::string other = dir + "/OTHER.zrl";
  zrlwriter::writeSampleFile(sample);
  zrlwriter::ZrlHead head;
  head.setTimeSpan(1772704800000, 1772704810000);
  head.groups = {{0, "Elsewhere"}};
  head.addVariable(1, 0, zrlwriter::kInteger, "Count");
  zrlwriter::writeZrlFile(other, head, std::string());
  StartupOptions options;
  options.logPath = sample;
  auto window = openWindow(options);
  window->session().setConfigValue("outputDirName", dir);
  window->variableListPanel()->list()->item(0)->setCheckState(Qt::Checked);
  window->session().setInputFiles({QString::fromStdString(sample), QString::fromStdString(other)});
  QTest::mouseClick(window->decodePanel()->button(), Qt::LeftButton);
  for (int waited = 0; waited < 20000 && window->decoding(); waited += 5) QTest::qWait(5);
  ASSERT_FALSE(window->decoding());
  EXPECT_EQ(window->progressPanel()->bar()->format(),
            QString::fromUtf8("⚠️ OTHER.zrl: none of the selected variables, skipped"));
  EXPECT_EQ(window->progressPanel()->bar()->property("state").toString(), "error");
  EXPECT_TRUE(zrltest::fileExists(dir + "/ABCD-20260314-092653.csv"));
  EXPECT_EQ(QDir(QString::fromStdString(dir)).entryList({"OTHE*.csv"}).size(), 0);
}

// Several logs chosen together are listed, the one shown marked, and each
// ends with what became of it.
TEST(WindowDecode, QueuedLogsAreListedWithAResultEach) {
  forgetRemembered();
  const std::string dir = zrltest::makeTempSubdir("window-queue-list");
  const std::vector<std::string> logs = {dir + "/AAAA.zrl", dir + "/BAD.zrl", dir + "/CCCC.zrl"};
  zrlwriter::writeSampleFile(logs[0]);
  writeFile(logs[1], "not a log file at all");
  zrlwriter::writeSampleFile(logs[2], 3);
  auto window = openWindow(StartupOptions());
  window->session().setConfigValue("outputDirName", dir);
  QStringList files;
  for (const std::string& log : logs) files << QString::fromStdString(log);
  window->openLogFiles(files);
  QueuePanel* queue = window->queuePanel();
  ASSERT_TRUE(queue->isVisibleTo(window.get()));
  EXPECT_EQ(queue->list()->count(), 3);
  EXPECT_EQ(queue->currentIndex(), 0);
  window->variableListPanel()->selectAllButton()->click();
  QTest::mouseClick(window->decodePanel()->button(), Qt::LeftButton);
  for (int waited = 0; waited < 20000 && window->decoding(); waited += 5) QTest::qWait(5);
  ASSERT_FALSE(window->decoding());
  EXPECT_EQ(queue->currentIndex(), 2);
  const QString arrow = QString::fromUtf8("\n      \u2192 ");
  EXPECT_TRUE(queue->lineText(0).endsWith(arrow + "AAAA-20260314-092653.csv")) << queue->lineText(0).toStdString();
  EXPECT_TRUE(queue->lineText(1).endsWith("Cannot read BAD.zrl: Unable to read magic section")) << queue->lineText(1).toStdString();
  EXPECT_TRUE(queue->lineText(2).endsWith(arrow + "CCCC-20260314-092653.csv")) << queue->lineText(2).toStdString();
  EXPECT_TRUE(queue->list()->item(0)->toolTip().endsWith(QString::fromStdString(dir) + "/AAAA-20260314-092653.csv"));
  EXPECT_EQ(window->progressPanel()->statusText(),
            QString::fromUtf8("⚠️ BAD.zrl: Cannot read BAD.zrl: Unable to read magic section"));
}

// A click that comes late for Cancel, as the decode ends, starts nothing.
TEST(WindowDecode, ALateClickOnCancelStartsNoSecondDecode) {
  LoadedWindow w("window-late-click", true);  // long enough to press during it
  QPushButton* button = w.ui->decodePanel()->button();
  QTest::mouseClick(button, Qt::LeftButton);
  ASSERT_TRUE(w.window->decoding());
  QTest::mouseClick(button, Qt::LeftButton);  // at once: meant for Decode, not Cancel
  EXPECT_TRUE(w.window->decoding());
  ASSERT_TRUE(w.waitFor([&] { return w.ui->decodePanel()->acceptsClicks(); }));
  ASSERT_TRUE(w.window->decoding());
  QTest::mousePress(button, Qt::LeftButton);  // pressed on Cancel...
  ASSERT_TRUE(w.waitFor([&] { return !w.window->decoding(); }));
  QTest::mouseRelease(button, Qt::LeftButton);  // ...released on Decode
  QTest::mouseClick(button, Qt::LeftButton);  // right after the change of face
  EXPECT_FALSE(w.window->decoding());
  EXPECT_EQ(QDir(QString::fromStdString(w.dir)).entryList({"*.csv*"}), QStringList{"out.csv"});
}

TEST(WindowDecode, EscapeCancelsARunningDecode) {
  LoadedWindow w("window-escape", true);
  w.window->show();
  w.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));
  QTest::mouseClick(w.ui->decodePanel()->button(), Qt::LeftButton);
  ASSERT_TRUE(w.waitFor([&] { return w.window->controller().progressPercent() >= 5; }));
  QTest::keyClick(w.ui->variableListPanel()->list(), Qt::Key_Escape);
  EXPECT_FALSE(w.window->decoding());
  EXPECT_EQ(w.ui->progressPanel()->bar()->format(), "Decode cancelled");
  EXPECT_FALSE(zrltest::fileExists(w.dir + "/out.csv"));
  EXPECT_FALSE(zrltest::fileExists(w.dir + "/out.csv.part"));
}

// The configuration dialogs start in the current configuration's folder; a
// name saved without an extension gets ".json", and loading lists every file.
TEST(WindowConfiguration, DialogsStartBesideTheConfigurationAndSaveAddsJson) {
  forgetRemembered();
  const QString dir = QString::fromStdString(zrltest::makeTempSubdir("config-dialogs"));
  writeFile((dir + "/current.json").toStdString(), "{}");
  StartupOptions options;
  options.confPath = (dir + "/current.json").toStdString();
  auto window = openWindow(options);
  QString shownDir, shownFilter;
  auto answer = [&](const QString& path) {
    QTimer::singleShot(0, [&, path] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_TRUE(dialog);
      shownDir = dialog->directory().absolutePath();
      shownFilter = dialog->selectedNameFilter();
      dialog->selectFile(path);
      QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
  };
  answer(dir + "/mine");
  window->saveConfigAs();
  EXPECT_EQ(shownDir, dir);
  EXPECT_TRUE(QFileInfo::exists(dir + "/mine.json"));
  EXPECT_EQ(window->session().configPath(), dir + "/mine.json");
  answer(dir + "/mine.json");
  window->loadConfigFromDialog();
  EXPECT_EQ(shownDir, dir);
  EXPECT_EQ(shownFilter, "All Files (*)");
  window.reset();
  forgetRemembered();
}

}  // namespace
