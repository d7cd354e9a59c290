// --vars pieces against a log's names: as written, as the CSV heading shows
// them, without regard to case when nothing matches exactly, and the names
// close to one that matches nothing.
#include <gtest/gtest.h>

#include "common/VariablePatterns.h"

namespace {

const std::vector<std::string> kNames{"Engine.Rpm", "Engine.Speed", "GPS.Latitude", "engine.rpm"};

TEST(VariablePatterns, NamesAsWrittenAsHeadedOrInAnotherCase) {
  struct Case {
    std::vector<std::string> pieces;
    std::vector<std::string> selected;
    std::vector<std::string> missing;
  } cases[] = {
      {{"Engine.Rpm"}, {"Engine.Rpm"}, {}},         // exact: the other case is not taken
      {{"Engine_Speed"}, {"Engine.Speed"}, {}},     // the CSV heading
      {{"gps.latitude"}, {"GPS.Latitude"}, {}},     // no exact match: any case
      {{"GPS_L*"}, {"GPS.Latitude"}, {}},           // a heading pattern
      {{"ENGINE.S*"}, {"Engine.Speed"}, {}},        // a pattern in another case
      {{"Engine.Rmp"}, {}, {"Engine.Rmp"}},
  };
  for (const Case& c : cases) {
    const VariableMatch match = matchVariables(c.pieces, kNames);
    EXPECT_EQ(match.selected, c.selected) << c.pieces[0];
    EXPECT_EQ(match.missingNames, c.missing) << c.pieces[0];
  }
}

TEST(VariablePatterns, AMissingNameGetsTheNearestNames) {
  const VariableMatch match = matchVariables({"Engine.Rmp", "Nothing.Close.At.All"}, kNames);
  ASSERT_EQ(match.nearest.size(), 2u);
  EXPECT_EQ(match.nearest[0], (std::vector<std::string>{"Engine.Rpm", "engine.rpm"}));
  EXPECT_TRUE(match.nearest[1].empty());
}

}  // namespace
