// The catalog indexes: listing order, names and symbols at the edges of
// their tables, and rebuilding on every head read.
#include <gtest/gtest.h>

#include "tests/reader/ReaderTestSupport.h"

using namespace zrl;

using namespace readertest;
using zrlwriter::ZrlHead;

namespace {

std::vector<std::string> listedNames(const LogReader& reader) {
  std::vector<std::string> names;
  for (const VariableListing& v : reader.listVariables()) names.push_back(v.fullName);
  return names;
}

using Names = std::vector<std::string>;

}  // namespace

TEST(CatalogOrder, GroupsThenVariablesByName) {
  ZrlHead head = basicHead(4);
  head.groups[3] = "B";
  head.groups[9] = "A";
  head.addVariable(10, 3, zrlwriter::kFloat, "y");
  head.addVariable(11, 3, zrlwriter::kFloat, "x");
  head.addVariable(12, 9, zrlwriter::kFloat, "y");
  head.addVariable(13, 9, zrlwriter::kFloat, "x");
  TestReader reader(writeLog(head), {});
  EXPECT_EQ(listedNames(reader), (Names{"A.x", "A.y", "B.x", "B.y"}));
}

TEST(CatalogOrder, NamesCompareAsUnsignedBytes) {
  ZrlHead head = basicHead(4);
  head.groups[0] = "g";
  const char* names[] = {"a", "Ab", "\xC3\xA9t\xC3\xA9", "z", "", "A", "AB", "A b"};
  uint16_t slot = 100;
  for (const char* name : names) head.addVariable(slot--, 0, zrlwriter::kInteger, name);
  TestReader reader(writeLog(head), {});
  EXPECT_EQ(listedNames(reader),
            (Names{"g.", "g.A", "g.A b", "g.AB", "g.Ab", "g.a", "g.z", "g.\xC3\xA9t\xC3\xA9"}));
}

TEST(CatalogOrder, SameNamesAreListedOnce) {
  ZrlHead head = basicHead(4);
  head.groups[4] = "Dup";
  head.groups[2] = "Dup";
  head.groups[7] = "Other";
  head.addVariable(30, 4, zrlwriter::kFloat, "b");
  head.addVariable(31, 2, zrlwriter::kFloat, "a");
  head.addVariable(32, 2, zrlwriter::kFloat, "b");  // same full name as 30
  head.addVariable(33, 7, zrlwriter::kFloat, "c");
  head.addVariable(34, 7, zrlwriter::kFloat, "c");
  TestReader reader(writeLog(head), {});
  const std::vector<VariableListing> list = reader.listVariables();
  ASSERT_EQ(list.size(), 3u);
  // Both Dup groups are one group, listed under the group of the lowest id.
  EXPECT_EQ(list[0].fullName, "Dup.a");
  EXPECT_EQ(list[0].id, 31);
  EXPECT_EQ(list[0].groupId, 4);
  EXPECT_EQ(list[1].fullName, "Dup.b");
  EXPECT_EQ(list[1].id, 30);
  EXPECT_EQ(list[2].id, 33);
  // Every used descriptor still has its entry for the record stream.
  EXPECT_EQ(reader.variableMap().size(), 5u);
}

