// Conformance cases: every folder of tests/fixtures with a "settings" file,
// a "log.zrldesc" description and an "expected.csv". The log file is written
// by our writer at test time, decoded with the settings, and the CSV file is
// compared byte for byte (see tests/fixtures/README.md).
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "config/ControlTexts.h"
#include "decode/Decoder.h"
#include "tests/support/CapturedDiagnostics.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tools/zrlwriter/ZrlWriter.h"

using namespace zrl;

namespace {

std::string fixturesDir() { return zrltest::sourceDir() + "/tests/fixtures"; }

std::vector<std::string> decodeCases() {
  std::vector<std::string> names;
  DIR* dir = opendir(fixturesDir().c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    const std::string base = fixturesDir() + "/" + name + "/";
    if (name[0] != '.' && zrltest::fileExists(base + "settings") &&
        zrltest::fileExists(base + "log.zrldesc") && zrltest::fileExists(base + "expected.csv")) {
      names.push_back(name);
    }
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::string trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// "key = value" lines in file order; "#" starts a comment line.
std::vector<std::pair<std::string, std::string>> readSettings(const std::string& path) {
  std::vector<std::pair<std::string, std::string>> settings;
  std::istringstream in(zrltest::readFile(path));
  std::string line;
  while (std::getline(in, line)) {
    const std::string t = trim(line);
    if (t.empty() || t[0] == '#') continue;
    const std::size_t eq = t.find('=');
    if (eq == std::string::npos) {
      ADD_FAILURE() << path << ": no '=' in: " << t;
      continue;
    }
    settings.emplace_back(trim(t.substr(0, eq)), trim(t.substr(eq + 1)));
  }
  return settings;
}

bool yes(const std::string& value) { return value == "true" || value == "yes" || value == "1"; }

// Restores TZ when the case changed it.
class TimeZoneGuard {
 public:
  TimeZoneGuard() {
    const char* tz = std::getenv("TZ");
    had_ = tz != nullptr;
    if (had_) saved_ = tz;
  }
  ~TimeZoneGuard() {
    if (had_) setenv("TZ", saved_.c_str(), 1); else unsetenv("TZ");
    tzset();
  }
  void set(const std::string& zone) {
    setenv("TZ", zone.c_str(), 1);
    tzset();
  }

 private:
  bool had_ = false;
  std::string saved_;
};

class FixtureTest : public testing::TestWithParam<std::string> {};

TEST_P(FixtureTest, DecodesToTheExpectedBytes) {
  const std::string caseDir = fixturesDir() + "/" + GetParam();
  const std::string work = zrltest::makeTempSubdir(GetParam());
  const std::string logPath = work + "/log.zrl";
  const zrlwriter::ZrlDescription description = zrlwriter::parseZrlDescriptionFile(caseDir + "/log.zrldesc");
  zrlwriter::writeZrlFile(logPath, description.head, description.body, description.options);

  std::vector<std::string> messages;
  Decoder decoder(logPath, false,
                  [&](uint64_t, uint64_t, const std::string& m) {
                    if (!m.empty()) messages.push_back(m);
                  });
  std::map<std::string, uint16_t> idOfName;
  for (const VariableListing& v : decoder.listVariables()) idOfName[v.fullName] = v.id;

  TimeZoneGuard timeZone;
  bool expectedResult = true;
  std::vector<std::string> expectedMessages;
  std::string expectedOutput = "out.csv", expectedPrinted;
  std::vector<AliasEntry> aliases;
  std::vector<RowFilterEntry> filters;
  bool selectionCleared = false;
  decoder.setOutputPath(work + "/out.csv");
  for (const auto& [key, value] : readSettings(caseDir + "/settings")) {
    if (key == "start") decoder.setStartMs(std::stoll(value));
    else if (key == "end") decoder.setEndMs(std::stoll(value));
    else if (key == "select") {
      if (!selectionCleared) decoder.clearSelection();
      selectionCleared = true;
      ASSERT_TRUE(idOfName.count(value)) << "no variable " << value;
      decoder.setSelected(idOfName[value], true);
    } else if (key == "column_separator") decoder.setColumnSeparator(columnSeparatorFromText(value));
    else if (key == "decimal_separator") decoder.setDecimalSeparator(decimalSeparatorFromText(value));
    else if (key == "float_format") decoder.setFloatFormat(floatFormatFromText(value));
    else if (key == "utc") decoder.setUtc(yes(value));
    else if (key == "milliseconds") decoder.setMilliseconds(yes(value));
    else if (key == "unit_line") decoder.setUnitLine(yes(value));
    else if (key == "cell_fill") decoder.setLeaveBlank(value == "Leave blank");
    else if (key == "frequency") decoder.setFrequency(frequencyCodeFromText(value));
    else if (key == "method") decoder.setMethod(methodFromText(value));
    else if (key == "alias") {
      const std::size_t arrow = value.find("->");
      ASSERT_NE(arrow, std::string::npos) << value;
      aliases.emplace_back(trim(value.substr(0, arrow)), trim(value.substr(arrow + 2)));
    } else if (key == "filter") {
      // NAME KIND LIMIT; the name may hold spaces.
      const std::size_t limitAt = value.find_last_of(' ');
      const std::size_t kindAt = value.find_last_of(' ', limitAt - 1);
      filters.push_back({value.substr(0, kindAt), value.substr(kindAt + 1, limitAt - kindAt - 1),
                         value.substr(limitAt + 1)});
    } else if (key == "timezone") timeZone.set(value);
    else if (key == "output") decoder.setOutputPath(work + "/" + value);
    else if (key == "existing") zrltest::writeFile(work + "/" + value, "existing\n");
    else if (key == "expect_result") expectedResult = yes(value);
    else if (key == "expect_message") {
      // {dir} stands for the case's directory, as in the program cases.
      std::string message = value;
      for (std::size_t at; (at = message.find("{dir}")) != std::string::npos;) message.replace(at, 5, work);
      expectedMessages.push_back(message);
    }
    else if (key == "expect_output") expectedOutput = value;
    else if (key == "expect_printed") expectedPrinted = value;
    else FAIL() << "unknown setting " << key;
  }
  decoder.setAliases(aliases);
  decoder.setFilters(filters);

  zrltest::CapturedDiagnostics captured;
  const bool result = decoder.run();
  const std::string printed = captured.text();

  EXPECT_EQ(result, expectedResult);
  EXPECT_EQ(messages, expectedMessages);
  EXPECT_EQ(decoder.outputPath(), work + "/" + expectedOutput);
  if (!expectedPrinted.empty()) {
    EXPECT_NE(printed.find(expectedPrinted), std::string::npos) << printed;
  }
  const std::string written = zrltest::readFile(decoder.outputPath());
  EXPECT_EQ(written, "\xEF\xBB\xBF" + zrltest::readFile(caseDir + "/expected.csv"));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureTest, testing::ValuesIn(decodeCases()),
                         [](const testing::TestParamInfo<std::string>& testCase) {
                           std::string name = testCase.param;
                           for (char& c : name) {
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FixtureTest);

}  // namespace
