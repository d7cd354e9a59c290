#include "tools/zrlwriter/ZrlFileWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <zlib.h>

namespace zrlwriter {

std::string gzipCompress(const std::string& data, int level) {
  z_stream zs{};
  // 15 + 16: a gzip wrapper rather than a zlib one.
  if (deflateInit2(&zs, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw ZrlWriteError("cannot start deflate at level " + std::to_string(level));
  std::string out;
  char buffer[1 << 16];
  size_t fed = 0;
  int rc = Z_OK;
  // avail_in is 32 bits wide: feed the input in slices.
  while (rc != Z_STREAM_END) {
    if (zs.avail_in == 0 && fed < data.size()) {
      const size_t n = std::min<size_t>(data.size() - fed, size_t(1) << 30);
      zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + fed));
      zs.avail_in = static_cast<uInt>(n);
      fed += n;
    }
    zs.next_out = reinterpret_cast<Bytef*>(buffer);
    zs.avail_out = sizeof buffer;
    rc = deflate(&zs, fed == data.size() ? Z_FINISH : Z_NO_FLUSH);
    if (rc == Z_STREAM_ERROR) break;
    out.append(buffer, sizeof buffer - zs.avail_out);
  }
  deflateEnd(&zs);
  if (rc != Z_STREAM_END) throw ZrlWriteError("deflate did not finish");
  return out;
}

namespace {

std::string encodeBody(const std::string& body, const WriteOptions& options) {
  if (options.encoding == BodyEncoding::Plain) return body;
  const int members = options.gzipMembers < 1 ? 1 : options.gzipMembers;
  std::string out;
  const size_t step = (body.size() + members - 1) / members;
  for (int i = 0; i < members; ++i) {
    const size_t begin = std::min(body.size(), i * step);
    const size_t end = std::min(body.size(), begin + step);
    out += gzipCompress(body.substr(begin, end - begin), options.compressionLevel);
  }
  return out;
}

}  // namespace

std::string buildZrlBytes(const ZrlHead& head, const std::string& body, const WriteOptions& options,
                          WriteResult* result) {
  const uint32_t stored = head.storedSizeOverride ? *head.storedSizeOverride : correctStoredSize(body.size());
  std::string file = encodeHead(head, stored);
  const size_t headLength = file.size();
  std::string tail = encodeBody(body, options) + options.trailingGarbage;
  if (options.truncateBodyAt && *options.truncateBodyAt < tail.size()) tail.resize(*options.truncateBodyAt);
  file += tail;
  if (options.truncateFileAt && *options.truncateFileAt < file.size()) file.resize(*options.truncateFileAt);
  if (result) {
    result->fileSize = file.size();
    result->headSize = headLength;
    result->bodyLength = body.size();
    result->storedSize = stored;
  }
  return file;
}

WriteResult writeZrlFile(const std::string& path, const ZrlHead& head, const std::string& body,
                         const WriteOptions& options) {
  WriteResult result;
  const std::string bytes = buildZrlBytes(head, body, options, &result);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw ZrlWriteError("cannot create " + path + ": " + std::strerror(errno));
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw ZrlWriteError("cannot write " + path + ": " + std::strerror(errno));
  return result;
}

}  // namespace zrlwriter
