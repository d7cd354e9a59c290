// The record loop runs millions of times per file: it must not allocate, and
// no byte sequence may make it read or write outside its tables.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <random>

#include "tests/reader/ReaderTestSupport.h"

using namespace zrl;

namespace {

bool countAllocations = false;
std::size_t allocations = 0;

}  // namespace

void* operator new(std::size_t size) {
  if (countAllocations) ++allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (countAllocations) ++allocations;
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

using namespace readertest;
using zrlwriter::RecordEncoder;

namespace {

zrlwriter::ZrlHead everyTypeHead() {
  zrlwriter::ZrlHead head = basicHead(4);
  head.groups[0] = "G";
  for (uint8_t type = 1; type <= 7; ++type) head.addVariable(type, 0, type, "v" + std::to_string(type));
  return head;
}

// Reads records until the stream ends or a record fails; returns the count.
int readRecords(TestReader& reader) {
  NodeDataValue value;
  int records = 0;
  for (;; ++records) {
    uint16_t id;
    if (!reader.readId(id)) break;
    if (id == 0xFFFF) {
      int64_t t;
      if (!reader.readAbsoluteTimestamp(t)) break;
    } else if (!reader.readVarData(id, reader.typeOf(id), value)) {
      break;
    }
  }
  return records;
}

}  // namespace

TEST(RecordHotPath, DecodingDoesNotAllocate) {
  RecordEncoder body(4);
  for (int i = 0; i < 2000; ++i) {
    body.timestamp(i)
        .boolean(1, 1)
        .integer(2, i)
        .floatValue(3, 1.0f)
        .doubleValue(4, 2.0)
        .string(5, "text")
        .canFrame(6, 2, 7, "ab")
        .timestampValue(7, 123);
  }
  TestReader reader(writeLog(everyTypeHead(), body.bytes()), {});
  ASSERT_TRUE(reader.openForRecords());
  allocations = 0;
  countAllocations = true;
  const int records = readRecords(reader);
  countAllocations = false;
  EXPECT_EQ(records, 2000 * 8);
  EXPECT_EQ(allocations, 0u);
  EXPECT_TRUE(reader.atStreamEnd());
}

TEST(RecordHotPath, RandomStreamsEndCleanly) {
  std::mt19937 random(7);
  const std::string path = writeLog(everyTypeHead());
  std::string file = zrltest::readFile(path);
  file.resize(850805);
  for (int round = 0; round < 200; ++round) {
    std::string body(1 + random() % 400, '\0');
    for (char& c : body) {
      // Mostly small ids so that records of every type come up.
      const uint32_t r = random();
      c = static_cast<char>(r % 4 == 0 ? r >> 8 : r % 9);
    }
    const std::string stream = random() % 2 ? zrlwriter::gzipCompress(body) : body;
    const std::string roundPath = newFilePath("random.zrl");
    zrltest::writeFile(roundPath, file + stream);
    TestReader reader(roundPath, {});
    ASSERT_TRUE(reader.openForRecords());
    zrltest::CapturedDiagnostics quiet;
    readRecords(reader);
    quiet.text();
    EXPECT_LE(reader.bytesRead(), 850805u + body.size());
  }
}
