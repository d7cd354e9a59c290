// What a batch run leaves behind and says about its output: a stopped run
// leaves no file, a finished one names the file it wrote.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The first of the usual places that holds `tool`; empty when none does.
std::string findTool(const std::string& tool) {
  for (const char* dir : {"/usr/sbin/", "/sbin/", "/usr/bin/", "/bin/"})
    if (::access((dir + tool).c_str(), X_OK) == 0) return dir + tool;
  return "";
}

// Whether process `pid` has `path` open.
bool hasOpen(int pid, const std::string& path) {
  const std::string fdDir = "/proc/" + std::to_string(pid) + "/fd";
  bool found = false;
  if (DIR* d = ::opendir(fdDir.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      char target[4096];
      const ssize_t n = ::readlink((fdDir + "/" + e->d_name).c_str(), target, sizeof target);
      found = found || (n > 0 && std::string(target, static_cast<std::size_t>(n)) == path);
    }
    ::closedir(d);
  }
  return found;
}

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
    EXPECT_NE(r.err.find("Decode cancelled\n"), std::string::npos) << r.err;
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

  // Asked to, the table takes the name itself, and nothing else is left.
  r = box.runDecoder({"--batch", "--force", "--alldata", "--zrl", log, "--csv", csv});
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out, "\nCSV written: " + csv + "\nSuccessfully done.\n");
  EXPECT_EQ(readFile(csv), kCsv);
  EXPECT_FALSE(fileExists(csv + " (3)"));
  EXPECT_FALSE(fileExists(csv + ".part"));
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
  EXPECT_EQ(r.err.find("CSV written"), std::string::npos) << r.err;
  EXPECT_EQ(entriesIn(box.work), 2u);  // the log and its description
}

// A ".part" that a crash left gives its name up, and its removal is told
// on standard error; one that a live run holds keeps its name. Either way
// the summary names the file then written.
TEST(OutputIntegrity, LeftoverPartFilesAndThePredictedName) {
  DecoderSandbox box("leftover");
  const std::string log = box.makeLog("engine.zrl", kLog);
  const struct {
    const char* name;
    bool live;
    const char* written;
  } cases[] = {{"crashed", false, "crashed.csv"}, {"live", true, "live (2).csv"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string csv = box.work + "/" + c.name + ".csv";
    const std::string part = csv + ".part";
    const std::string cut = "\xEF\xBB\xBF" "Date;Hour;Engine_Rpm\r\n14/11/2023;22:1";
    writeFile(part, cut);
    const int held = ::open(part.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, c.live ? LOCK_EX : LOCK_UN), 0);
    const auto r = box.runDecoder({"--batch", "--verbose", "--alldata", "--zrl", log, "--csv", csv});
    ::close(held);
    const std::string written = box.work + "/" + c.written;
    EXPECT_EQ(r.exitStatus, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("  - CSV file : " + written + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("CSV written: " + written + "\n"), std::string::npos) << r.out;
    EXPECT_EQ(readFile(written), kCsv);
    const std::string told = "Removed the abandoned output of an earlier run: " + part + "\n";
    EXPECT_EQ(r.err.find(told) != std::string::npos, !c.live) << r.err;
    EXPECT_EQ(fileExists(part), c.live);
    EXPECT_EQ(readFile(part), c.live ? cut : "");
  }
}

// A FIFO that nobody reads: the first stop signal ends the wait for a
// reader as it ends a decode.
TEST(OutputIntegrity, AStopEndsTheWaitForAFifosReader) {
  DecoderSandbox box("fifo");
  const std::string log = box.makeLog("engine.zrl", kLog);
  const std::string fifo = box.work + "/table";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread sender;
  const auto r = box.runDecoder({"--batch", "--alldata", "--zrl", log, "--csv", fifo}, 30, [&](int pid) {
    sender = std::thread([&, pid] {
      // The log is opened just before the output.
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (!hasOpen(pid, log) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      ::kill(pid, SIGTERM);
    });
  });
  sender.join();
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitStatus, 143) << r.out << r.err;
  EXPECT_NE(r.err.find("Decode cancelled\n"), std::string::npos) << r.err;
}

// Unmounts a FUSE volume when the test ends, however it ends.
struct FuseMount {
  std::string point;
  bool mounted = false;
  ~FuseMount() {
    if (mounted) zrltest::runProgram(findTool("fusermount"), {"-u", point});
  }
};

// A FAT volume (a USB stick) has neither hard links nor an exclusive
// rename; its tables are named all the same, and each run takes a name of
// its own.
TEST(OutputIntegrity, TablesOnAFatVolume) {
  const std::string mkfs = findTool("mkfs.vfat");
  const std::string fusefat = findTool("fusefat");
  if (mkfs.empty() || fusefat.empty() || findTool("fusermount").empty() || ::access("/dev/fuse", R_OK | W_OK) != 0)
    GTEST_SKIP() << "needs mkfs.vfat (dosfstools), fusefat and /dev/fuse";
  DecoderSandbox box("fat");
  const std::string log = box.makeLog("engine.zrl", kLog);
  const std::string image = box.root + "/fat.img";
  writeFile(image, "");
  ASSERT_EQ(::truncate(image.c_str(), 4 << 20), 0);
  ASSERT_EQ(zrltest::runProgram(mkfs, {image}).exitStatus, 0);
  FuseMount volume{box.root + "/stick"};
  ASSERT_EQ(::mkdir(volume.point.c_str(), 0700), 0);
  const auto mounted = zrltest::runProgram(fusefat, {"-o", "rw+", image, volume.point});
  if (mounted.exitStatus != 0) GTEST_SKIP() << "cannot mount a FAT image here: " << mounted.err;
  volume.mounted = true;
  const std::string csv = volume.point + "/engine.csv";
  for (const std::string& written : {csv, volume.point + "/engine (2).csv"}) {
    const auto r = box.runDecoder({"--batch", "--alldata", "--zrl", log, "--csv", csv});
    EXPECT_EQ(r.exitStatus, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("CSV written: " + written + "\n"), std::string::npos) << r.out;
    EXPECT_EQ(readFile(written), kCsv);
  }
  EXPECT_EQ(entriesIn(volume.point), 2u);
}

}  // namespace
