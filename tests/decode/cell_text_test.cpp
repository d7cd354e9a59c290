#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "decode/CellText.h"

using namespace zrl;

namespace {

// The cells a decode writes: the variable's declared decimals under the
// "Tarvik" format (0), the fixed decimals of the others, the chosen decimal
// separator, and the kinds that ignore both.
TEST(CellTextTest, CellsOfEveryKind) {
  struct Case { NodeDataValue value; int floatFormat; int decimals; char sep; const char* text; };
  const Case cases[] = {
      {NodeDataValue(20.256f), 0, 2, ',', "20,26"},
      {NodeDataValue(20.256f), 4, 2, '.', "20.2560005"},
      {NodeDataValue(-0.04f), 2, 9, ',', "-0,040"},
      {NodeDataValue(std::numeric_limits<float>::infinity()), 1, 0, '.', "nan"},
      {NodeDataValue(int32_t{-7}), 3, 2, ',', "-7"},
      {NodeDataValue(true), 0, 2, ',', "true"},
      {NodeDataValue("a,b"), 0, 2, ',', "a,b"},
      {NodeDataValue(TimeSpec32{1600000000, 123456789}), 0, 2, ',', "1600000000123456"},
  };
  for (const Case& c : cases) {
    char out[kValueTextCapacity];
    const int n = cellText(c.value, out, c.sep, c.floatFormat, c.decimals);
    EXPECT_EQ(std::string(out, n), c.text);
  }
}

}  // namespace
