// Configuration files no one should write but someone will.
#include <gtest/gtest.h>

#include <string>

#include "config/ConfigFile.h"
#include "tests/support/IsolatedEnvironment.h"

namespace {

TEST(HostileConfig, NestingBeyondTheReaderStackIsAParseError) {
  const std::string path = zrltest::makeTempSubdir("nested") + "/c.json";
  for (const std::string& text : {std::string(5000, '['), "{\"a\":" + std::string(5000, '[')}) {
    zrltest::writeFile(path, text);
    Json::Value config(Json::objectValue);
    config["keep"] = true;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(parseConfigFile(QString::fromStdString(path), config, false));
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed.rfind("Error while parsing the configuration: ", 0), 0u) << printed;
    EXPECT_TRUE(config["keep"].asBool());
  }
}

}  // namespace
