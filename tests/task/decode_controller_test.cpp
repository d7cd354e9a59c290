// The controller runs a decode on its own: no window, the request built by
// hand, progress and completion through its signals.
#include <gtest/gtest.h>

#include <QTest>
#include <QThread>

#include <algorithm>
#include <memory>

#include "common/StartupOptions.h"
#include "decode/Decoder.h"
#include "task/DecodeController.h"
#include "task/DecoderRunnable.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tools/zrlwriter/ZrlPresets.h"

using namespace zrl;

namespace {

struct Run {
  std::string dir;
  QString log;
  std::unique_ptr<DecodeController> controller;
  int started = 0;
  int finished = 0;
  QThread* finishedOn = nullptr;
  QStringList refusals;
};

std::unique_ptr<Run> controllerWithSample(const char* name) {
  processFlags() = ProcessFlags{};
  auto run = std::make_unique<Run>();
  run->dir = zrltest::makeTempSubdir(name);
  run->log = QString::fromStdString(run->dir + "/sample.zrl");
  zrlwriter::writeSampleFile(run->log.toStdString());
  StartupOptions options;
  options.csvName = run->dir + "/out.csv";
  run->controller = std::make_unique<DecodeController>(options);
  DecodeController& c = *run->controller;
  QObject::connect(&c, &DecodeController::decodeStarted, [r = run.get()] { ++r->started; });
  QObject::connect(&c, &DecodeController::decodeFinished, [r = run.get()] {
    ++r->finished;
    r->finishedOn = QThread::currentThread();
  });
  QObject::connect(&c, &DecodeController::decodeRefused, [r = run.get()](const QString& why) { r->refusals << why; });
  c.setInputFiles({run->log});
  c.openLog(run->log);
  return run;
}

DecodeRequest everyVariable(const Decoder& log) {
  DecodeRequest request;
  for (const VariableListing& variable : log.listVariables()) request.selected.push_back(variable.id);
  request.checkedVariables = static_cast<int>(request.selected.size());
  request.floatFormat = QStringLiteral("3 decimals");
  request.columnSeparator = QStringLiteral(";");
  request.decimalSeparator = QStringLiteral(".");
  request.method = QStringLiteral("Median");
  request.frequency = QStringLiteral("None");
  request.start = QDateTime::fromMSecsSinceEpoch(log.fileStartMs(), Qt::UTC);
  request.end = QDateTime::fromMSecsSinceEpoch(log.fileEndMs(), Qt::UTC);
  return request;
}

TEST(DecodeController, DecodesALogFileWithoutAWindow) {
  auto run = controllerWithSample("controller-decode");
  DecodeController& c = *run->controller;
  ASSERT_NE(c.decoder(), nullptr);
  const DecodeRequest request = everyVariable(c.decoder()->decoder());
  ASSERT_GT(request.checkedVariables, 0);
  c.decodeInputFiles([&] { return request; });
  EXPECT_EQ(run->started, 1);
  EXPECT_TRUE(c.processing());
  ASSERT_TRUE(QTest::qWaitFor([&] { return run->finished == 1; }, 60000));
  EXPECT_EQ(run->finishedOn, QThread::currentThread()) << "completion comes back to the controller's thread";
  EXPECT_FALSE(c.processing());
  EXPECT_TRUE(c.errorText().isEmpty()) << c.errorText().toStdString();
  EXPECT_EQ(c.progressPercent(), 100);
  const std::string csv = zrltest::readFile(run->dir + "/out.csv");
  EXPECT_GT(std::count(csv.begin(), csv.end(), '\n'), 1);
}

TEST(DecodeController, RefusesWhatCannotDecode) {
  auto run = controllerWithSample("controller-refuse");
  DecodeController& c = *run->controller;
  ASSERT_NE(c.decoder(), nullptr);
  DecodeRequest none = everyVariable(c.decoder()->decoder());
  none.checkedVariables = 0;
  DecodeRequest sameSeparators = everyVariable(c.decoder()->decoder());
  sameSeparators.decimalSeparator = sameSeparators.columnSeparator = QStringLiteral(",");
  c.decodeInputFiles([&] { return none; });
  c.decodeInputFiles([&] { return sameSeparators; });
  EXPECT_EQ(run->refusals.size(), 2);
  EXPECT_EQ(run->started, 0);
  EXPECT_FALSE(c.processing());
  EXPECT_FALSE(zrltest::fileExists(run->dir + "/out.csv"));
}

}  // namespace
