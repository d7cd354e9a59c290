#include "tests/support/IsolatedEnvironment.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace zrltest {
namespace {

std::string& rootDir() {
  static std::string dir;
  return dir;
}

// The directory holding home/ and tmp/ of this process.
std::string& runDir() {
  static std::string dir;
  return dir;
}

}  // namespace

void setUpIsolatedEnvironment() {
  if (!rootDir().empty()) return;
  // Created below the build tree rather than the real TMPDIR, so a test run
  // leaves nothing behind in the user's temporary directory either.
  std::string base = std::string(ZRL_BUILD_DIR) + "/test-tmp";
  mkdir(base.c_str(), 0700);
  std::string pattern = base + "/run-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
  rootDir() = pattern;
  runDir() = pattern;
  const std::string home = pattern + "/home";
  const std::string config = home + "/.config";
  const std::string tmp = pattern + "/tmp";
  const std::string cache = home + "/.cache";
  mkdir(home.c_str(), 0700);
  mkdir(config.c_str(), 0700);
  mkdir(tmp.c_str(), 0700);
  mkdir(cache.c_str(), 0700);
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CACHE_HOME", cache.c_str(), 1);
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  setenv("TMPDIR", tmp.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Local-time texts must not depend on the machine's zone.
  setenv("TZ", "UTC", 1);
  rootDir() = tmp;
}

void finishIsolatedEnvironment(bool passed) {
  if (runDir().empty()) return;
  if (!passed) {
    std::cout << "Test files kept in " << runDir() << std::endl;
    return;
  }
  std::error_code ignored;
  std::filesystem::remove_all(runDir(), ignored);
}

const std::string& tempDir() {
  setUpIsolatedEnvironment();
  return rootDir();
}

std::string makeTempSubdir(const std::string& hint) {
  std::string pattern = tempDir() + "/" + hint + "-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
  return pattern;
}

std::string buildDir() { return ZRL_BUILD_DIR; }
std::string sourceDir() { return ZRL_SOURCE_DIR; }

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool fileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

}  // namespace zrltest
