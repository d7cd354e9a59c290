#include "tools/zrlwriter/ParallelGzip.h"

#include <algorithm>
#include <thread>
#include <zlib.h>

#include "tools/zrlwriter/WriterLayout.h"

namespace zrlwriter {
namespace {

constexpr size_t kWindow = 32768;

struct BlockResult {
  std::string compressed;
  uint32_t crc = 0;
  std::string error;
};

// Raw deflate of one block, primed with `dictionary`; the last block ends
// the stream, the others end with a sync flush on a byte boundary.
void deflateBlock(const std::string& block, const std::string& dictionary, int level, bool last,
                  BlockResult& result) {
  result.crc = static_cast<uint32_t>(
      crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(block.data()), static_cast<uInt>(block.size())));
  z_stream zs{};
  if (deflateInit2(&zs, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    result.error = "cannot start deflate at level " + std::to_string(level);
    return;
  }
  if (!dictionary.empty())
    deflateSetDictionary(&zs, reinterpret_cast<const Bytef*>(dictionary.data()), static_cast<uInt>(dictionary.size()));
  std::string& out = result.compressed;
  out.resize(deflateBound(&zs, block.size()) + 64);
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.data()));
  zs.avail_in = static_cast<uInt>(block.size());
  const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
  while (true) {
    zs.next_out = reinterpret_cast<Bytef*>(&out[zs.total_out]);
    zs.avail_out = static_cast<uInt>(out.size() - zs.total_out);
    const int rc = deflate(&zs, flush);
    if (rc == Z_STREAM_ERROR) {
      result.error = "deflate failed";
      break;
    }
    const bool done = last ? rc == Z_STREAM_END : (zs.avail_in == 0 && zs.avail_out > 0);
    if (done) break;
    out.resize(out.size() * 2);
  }
  out.resize(zs.total_out);
  deflateEnd(&zs);
}

// The last 32 KiB of `before` followed by `block`.
std::string windowAfter(const std::string& before, const std::string& block) {
  if (block.size() >= kWindow) return block.substr(block.size() - kWindow);
  std::string joined = before + block;
  return joined.size() > kWindow ? joined.substr(joined.size() - kWindow) : joined;
}

}  // namespace

ParallelGzip::ParallelGzip(int level, unsigned threads, Sink sink, size_t blockSize)
    : level_(level), threads_(std::max(1u, threads)), sink_(std::move(sink)), blockSize_(std::max<size_t>(blockSize, 1)),
      crc_(static_cast<uint32_t>(crc32(0, nullptr, 0))) {
  if (level < 0 || level > 9) throw ZrlWriteError("compression level must be 0-9, not " + std::to_string(level));
  // Fixed gzip header: no name, no time, Unix.
  static const char header[10] = {'\x1f', '\x8b', 8, 0, 0, 0, 0, 0, 0, 3};
  sink_(header, sizeof header);
  current_.reserve(blockSize_);
}

void ParallelGzip::write(const char* data, size_t length) {
  if (finished_) throw ZrlWriteError("write after the gzip stream was finished");
  length_ += length;
  while (length > 0) {
    const size_t n = std::min(length, blockSize_ - current_.size());
    current_.append(data, n);
    data += n;
    length -= n;
    if (current_.size() == blockSize_) {
      pending_.push_back(std::move(current_));
      current_.clear();
      current_.reserve(blockSize_);
      if (pending_.size() == threads_) compressBatch(false);
    }
  }
}

void ParallelGzip::finish() {
  if (finished_) throw ZrlWriteError("the gzip stream was finished twice");
  pending_.push_back(std::move(current_));
  current_.clear();
  compressBatch(true);
  finished_ = true;
  char trailer[8];
  const uint32_t size = static_cast<uint32_t>(length_);
  for (int i = 0; i < 4; ++i) {
    trailer[i] = static_cast<char>((crc_ >> (8 * i)) & 0xFF);
    trailer[4 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
  }
  sink_(trailer, sizeof trailer);
}

void ParallelGzip::compressBatch(bool final) {
  const size_t n = pending_.size();
  std::vector<std::string> dictionaries(n);
  for (size_t i = 0; i < n; ++i) dictionaries[i] = i == 0 ? window_ : windowAfter(dictionaries[i - 1], pending_[i - 1]);
  std::vector<BlockResult> results(n);
  std::vector<std::thread> workers;
  for (size_t i = 1; i < n; ++i)
    workers.emplace_back(deflateBlock, std::cref(pending_[i]), std::cref(dictionaries[i]), level_,
                         final && i == n - 1, std::ref(results[i]));
  if (n > 0) deflateBlock(pending_[0], dictionaries[0], level_, final && n == 1, results[0]);
  for (std::thread& t : workers) t.join();
  for (size_t i = 0; i < n; ++i) {
    if (!results[i].error.empty()) throw ZrlWriteError(results[i].error);
    sink_(results[i].compressed.data(), results[i].compressed.size());
    crc_ = static_cast<uint32_t>(crc32_combine(crc_, results[i].crc, static_cast<z_off_t>(pending_[i].size())));
  }
  if (n > 0) window_ = windowAfter(dictionaries[n - 1], pending_[n - 1]);
  pending_.clear();
}

}  // namespace zrlwriter
