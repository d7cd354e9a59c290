// Configuration files on disk and the remembered last configuration.
#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>

#include <sys/stat.h>

#include <tuple>
#include <vector>

#include "config/ConfigFile.h"
#include "config/RememberedConfig.h"
#include "tests/support/IsolatedEnvironment.h"

namespace {

QString tempPath(const std::string& hint, const char* name) {
  return QString::fromStdString(zrltest::makeTempSubdir(hint)) + "/" + name;
}

void forgetRemembered() { QSettings("Tessaline", "ZRL_decoder").remove("lastConfigFile"); }

TEST(ConfigFile, ParseReplacesTheObjectOnlyOnSuccess) {
  const QString path = tempPath("parse", "c.json");
  Json::Value config(Json::objectValue);
  config["keep"] = 1;

  EXPECT_FALSE(parseConfigFile(path + ".missing", config, false));
  for (const char* bad : {"", "{ \"a\": ", "[1, 2]", "\"text\""}) {
    zrltest::writeFile(path.toStdString(), bad);
    EXPECT_FALSE(parseConfigFile(path, config, false)) << bad;
    EXPECT_EQ(config["keep"].asInt(), 1) << bad;
  }
  zrltest::writeFile(path.toStdString(), "{\"utc\": false}");
  EXPECT_TRUE(parseConfigFile(path, config, false));
  EXPECT_FALSE(config.isMember("keep"));
  EXPECT_FALSE(config["utc"].asBool());
}

TEST(ConfigFile, FailuresNameTheirReasonWithoutBlockingOrReadingWithoutLimit) {
  const QString dir = QString::fromStdString(zrltest::makeTempSubdir("reasons"));
  const std::string fifo = dir.toStdString() + "/fifo.json";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  zrltest::writeFile(dir.toStdString() + "/big.json", std::string(kMaxConfigBytes + 1, ' '));
  zrltest::writeFile(dir.toStdString() + "/empty.json", "");
  zrltest::writeFile(dir.toStdString() + "/bad.json", "{ \"a\": ");
  zrltest::writeFile(dir.toStdString() + "/array.json", "[1]");
  const std::vector<std::pair<QString, QString>> cases = {
      {dir + "/missing.json", "No such file or directory"},
      {dir, "not a regular file"},
      {QString::fromStdString(fifo), "not a regular file"},
      {"/dev/zero", "not a regular file"},
      {dir + "/big.json", "larger than 16 MiB"},
      {dir + "/empty.json", "empty, not a JSON object"},
      {dir + "/bad.json", "not valid JSON: * Line 1, Column 8"},
      {dir + "/array.json", "not a JSON object"},
  };
  for (const auto& [path, reason] : cases) {
    Json::Value config;
    QString failure;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(parseConfigFile(path, config, false, &failure));
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(failure.startsWith(reason)) << failure.toStdString();
  }
}

TEST(ConfigFile, OnlyBrokenFilesAreReportedAndOnlyThoseAlways) {
  const QString path = tempPath("parse-messages", "c.json");
  Json::Value config;
  const std::string parsing = "Parsing JSON configuration file..." + path.toStdString() + "\n";
  const std::string broken = "Error while parsing the configuration: ";
  // The verbose account goes to standard output, the failure to standard error.
  const std::vector<std::tuple<std::string, bool, std::string, std::string>> cases = {
      {"", false, "", ""},
      {" \n\t", false, "", ""},
      {"", true, parsing, ""},
      {"{ \"a\": ", false, "", broken},
      {"{ \"a\": ", true, parsing, broken},
  };
  for (const auto& [text, verbose, expectedOut, expectedErrorStart] : cases) {
    zrltest::writeFile(path.toStdString(), text);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    parseConfigFile(path, config, verbose);
    const std::string error = testing::internal::GetCapturedStderr();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expectedOut) << text;
    EXPECT_EQ(error.substr(0, expectedErrorStart.size()), expectedErrorStart) << text;
    if (expectedErrorStart.empty()) {
      EXPECT_EQ(error, "") << text;
    }
  }
  testing::internal::CaptureStdout();
  parseConfigFile(path + ".missing", config, true);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "No configuration file\n");
}

