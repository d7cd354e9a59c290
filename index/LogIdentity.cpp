#include "index/LogIdentity.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zrl {

namespace {

constexpr std::size_t kSampleBytes = 64 * 1024;

// Digest of up to kSampleBytes at `offset`; a short read digests what is there.
bool digestAt(int fd, uint64_t offset, uint64_t size, std::vector<uint8_t>& buffer, uint64_t& out) {
  out = digestBytes(nullptr, 0);
  if (offset >= size) return true;
  const std::size_t wanted = static_cast<std::size_t>(std::min<uint64_t>(kSampleBytes, size - offset));
  std::size_t done = 0;
  while (done < wanted) {
    const ssize_t got = ::pread(fd, buffer.data() + done, wanted - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  out = digestBytes(buffer.data(), done);
  return true;
}

}  // namespace

uint64_t digestBytes(const void* data, std::size_t length, uint64_t digest) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  for (std::size_t i = 0; i < length; ++i) {
    digest ^= p[i];
    digest *= 0x100000001b3ull;
  }
  return digest;
}

std::string LogIdentity::key() const {
  uint64_t digest = digestBytes(&size, sizeof size);
  digest = digestBytes(&modifiedNs, sizeof modifiedNs, digest);
  digest = digestBytes(&headDigest, sizeof headDigest, digest);
  digest = digestBytes(&streamDigest, sizeof streamDigest, digest);
  digest = digestBytes(&tailDigest, sizeof tailDigest, digest);
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(digest));
  return text;
}

bool identifyLog(const std::string& path, uint64_t streamStart, LogIdentity& out) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat status;
  bool ok = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  if (ok) {
    out.size = static_cast<uint64_t>(status.st_size);
    out.modifiedNs = static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    std::vector<uint8_t> buffer(kSampleBytes);
    const uint64_t tail = out.size > kSampleBytes ? out.size - kSampleBytes : 0;
    ok = digestAt(fd, 0, out.size, buffer, out.headDigest) &&
         digestAt(fd, streamStart, out.size, buffer, out.streamDigest) &&
         digestAt(fd, tail, out.size, buffer, out.tailDigest);
  }
  ::close(fd);
  return ok;
}

}  // namespace zrl
