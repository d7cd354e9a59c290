// The decode task on the global thread pool: completion after every run,
// a task that can run again, and cancellation that leaves a partial CSV.
#include <gtest/gtest.h>

#include <QThreadPool>

#include <atomic>
#include <memory>

#include "decode/Decoder.h"
#include "task/DecoderRunnable.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tools/zrlwriter/ZrlWriter.h"

using namespace zrl;

namespace {

std::atomic<int> completions{0};
void countCompletion(DecoderRunnable*) { ++completions; }

std::unique_ptr<Decoder> decoderFor(const std::string& path, ProgressCallback cb = {}) {
  return std::make_unique<Decoder>(path, false, std::move(cb));
}

TEST(DecoderRunnable, RunsOnThePoolAndCompletesEveryTime) {
  const std::string dir = zrltest::makeTempSubdir("runnable");
  const std::string log = dir + "/sample.zrl";
  zrlwriter::writeSampleFile(log);
  completions = 0;
  DecoderRunnable task(decoderFor(log), &countCompletion);
  EXPECT_FALSE(task.autoDelete());
  task.decoder().setOutputPath(dir + "/out.csv");
  QThreadPool::globalInstance()->start(&task);
  QThreadPool::globalInstance()->waitForDone();
  EXPECT_EQ(completions.load(), 1);
  EXPECT_TRUE(zrltest::fileExists(dir + "/out.csv"));

  // The same task decodes again; the first CSV is kept.
  QThreadPool::globalInstance()->start(&task);
  QThreadPool::globalInstance()->waitForDone();
  EXPECT_EQ(completions.load(), 2);
  EXPECT_TRUE(zrltest::fileExists(dir + "/out (2).csv"));
}

TEST(DecoderRunnable, CancelStopsEarlyWithoutError) {
  const std::string dir = zrltest::makeTempSubdir("runnable-cancel");
  const std::string log = dir + "/big.zrl";
  zrlwriter::writeBigFile(log, 32ull << 20);
  std::atomic<bool> errorSeen{false};
  std::atomic<uint64_t> lastRead{0};
  completions = 0;
  DecoderRunnable task(decoderFor(log,
                                  [&](uint64_t read, uint64_t, const std::string& message) {
                                    lastRead = read;
                                    if (!message.empty()) errorSeen = true;
                                  }),
                       &countCompletion);
  task.decoder().setOutputPath(dir + "/out.csv");
  QThreadPool::globalInstance()->start(&task);
  while (lastRead.load() < (1ull << 20)) QThread::msleep(1);
  task.decoder().requestCancel();
  QThreadPool::globalInstance()->waitForDone();
  EXPECT_EQ(completions.load(), 1);
  EXPECT_FALSE(errorSeen.load());
  EXPECT_LT(lastRead.load(), 30ull << 20);
  EXPECT_TRUE(task.decoder().cancelled());
  EXPECT_FALSE(zrltest::fileExists(dir + "/out.csv"));
}

}  // namespace
