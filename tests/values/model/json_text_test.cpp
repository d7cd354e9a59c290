#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>

#include "values/model/JsonText.h"

using namespace zrl;

namespace {

TEST(JsonText, ParsesNestedDocument) {
  JsonValue root;
  ASSERT_TRUE(JsonValue::parse(
      " {\"a\": [1, -2.5e1, true, false, null], \"b\": {\"c\": \"x\\\"y\\u00e9\\ud83d\\ude00\"}}\n",
      root));
  ASSERT_TRUE(root.isObject());
  const JsonValue* a = root.find("a");
  ASSERT_TRUE(a && a->isArray());
  ASSERT_EQ(a->items().size(), 5U);
  EXPECT_EQ(a->items()[0].asNumber(), 1);
  EXPECT_EQ(a->items()[1].asNumber(), -25);
  EXPECT_TRUE(a->items()[2].asBool());
  EXPECT_TRUE(a->items()[3].isBool());
  EXPECT_TRUE(a->items()[4].isNull());
  EXPECT_EQ(root.find("b")->find("c")->asString(), "x\"y\u00e9\U0001F600");
  EXPECT_EQ(root.find("missing"), nullptr);
}

TEST(JsonText, RejectsMalformedText) {
  const char* bad[] = {"",          "{",           "{\"a\" 1}",  "[1,]",      "{\"a\":1,}",
                       "01x",       "\"open",      "tru",        "[1] 2",     "{1:2}",
                       "\"\\q\"",   "\"\\ud800\"", "-",          "1.",        "\"a\nb\""};
  for (const char* text : bad) {
    JsonValue v = JsonValue::number(7);
    std::string error;
    EXPECT_FALSE(JsonValue::parse(text, v, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
    EXPECT_EQ(v.asNumber(), 7) << "output untouched on failure";
  }
  // Deep nesting is refused, not a stack overflow.
  JsonValue deep;
  EXPECT_FALSE(JsonValue::parse(std::string(100000, '['), deep));
}

TEST(JsonText, WritesStringsAndNumbers) {
  std::ostringstream out;
  writeJsonString(out, "a\"b\\c\n\t\x01\u00b0");
  EXPECT_EQ(out.str(), "\"a\\\"b\\\\c\\n\\t\\u0001\u00b0\"");

  struct Case { double value; const char* text; };
  const Case cases[] = {{0, "0"}, {-12, "-12"}, {0.5, "0.5"},
                        {std::numeric_limits<double>::infinity(), "1e+9999"},
                        {-std::numeric_limits<double>::infinity(), "-1e+9999"},
                        {std::nan(""), "null"}};
  for (const Case& c : cases) {
    std::ostringstream number;
    writeJsonNumber(number, c.value);
    EXPECT_EQ(number.str(), c.text);
  }
  std::ostringstream f;
  writeJsonFloat(f, 0.1f);
  EXPECT_EQ(f.str(), "0.100000001");

  // Infinities written this way read back as infinities.
  JsonValue v;
  ASSERT_TRUE(JsonValue::parse("-1e+9999", v));
  EXPECT_TRUE(std::isinf(v.asNumber()) && v.asNumber() < 0);
}

}  // namespace
