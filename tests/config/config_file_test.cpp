// Configuration files on disk and the remembered last configuration.
#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>

#include <sys/stat.h>
#include <unistd.h>

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

TEST(RememberedConfig, DefaultPathLivesInTheUsersOwnFolder) {
  const QString folder = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + "/Tessaline/ZRL_decoder";
  EXPECT_EQ(defaultConfigPath(), folder + "/decoderConf.json");
  EXPECT_TRUE(isDefaultConfigPath(defaultConfigPath()));
  EXPECT_TRUE(isDefaultConfigPath(folder + "/./decoderConf.json"));
  EXPECT_TRUE(isDefaultConfigPath(""));
  EXPECT_FALSE(isDefaultConfigPath(folder + "/other.json"));
  EXPECT_FALSE(isDefaultConfigPath("/elsewhere/decoderConf.json"));
  // The old shared location is a file like any other, never the scratch one.
  EXPECT_FALSE(isDefaultConfigPath(temporaryDirectory() + "/decoderConf.json"));
  // TMPDIR has no say in it.
  const QByteArray saved = qgetenv("TMPDIR");
  qputenv("TMPDIR", QByteArray(saved + "/does-not-exist"));
  EXPECT_EQ(temporaryDirectory(), "/tmp");
  EXPECT_EQ(defaultConfigPath(), folder + "/decoderConf.json");
  qputenv("TMPDIR", saved);
  EXPECT_EQ(temporaryDirectory(), QString::fromStdString(zrltest::tempDir()));
}

// Whatever stands at the scratch name or its ".part", the result is a new
// empty file of the user's only, in a folder of the user's only, and no
// link is followed.
TEST(RememberedConfig, CreateEmptyFileFollowsNoLink) {
  struct Case {
    const char* what;
    bool linkAtName, linkAtPart;
  };
  const Case cases[] = {{"a file with content", false, false},
                        {"a link to another file", true, false},
                        {"a link at the .part name", false, true}};
  for (const Case& c : cases) {
    const std::string dir = zrltest::makeTempSubdir("scratch") + "/conf";
    const std::string path = dir + "/decoderConf.json";
    const std::string victim = zrltest::makeTempSubdir("victim") + "/precious";
    zrltest::writeFile(victim, "precious");
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    if (c.linkAtName) {
      ASSERT_EQ(symlink(victim.c_str(), path.c_str()), 0);
    } else {
      zrltest::writeFile(path, "{\"utc\": true}");
    }
    if (c.linkAtPart) {
      ASSERT_EQ(symlink(victim.c_str(), (path + ".part").c_str()), 0);
    }
    ASSERT_TRUE(createEmptyFile(QString::fromStdString(path))) << c.what;
    struct stat st {};
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode)) << c.what;
    EXPECT_EQ(st.st_mode & 0777, 0600u) << c.what;
    EXPECT_EQ(st.st_size, 0) << c.what;
    EXPECT_FALSE(zrltest::fileExists(path + ".part")) << c.what;
    EXPECT_EQ(zrltest::readFile(victim), "precious") << c.what;
    ASSERT_EQ(stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << c.what;
  }
  // A missing folder is made private; one that is a link is refused.
  const std::string fresh = zrltest::makeTempSubdir("fresh") + "/a/b";
  ASSERT_TRUE(createEmptyFile(QString::fromStdString(fresh + "/decoderConf.json")));
  struct stat st {};
  ASSERT_EQ(stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  const std::string linked = zrltest::makeTempSubdir("linked") + "/conf";
  ASSERT_EQ(symlink(fresh.c_str(), linked.c_str()), 0);
  EXPECT_FALSE(createEmptyFile(QString::fromStdString(linked + "/decoderConf.json")));
}

TEST(RememberedConfig, RemembersOnlyFilesOutsideTheTemporaryDirectory) {
  forgetRemembered();
  EXPECT_EQ(findLastConfig(false), "");

  EXPECT_FALSE(rememberConfig(temporaryDirectory() + "/mine.json", false));
  EXPECT_FALSE(rememberConfig(defaultConfigPath(), false));
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
