#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "decode/CellText.h"

using namespace zrl;

namespace {

// The fast cell text must be exactly the value's own text, for every float
// format, separator and declared decimals.
TEST(CellTextTest, MatchesTheValuesOwnText) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  std::vector<NodeDataValue> values;
  for (float f : {0.0f, -0.0f, 1.25f, -0.04f, 0.96f, 123456.789f, -2147483.5f, 3.4e38f, 1e-30f,
                  nan, inf, -inf}) {
    values.emplace_back(f);
  }
  for (int32_t i : {0, 7, -5, 2147483647, -2147483647 - 1}) values.emplace_back(i);
  values.emplace_back(true);
  values.emplace_back("text");
  values.emplace_back(TimeSpec32{1600000000, 123456789});
  for (const NodeDataValue& v : values) {
    for (int format = 0; format <= 5; ++format) {
      for (char separator : {'.', ','}) {
        for (int decimals : {0, 2, 9}) {
          char fast[kValueTextCapacity];
          char own[kValueTextCapacity];
          const int n = cellText(v, fast, separator, format, decimals);
          const int m = v.toText(own, sizeof own, separator, format, decimals);
          ASSERT_EQ(std::string(fast, n), std::string(own, m))
              << v.toText('.', 5, 0) << " format " << format << " decimals " << decimals;
        }
      }
    }
  }
}

}  // namespace
