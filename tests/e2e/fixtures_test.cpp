// Conformance cases kept as text under tests/fixtures/<case>/:
//   log.zrldesc        description of the log file (made with zrl-gen --description)
//   command            the decoder's arguments, one per line; {log}, {dir}
//                      and {fixture} stand for the generated log, the case's
//                      scratch directory and the case's folder
//   config.json        optional; copied to {dir}/config.json
//   expected.stdout    optional; the exact standard output ({dir} as above)
//   expected.stderr    optional; the exact standard error ({dir} as above)
//   expected.csv       optional; the exact content of {dir}/out.csv
//   expected.status    optional; the exit status (default 0)
//   timezone           optional; the TZ the program runs with
// Only folders with a `command` file are cases of this runner.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/DecoderSandbox.h"

namespace {

using zrltest::fileExists;
using zrltest::readFile;

std::vector<std::string> fixtureCases() {
  std::vector<std::string> cases;
  const std::string root = zrltest::sourceDir() + "/tests/fixtures";
  if (DIR* dir = opendir(root.c_str())) {
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != ".." && fileExists(root + "/" + name + "/command")) cases.push_back(name);
    }
    closedir(dir);
  }
  std::sort(cases.begin(), cases.end());
  return cases;
}

std::string substitute(std::string text, const std::string& key, const std::string& value) {
  for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
    text.replace(at, key.size(), value);
  return text;
}

class ProgramFixtureTest : public testing::TestWithParam<std::string> {};

TEST_P(ProgramFixtureTest, MatchesItsExpectedOutput) {
  const std::string name = GetParam();
  const std::string folder = zrltest::sourceDir() + "/tests/fixtures/" + name;
  zrltest::DecoderSandbox box("fixture-" + name);
  const std::string log = box.makeLog("log.zrl", readFile(folder + "/log.zrldesc"));
  ASSERT_FALSE(log.empty());
  if (fileExists(folder + "/config.json"))
    zrltest::writeFile(box.work + "/config.json", readFile(folder + "/config.json"));

  std::vector<std::string> args;
  std::istringstream lines(readFile(folder + "/command"));
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) continue;
    line = substitute(substitute(substitute(line, "{log}", log), "{dir}", box.work), "{fixture}", folder);
    args.push_back(line);
  }
  // An optional "timezone" file holds the TZ of the run, for local times.
  std::vector<std::pair<std::string, std::string>> environment = box.environment();
  if (fileExists(folder + "/timezone")) {
    std::string zone = readFile(folder + "/timezone");
    while (!zone.empty() && (zone.back() == '\n' || zone.back() == ' ')) zone.pop_back();
    environment.emplace_back("TZ", zone);
  }
  const zrltest::ProcessResult r = zrltest::runProgram(zrltest::decoderProgram(), args, environment, 60);
  const int expectedStatus =
      fileExists(folder + "/expected.status") ? std::stoi(readFile(folder + "/expected.status")) : 0;
  EXPECT_EQ(r.exitStatus, expectedStatus) << r.out << r.err;
  if (fileExists(folder + "/expected.stdout")) {
    EXPECT_EQ(r.out, substitute(readFile(folder + "/expected.stdout"), "{dir}", box.work));
  }
  if (fileExists(folder + "/expected.stderr")) {
    EXPECT_EQ(r.err, substitute(readFile(folder + "/expected.stderr"), "{dir}", box.work));
  }
  if (fileExists(folder + "/expected.csv")) {
    EXPECT_EQ(readFile(box.work + "/out.csv"), readFile(folder + "/expected.csv"));
  }
}

// Without any case gtest reports the suite as never instantiated: a moved
// fixtures folder fails instead of passing empty.
INSTANTIATE_TEST_SUITE_P(Fixtures, ProgramFixtureTest, testing::ValuesIn(fixtureCases()),
                         [](const testing::TestParamInfo<std::string>& testCase) {
                           std::string name = testCase.param;
                           for (char& c : name) {
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
