// A private world for one run of the decoder: its own HOME, XDG_CONFIG_HOME
// and TMPDIR, so remembered settings and the default configuration of one
// test case never leak into another.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ProcessRunner.h"

namespace zrltest {

struct DecoderSandbox {
  std::string root;
  std::string home;
  std::string configHome;
  std::string tmp;
  std::string work;  // files of the test case: logs, CSVs, configurations

  explicit DecoderSandbox(const std::string& hint) {
    root = makeTempSubdir(hint);
    home = root + "/home";
    configHome = home + "/.config";
    tmp = root + "/tmp";
    work = root + "/work";
    for (const std::string& dir : {home, configHome, tmp, work}) mkdir(dir.c_str(), 0700);
  }

  std::vector<std::pair<std::string, std::string>> environment() const {
    // No display either: batch and info runs must work on a bare machine.
    return {{"HOME", home},        {"XDG_CONFIG_HOME", configHome}, {"TMPDIR", tmp}, {"XDG_CACHE_HOME", cacheHome()},
            {"DISPLAY", ""},       {"WAYLAND_DISPLAY", ""},         {"QT_QPA_PLATFORM", ""},
            {"XDG_RUNTIME_DIR", ""}};
  }

  ProcessResult runDecoder(const std::vector<std::string>& args, int timeoutSeconds = 60,
                           const std::function<void(int pid)>& onStart = {}) const {
    return runProgram(decoderProgram(), args, environment(), timeoutSeconds, "", onStart);
  }

  // Writes `description` to a file and has zrl-gen turn it into work/<name>.
  // Returns the log path; empty (and a failed expectation in the caller) when
  // the generator refused.
  std::string makeLog(const std::string& name, const std::string& description) const {
    const std::string descriptionPath = work + "/" + name + ".zrldesc";
    const std::string logPath = work + "/" + name;
    writeFile(descriptionPath, description);
    const ProcessResult r = runProgram(generatorProgram(), {"--description", descriptionPath, "--output", logPath});
    return r.exitStatus == 0 ? logPath : std::string();
  }

  // Where the sandbox's runs keep the logs' indexes.
  std::string cacheHome() const { return home + "/.cache"; }

  std::string makeSample(const std::string& name) const {
    const std::string logPath = work + "/" + name;
    const ProcessResult r = runProgram(generatorProgram(), {"--preset", "sample", "--output", logPath});
    return r.exitStatus == 0 ? logPath : std::string();
  }

  // Where QSettings keeps the remembered configuration of this sandbox.
  std::string settingsFile() const { return configHome + "/Tessaline/ZRL_decoder.conf"; }
  // The scratch configuration of a run without one, beside those settings.
  std::string scratchConfig() const { return configHome + "/Tessaline/ZRL_decoder/decoderConf.json"; }
};

}  // namespace zrltest
