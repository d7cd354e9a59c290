// Test isolation: each test process gets a fresh directory of its own and
// points HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME and TMPDIR into it before any test runs.
#pragma once

#include <string>

namespace zrltest {

// Creates the private directory and sets the environment. Called once from
// the test mains; safe to call again (it does nothing the second time).
void setUpIsolatedEnvironment();

// Removes the private directory with everything the tests left in it, so
// repeated runs do not fill the disk. The test mains call it after a passing
// run; a failing run keeps it for inspection and says where it is.
void finishIsolatedEnvironment(bool passed);

// The private directory of this test process (its TMPDIR).
const std::string& tempDir();

// A new empty directory below tempDir(), named after `hint`.
std::string makeTempSubdir(const std::string& hint);

// The build directory (where zrl-decoder and zrl-gen are) and the source tree.
std::string buildDir();
std::string sourceDir();

// Whole file as bytes; empty when the file cannot be read.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);

}  // namespace zrltest