TEST(CatalogOrder, ListingFieldsAndVisitOrder) {
  ZrlHead head = basicHead(4);
  head.groups[1] = "Engine";
  head.groups[2047] = "Last";
  head.units[0] = "rpm";
  head.units[127] = "degC";
  head.addVariable(19999, 2047, zrlwriter::kString, "msg", 127, 0);
  head.addVariable(0, 1, zrlwriter::kFloat, "speed", 0, 2);
  head.addVariable(5, 1, zrlwriter::kCanFrame, std::string(32, 'n'), 200, 4);  // name fills its field
  TestReader reader(writeLog(head), {});
  const std::vector<VariableListing> list = reader.listVariables();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].fullName, "Engine." + std::string(32, 'n'));
  EXPECT_EQ(list[0].unitSymbol, "") << "unit index past the table";
  EXPECT_EQ(list[0].type, 6);
  EXPECT_EQ(list[1].fullName, "Engine.speed");
  EXPECT_EQ(list[1].unitSymbol, "rpm");
  EXPECT_EQ(list[1].type, 3);
  EXPECT_EQ(list[1].groupId, 1);
  EXPECT_EQ(list[2].fullName, "Last.msg");
  EXPECT_EQ(list[2].unitSymbol, "degC");
  EXPECT_EQ(list[2].id, 19999);

  std::vector<uint16_t> ids;
  std::vector<int> decimals;
  reader.forEachVariable([&](uint16_t id, uint16_t groupId, VariableEntry& entry, uint8_t d) {
    ids.push_back(id);
    decimals.push_back(d);
    EXPECT_EQ(&entry, reader.variableMap().find(id));
    EXPECT_EQ(groupId, entry.groupId);
  });
  EXPECT_EQ(ids, (std::vector<uint16_t>{5, 0, 19999}));
  EXPECT_EQ(decimals, (std::vector<int>{4, 2, 0}));
  EXPECT_EQ(reader.catalogUnitSymbol(128), "");
  EXPECT_EQ(reader.catalogUnitSymbol(255), "");
  EXPECT_EQ(reader.variableName(20000), "");
  EXPECT_EQ(reader.typeOf(20000), 0);
  EXPECT_EQ(reader.typeOf(65535), 0);
}

TEST(CatalogOrder, OldCatalogGroupIdsBeyondItsTable) {
  // Version 3 has 1024 group names, but ids up to 2047 pass; such a group
  // has no name (and nothing past the table is read as one).
  ZrlHead head = basicHead(3);
  head.groups[1023] = "Top";
  head.addVariable(0, 1023, zrlwriter::kFloat, "a");
  head.addVariable(1, 1024, zrlwriter::kFloat, "b");
  head.addVariable(2, 2047, zrlwriter::kFloat, "c");
  TestReader reader(writeLog(head), {});
  EXPECT_EQ(reader.loadError(), "");
  EXPECT_EQ(listedNames(reader), (Names{".b", ".c", "Top.a"}));
  EXPECT_EQ(reader.groupName(1024), "");
  EXPECT_EQ(reader.groupName(2047), "");
}

TEST(CatalogOrder, EmptyCatalog) {
  TestReader reader(writeLog(basicHead(4)), {});
  EXPECT_EQ(reader.loadError(), "");
  EXPECT_TRUE(reader.listVariables().empty());
  EXPECT_TRUE(reader.catalogOrder().empty());
  EXPECT_EQ(reader.variableMap().size(), 0u);
  EXPECT_EQ(reader.variableMap().find(0), nullptr);
}

TEST(CatalogOrder, EveryHeadReadStartsFromFreshIndexes) {
  ZrlHead head = basicHead(4);
  head.groups[0] = "G";
  head.addVariable(3, 0, zrlwriter::kInteger, "v");
  TestReader reader(writeLog(head), {});
  reader.variableMap().find(3)->current = int32_t{42};
  ASSERT_NE(reader.variableMap().obtain(9), nullptr);  // created on first use
  EXPECT_EQ(reader.variableMap().obtain(20000), nullptr);

  ASSERT_TRUE(reader.openInputFile());
  ASSERT_TRUE(reader.readMagic());
  ASSERT_TRUE(reader.readHeader());
  reader.closeAll();
  EXPECT_EQ(listedNames(reader), (Names{"G.v"}));
  EXPECT_EQ(reader.variableMap().size(), 1u);
  EXPECT_EQ(reader.variableMap().find(9), nullptr);
  EXPECT_EQ(reader.variableMap().find(3)->current.kind(), DataValueKind::UnknownDt);
}
