#include "tests/fuzz/FuzzLog.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zrlfuzz {

using namespace zrlwriter;

const FuzzVariable kVariables[kVariableCount] = {
    {0, 1, kInteger, "Engine", "Rpm", 1, 0},
    {1, 1, kFloat, "Engine", "Speed", 2, 2},
    {2, 1, kDouble, "Engine", "CoolantTemp", 3, 1},
    {3, 0, kBoolean, "Status", "Running", 0, 0},
    {4, 0, kString, "Status", "Message", 0, 0},
    {5, 2, kCanFrame, "CAN bus", "Frame", 0, 0},
    {6, 2047, kTimestamp, "Far", "Clock", 200, 0},
    {19999, 1, kFloat, "Engine", "Last", 127, 7},
};

std::string fullName(int index) {
  if (index < 0 || index >= kVariableCount) return "Nobody.Nothing";
  return std::string(kVariables[index].group) + "." + kVariables[index].name;
}

ZrlHead templateHead(uint32_t version) {
  ZrlHead head;
  head.formatVersion = version;
  head.setTimeSpan(kFileStartMs, kFileStartMs + kFileSpanMs, 123456);
  head.note = "fuzz";
  if (layout::hasExtension(version)) {
    head.serial = "SN-FUZZ";
    head.firmware = "1.0";
  }
  head.groups = {{0, "Status"}, {1, "Engine"}, {2, "CAN bus"}};
  if (layout::groupSlots(version) > 2047) head.groups[2047] = "Far";
  head.units = {{1, "rpm"}, {2, "km/h"}, {3, "\xC2\xB0" "C"}, {127, "V"}};
  for (const FuzzVariable& v : kVariables)
    head.addVariable(v.slot, v.groupId, v.type, v.name, v.unitIndex, v.decimals);
  return head;
}

std::string sampleRecords(uint32_t version, int rows) {
  RecordEncoder e(version);
  for (int i = 0; i < rows; ++i) {
    e.timestamp(static_cast<uint64_t>(i) * 100);
    e.integer(0, 800 + 13 * i);
    e.floatValue(1, 0.5f * static_cast<float>(i));
    e.doubleValue(2, 80.25 + i);
    e.boolean(3, static_cast<uint8_t>(i % 2));
    if (i % 3 == 0) e.string(4, "message " + std::to_string(i));
    e.canFrame(5, static_cast<uint8_t>(i % 9), 0x80000123u, std::string(i % 9, 'c'));
    e.timestampValue(6, 1772704800250000ull + 100000ull * i);
    e.floatValue(19999, -1.0f * static_cast<float>(i));
  }
  return e.bytes();
}

namespace {

int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

void removeScratch() {
  const std::string& dir = scratchDir();
  ::nftw(dir.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace

const std::string& scratchDir() {
  static const std::string dir = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/zrl-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    return pattern;
  }();
  static const bool registered = (std::atexit(removeScratch), true);
  (void)registered;
  return dir;
}

std::string scratchSubdir(const std::string& name) {
  const std::string dir = scratchDir() + "/" + name;
  ::mkdir(dir.c_str(), 0700);
  return dir;
}

void removeFilesIn(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return;
  while (const dirent* entry = ::readdir(d)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") ::unlink((dir + "/" + name).c_str());
  }
  ::closedir(d);
}

bool hasFileEndingIn(const std::string& dir, const std::string& tail) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return false;
  bool found = false;
  while (const dirent* entry = ::readdir(d)) {
    const std::string name = entry->d_name;
    if (name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0)
      found = true;
  }
  ::closedir(d);
  return found;
}

void silenceStdout() {
  std::fflush(stdout);
  const int null = ::open("/dev/null", O_WRONLY);
  if (null >= 0) {
    ::dup2(null, 1);
    ::close(null);
  }
}

void writeAt(int fd, uint64_t offset, const void* data, std::size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, p, size, static_cast<off_t>(offset));
    if (n <= 0) {
      std::perror("pwrite");
      std::abort();
    }
    p += n;
    offset += static_cast<uint64_t>(n);
    size -= static_cast<std::size_t>(n);
  }
}

void putLe(uint8_t* out, uint64_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace zrlfuzz
