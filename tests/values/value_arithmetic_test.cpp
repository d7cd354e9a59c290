#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tests/values/ValueTestSupport.h"
#include "values/DataValue.h"

using namespace zrl;

namespace {

// `left op= right` for op in "+-*/".
void applyInPlace(NodeDataValue& left, char op, const NodeDataValue& right) {
  switch (op) {
    case '+': left += right; break;
    case '-': left -= right; break;
    case '*': left *= right; break;
    case '/': left /= right; break;
  }
}

using valuetest::messagesOf;

TEST(ValueArithmetic, ScalarsMixThroughSinglePrecision) {
  struct Case {
    NodeDataValue left; char op; NodeDataValue right; DataValueKind kind; double expected;
  };
  const Case cases[] = {
      {NodeDataValue(5), '+', NodeDataValue(0.5f), DataValueKind::Float, 5.5},
      {NodeDataValue(1.0f), '-', NodeDataValue(3), DataValueKind::Float, -2.0},
      {NodeDataValue(7), '/', NodeDataValue(2), DataValueKind::Integer, 3},
      {NodeDataValue(-7), '/', NodeDataValue(2), DataValueKind::Integer, -3},
      {NodeDataValue(16777217), '+', NodeDataValue(0), DataValueKind::Integer, 16777216},
      {NodeDataValue(6), '*', NodeDataValue(7), DataValueKind::Integer, 42},
      {NodeDataValue(0.1f), '*', NodeDataValue(3), DataValueKind::Float,
       static_cast<float>(static_cast<double>(0.1f) * 3)},
      {NodeDataValue(), '+', NodeDataValue(4), DataValueKind::Integer, 4},
      {NodeDataValue(), '-', NodeDataValue(1.5f), DataValueKind::Float, -1.5},
      // Results that do not fit an Integer saturate instead of being undefined.
      {NodeDataValue(1), '/', NodeDataValue(0), DataValueKind::Integer, 2147483647},
      {NodeDataValue(-1), '/', NodeDataValue(0), DataValueKind::Integer, -2147483648.0},
      {NodeDataValue(0), '/', NodeDataValue(0), DataValueKind::Integer, 0},
      {NodeDataValue(2147483647), '*', NodeDataValue(2), DataValueKind::Integer, 2147483647},
  };
  for (Case c : cases) {
    std::string out = messagesOf([&] { applyInPlace(c.left, c.op, c.right); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(c.left.type, c.kind) << c.op;
    if (c.kind == DataValueKind::Integer) {
      EXPECT_EQ(c.left.getInt(), static_cast<int32_t>(c.expected)) << c.op;
    } else {
      EXPECT_EQ(c.left.getFloat(), static_cast<float>(c.expected)) << c.op;
    }
  }
}

TEST(ValueArithmetic, FloatDivisionByZeroIsInfinite) {
  NodeDataValue v(1.0f);
  v /= NodeDataValue(0.0f);
  EXPECT_TRUE(std::isinf(v.getFloat()));
  EXPECT_EQ(v.toText(), "nan");
}

TEST(ValueArithmetic, BinaryOperatorsWorkOnACopy) {
  const NodeDataValue a(10);
  const NodeDataValue b(4);
  EXPECT_EQ((a + b).getInt(), 14);
  EXPECT_EQ((a - b).getInt(), 6);
  EXPECT_EQ((a * b).getInt(), 40);
  EXPECT_EQ((a / b).getInt(), 2);
  EXPECT_EQ(a.getInt(), 10);

  NodeDataValue counter(1);
  const NodeDataValue before = counter++;
  EXPECT_EQ(before.getInt(), 1);
  EXPECT_EQ(counter.getInt(), 2);
  EXPECT_EQ((--counter).getInt(), 1);
  EXPECT_EQ((counter--).getInt(), 1);
  EXPECT_EQ(counter.getInt(), 0);
  EXPECT_EQ((++counter).getInt(), 1);
}

TEST(ValueArithmetic, StringConcatenationKeeps31Bytes) {
  NodeDataValue s("abc");
  s += NodeDataValue("def");
  EXPECT_EQ(s.getString(), "abcdef");

  NodeDataValue thirty(std::string(30, 'x'));
  thirty += NodeDataValue("xyz");
  EXPECT_EQ(thirty.getString(), std::string(31, 'x'));
  EXPECT_EQ(thirty.value[31], 0);

  NodeDataValue self("ab");
  self += self;
  EXPECT_EQ(self.getString(), "abab");

  NodeDataValue fromUnknown;
  fromUnknown += NodeDataValue("new");
  EXPECT_EQ(fromUnknown.getString(), "new");
}

TEST(ValueArithmetic, RefusedCombinationsPrintAndKeepTheValue) {
  struct Case { NodeDataValue left; char op; NodeDataValue right; const char* line; };
  const Case cases[] = {
      {NodeDataValue(1), '+', NodeDataValue("s"), "Cannot perform += with scalar and String\n"},
      {NodeDataValue(1.0f), '-', NodeDataValue(true), "Cannot perform -= with scalar and Boolean\n"},
      {NodeDataValue(1), '*', NodeDataValue(TimeSpec32{1, 1}),
       "Cannot perform *= with scalar and TimeStamp\n"},
      {NodeDataValue(1), '/', NodeDataValue(), "Cannot perform /= with scalar and UnknownDt\n"},
      {NodeDataValue("s"), '+', NodeDataValue(2), "Cannot perform += with string and Integer\n"},
      {NodeDataValue("s"), '-', NodeDataValue("t"), "Cannot perform '-=' on strings\n"},
      {NodeDataValue("s"), '*', NodeDataValue(2), "Cannot perform '*=' on strings\n"},
      {NodeDataValue(true), '/', NodeDataValue("t"), "Cannot perform '/=' on strings\n"},
      {NodeDataValue(true), '+', NodeDataValue(true), "+= on unknown or unsupported types\n"},
      {NodeDataValue(true), '-', NodeDataValue(1), "-= on unknown or unsupported types\n"},
      {NodeDataValue(TimeSpec32{1, 1}), '*', NodeDataValue(1), "*= on unknown or unsupported types\n"},
      {NodeDataValue(), '/', NodeDataValue(), "/= on unknown or unsupported types\n"},
  };
  for (Case c : cases) {
    const NodeDataValue before(c.left.type == DataValueKind::UnknownDt ? NodeDataValue(0) : c.left);
    std::string out = messagesOf([&] { applyInPlace(c.left, c.op, c.right); });
    EXPECT_EQ(out, c.line);
    if (c.left.type != DataValueKind::UnknownDt) {
      EXPECT_EQ(std::memcmp(c.left.value, before.value, sizeof before.value), 0) << c.line;
    }
  }
}

TEST(ValueComparison, Equality) {
  can_frame f1{};
  f1.can_id = 1;
  can_frame f2 = f1;
  f2.reserved[0] = 1;  // reserved bytes take part in equality
  NodeDataValue trueByte(true);
  trueByte.value[0] = 2;
  struct Case { NodeDataValue l; NodeDataValue r; bool equal; };
  const Case cases[] = {
      {NodeDataValue(3), NodeDataValue(3.0f), true},
      {NodeDataValue(16777216), NodeDataValue(16777217), true},
      {NodeDataValue(std::nanf("")), NodeDataValue(std::nanf("")), false},
      {NodeDataValue(true), NodeDataValue(true), true},
      {NodeDataValue(true), trueByte, false},
      {NodeDataValue("abc"), NodeDataValue("abc"), true},
      {NodeDataValue("abc"), NodeDataValue("abd"), false},
      {NodeDataValue(f1), NodeDataValue(f1), true},
      {NodeDataValue(f1), NodeDataValue(f2), false},
      {NodeDataValue(TimeSpec32{1, 2}), NodeDataValue(TimeSpec32{1, 2}), true},
      {NodeDataValue(TimeSpec32{1, 2}), NodeDataValue(TimeSpec32{1, 3}), false},
      {NodeDataValue(), NodeDataValue(), false},
      {NodeDataValue(), NodeDataValue(1), false},
  };
  for (const Case& c : cases) {
    std::string out = messagesOf([&] {
      EXPECT_EQ(c.l == c.r, c.equal);
      EXPECT_EQ(c.l != c.r, !c.equal);
    });
    EXPECT_EQ(out, "");
  }
  const NodeDataValue unknown;
  EXPECT_TRUE(unknown == unknown);
}

TEST(ValueComparison, MismatchLines) {
  struct Case { NodeDataValue l; NodeDataValue r; bool less; const char* line; };
  const Case cases[] = {
      {NodeDataValue(1.0f), NodeDataValue("s"), true,
       "Cannot perform == between Scalar '' and String null\n"},
      {NodeDataValue(true), NodeDataValue(1), true,
       "Cannot perform == between Boolean '' and Integer null\n"},
      {NodeDataValue("s"), NodeDataValue(1), true,
       "Cannot perform == between String '' and Integer null\n"},
      {NodeDataValue(can_frame{}), NodeDataValue(1), true,
       "Cannot perform == between CanFrame '' and Integer null\n"},
      {NodeDataValue(TimeSpec32{}), NodeDataValue("x"), true,
       "Cannot perform == between TimeStamp '' and String null\n"},
      {NodeDataValue(1.0f), NodeDataValue("s"), false,
       "Cannot perform < between Scalar '' and String null\n"},
      {NodeDataValue("s"), NodeDataValue(2), false,
       "Cannot perform < between String '' and Integer null\n"},
      {NodeDataValue(true), NodeDataValue(true), false, "Cannot perform < on unsupported types\n"},
      {NodeDataValue(), NodeDataValue(1), false, "Cannot perform < with Unknown type: , null\n"},
      {NodeDataValue(1), NodeDataValue(), false, "Cannot perform < with Unknown type: , null\n"},
  };
  for (const Case& c : cases) {
    bool result = true;
    std::string out = messagesOf([&] { result = c.less ? c.l == c.r : c.l < c.r; });
    EXPECT_FALSE(result);
    EXPECT_EQ(out, c.line);
  }
}

TEST(ValueComparison, OrderingAndDerivedOperators) {
  EXPECT_TRUE(NodeDataValue(1) < NodeDataValue(1.5f));
  EXPECT_FALSE(NodeDataValue(std::nanf("")) < NodeDataValue(1));
  EXPECT_TRUE(NodeDataValue("abc") < NodeDataValue("abd"));
  EXPECT_TRUE(NodeDataValue("ab") < NodeDataValue("abc"));
  EXPECT_TRUE(NodeDataValue("\x7f") < NodeDataValue("\x80"));  // bytes compare unsigned
  EXPECT_TRUE(NodeDataValue(2) <= NodeDataValue(2.0f));
  EXPECT_TRUE(NodeDataValue(3) > NodeDataValue(2));
  EXPECT_TRUE(NodeDataValue(2) >= NodeDataValue(2));

  // Booleans have no order: the derived operators are negations, so a
  // refused pair compares as > and >= ...
  const NodeDataValue t(true), f(false);
  std::string out = messagesOf([&] {
    EXPECT_TRUE(t >= f);
    EXPECT_TRUE(t > f);   // < refused, == false
    EXPECT_FALSE(t > NodeDataValue(true));  // < refused, == true
  });
  EXPECT_EQ(out,
            "Cannot perform < on unsupported types\n"
            "Cannot perform < on unsupported types\n"
            "Cannot perform < on unsupported types\n");
  // ... and <= of a mismatched pair writes both lines.
  out = messagesOf([&] { EXPECT_FALSE(NodeDataValue(1) <= NodeDataValue("s")); });
  EXPECT_EQ(out,
            "Cannot perform < between Scalar '' and String null\n"
            "Cannot perform == between Scalar '' and String null\n");
}

TEST(ValueComparison, SortsMixedScalars) {
  std::vector<NodeDataValue> values = {NodeDataValue(3), NodeDataValue(-1.5f), NodeDataValue(2),
                                       NodeDataValue(0.25f), NodeDataValue(-7)};
  std::sort(values.begin(), values.end());
  std::vector<float> sorted;
  for (const NodeDataValue& v : values) sorted.push_back(v.getFloat());
  EXPECT_EQ(sorted, (std::vector<float>{-7, -1.5f, 0.25f, 2, 3}));
  EXPECT_EQ(values[0].type, DataValueKind::Integer);
  EXPECT_EQ(values[1].type, DataValueKind::Float);
}

}  // namespace