TEST(ConfigFile, WriteUsesPrecisionEightAndReportsUnwritablePaths) {
  const QString path = tempPath("write", "c.json");
  Json::Value config(Json::objectValue);
  config["x"] = 3.14159265358979;
  ASSERT_TRUE(writeConfigFile(path, config));
  EXPECT_EQ(zrltest::readFile(path.toStdString()), "{\n\t\"x\" : 3.1415927\n}");
  EXPECT_FALSE(writeConfigFile(path + "/no/such/dir.json", config));
}

TEST(RememberedConfig, DefaultPathLivesInTheTemporaryDirectory) {
  EXPECT_EQ(temporaryDirectory(), QString::fromStdString(zrltest::tempDir()));
  EXPECT_EQ(defaultConfigPath(), QString::fromStdString(zrltest::tempDir()) + "/decoderConf.json");
  EXPECT_TRUE(isDefaultConfigPath(defaultConfigPath()));
  EXPECT_TRUE(isDefaultConfigPath(""));
  EXPECT_FALSE(isDefaultConfigPath(temporaryDirectory() + "/other.json"));
  EXPECT_FALSE(isDefaultConfigPath("/elsewhere/decoderConf.json"));
  // A directory that merely starts with the same letters is not inside it.
  EXPECT_FALSE(isDefaultConfigPath(temporaryDirectory() + "data/decoderConf.json"));
}

TEST(RememberedConfig, MissingTemporaryDirectoryFallsBackToTmp) {
  const QByteArray saved = qgetenv("TMPDIR");
  qputenv("TMPDIR", QByteArray(saved + "/does-not-exist"));
  EXPECT_EQ(temporaryDirectory(), "/tmp");
  EXPECT_EQ(defaultConfigPath(), "/tmp/decoderConf.json");
  // Not the home directory: a checkout below /tmp puts the test's home there.
  EXPECT_FALSE(isDefaultConfigPath("/elsewhere/decoderConf.json"));
  qputenv("TMPDIR", saved);
  EXPECT_EQ(temporaryDirectory(), QString::fromStdString(zrltest::tempDir()));
}

TEST(RememberedConfig, CreateEmptyFileTruncates) {
  const QString path = tempPath("empty", "decoderConf.json");
  zrltest::writeFile(path.toStdString(), "{\"utc\": true}");
  ASSERT_TRUE(createEmptyFile(path));
  EXPECT_TRUE(zrltest::fileExists(path.toStdString()));
  EXPECT_EQ(zrltest::readFile(path.toStdString()), "");
}

TEST(RememberedConfig, RemembersOnlyFilesOutsideTheTemporaryDirectory) {
  forgetRemembered();
  EXPECT_EQ(findLastConfig(false), "");

  EXPECT_FALSE(rememberConfig(temporaryDirectory() + "/mine.json", false));
  EXPECT_EQ(QSettings("Tessaline", "ZRL_decoder").value("lastConfigFile").toString(), "");

  // A file outside the temporary directory: the private HOME.
  const QString home = QDir::homePath() + "/remembered.json";
  zrltest::writeFile(home.toStdString(), "{}");
  EXPECT_TRUE(rememberConfig(home, false));
  EXPECT_EQ(findLastConfig(false), home);

  // Nor is a sibling whose name starts with the temporary directory's.
  QDir().mkpath(temporaryDirectory() + "-mine");
  const QString sibling = temporaryDirectory() + "-mine/conf.json";
  zrltest::writeFile(sibling.toStdString(), "{}");
  EXPECT_TRUE(rememberConfig(sibling, false));
  EXPECT_EQ(findLastConfig(false), sibling);
  EXPECT_TRUE(rememberConfig(home, false));

  // A remembered file that has gone is forgotten.
  QFile::remove(home);
  EXPECT_EQ(findLastConfig(false), "");
  forgetRemembered();
}

}  // namespace
