// What a batch run leaves behind and says about its output: a stopped run
// leaves no file, a finished one names the file it wrote.
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "tests/e2e/DecoderSandbox.h"

namespace {

using zrltest::DecoderSandbox;
using zrltest::fileExists;
using zrltest::readFile;
using zrltest::writeFile;

const char kLog[] = R"(version 4
times 1700000000000 1700000002000
group 1 Engine
var 2 1 int Rpm
ts 0
int 2 800
ts 1000
int 2 900
ts 2000
)";

const std::string kCsv =
    "\xEF\xBB\xBF"
    "Date;Hour;Engine_Rpm\r\n"
    "14/11/2023;22:13:20;800\r\n"
    "14/11/2023;22:13:21;900\r\n"
    "14/11/2023;22:13:22;900\r\n";

std::size_t entriesIn(const std::string& dir) {
  std::size_t count = 0;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (const dirent* e = ::readdir(d)) count += e->d_name[0] != '.';
    ::closedir(d);
  }
  return count;
}

// A signal stops the decode at its next record: the partial table is
// removed and the run ends with 128 + the signal's number.
TEST(OutputIntegrity, SignalsStopTheDecodeAndLeaveNoFile) {
  DecoderSandbox box("signals");
  const std::string log = box.work + "/big.zrl";
  const auto made = zrltest::runProgram(zrltest::generatorProgram(),
                                        {"--preset", "big", "--size-mb", "100", "--output", log, "--quiet"});
  ASSERT_EQ(made.exitStatus, 0) << made.err;
  const struct {
    int signal;
    int status;
  } cases[] = {{SIGTERM, 143}, {SIGINT, 130}, {SIGHUP, 129}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.signal);
    const std::string outDir = box.root + "/out-" + std::to_string(c.signal);
    ASSERT_EQ(::mkdir(outDir.c_str(), 0700), 0);
    const std::string csv = outDir + "/big.csv";
    std::atomic<bool> sent{false};
    std::thread sender;
    const auto r = box.runDecoder(
        {"--batch", "--alldata", "--zrl", log, "--csv", csv}, 120, [&](int pid) {
          sender = std::thread([&, pid] {
            // Signalled once the decode writes, so that it is stopped mid-way.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (!fileExists(csv + ".part") && std::chrono::steady_clock::now() < deadline)
              std::this_thread::sleep_for(std::chrono::milliseconds(5));
            sent = ::kill(pid, c.signal) == 0;
          });
        });
    sender.join();
    ASSERT_TRUE(sent);
    EXPECT_EQ(r.exitStatus, c.status) << r.out << r.err;
    EXPECT_NE(r.out.find("Decode cancelled\n"), std::string::npos) << r.out;
    EXPECT_EQ(entriesIn(outDir), 0u);
  }
}

// The renamed file is the one named, in the summary and at the end.
TEST(OutputIntegrity, ARunNamesTheFileItWrote) {
  DecoderSandbox box("named");
  const std::string log = box.makeLog("engine.zrl", kLog);
  const std::string csv = box.work + "/results";
  writeFile(csv, "precious");
  auto r = box.runDecoder({"--batch", "--verbose", "--alldata", "--zrl", log, "--csv", csv});
  EXPECT_EQ(r.exitStatus, 0) << r.out;
  EXPECT_NE(r.out.find("  - CSV file : " + csv + " (2)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("100% \nCSV written: " + csv + " (2)\nSuccessfully done.\n"), std::string::npos)
      << r.out;
  EXPECT_EQ(readFile(csv), "precious");
  EXPECT_EQ(readFile(csv + " (2)"), kCsv);
}

// "-" puts the table on standard output and every message on standard error.
TEST(OutputIntegrity, TheTableCanGoToStandardOutput) {
  DecoderSandbox box("stdout");
  const std::string log = box.makeLog("engine.zrl", kLog);
  auto r = box.runDecoder({"--batch", "--verbose", "--alldata", "--zrl", log, "--csv", "-"});
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out, kCsv);
  EXPECT_NE(r.err.find("  - CSV file : -\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("\nSuccessfully done.\n"), std::string::npos) << r.err;
  EXPECT_EQ(entriesIn(box.work), 2u);  // the log and its description
}

}  // namespace
