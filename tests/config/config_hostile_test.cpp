// Configuration files no one should write but someone will.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <utility>

#include "config/ConfigFile.h"
#include "tests/support/IsolatedEnvironment.h"

namespace {

TEST(HostileConfig, NestingBeyondTheReaderStackIsAParseError) {
  const std::string path = zrltest::makeTempSubdir("nested") + "/c.json";
  for (const std::string& text : {std::string(5000, '['), "{\"a\":" + std::string(5000, '[')}) {
    zrltest::writeFile(path, text);
    Json::Value config(Json::objectValue);
    config["keep"] = true;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(parseConfigFile(QString::fromStdString(path), config, false));
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed.rfind("Error while parsing the configuration: ", 0), 0u) << printed;
    EXPECT_TRUE(config["keep"].asBool());
  }
}

// Only regular files up to 16 MiB are read: a FIFO would block for ever,
// /dev/zero never ends, and a huge file would fill the memory.
TEST(HostileConfig, OnlyRegularFilesOfSaneSizeAreRead) {
  const std::string dir = zrltest::makeTempSubdir("not-files");
  ASSERT_EQ(::mkfifo((dir + "/fifo").c_str(), 0600), 0);
  zrltest::writeFile(dir + "/huge.json", "{\"a\":\"" + std::string(17 << 20, 'x') + "\"}");
  const std::pair<std::string, const char*> cases[] = {
      {dir + "/fifo", " is not a regular file"},
      {"/dev/zero", " is not a regular file"},
      {dir, " is not a regular file"},
      {dir + "/huge.json", " is larger than 16 MiB"},
  };
  for (const auto& [path, reason] : cases) {
    Json::Value config(Json::objectValue);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(parseConfigFile(QString::fromStdString(path), config, false)) << path;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error while reading the configuration: " + path + reason + "\n");
  }
}

}  // namespace
