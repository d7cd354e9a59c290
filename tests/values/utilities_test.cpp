#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "values/Clock.h"
#include "values/DataValue.h"
#include "values/Diagnostics.h"
#include "values/TextUtils.h"
#include "values/Units.h"
#include "tests/support/CapturedDiagnostics.h"

using namespace zrl;

namespace {

// Lines arrive whole at the installed sink, text without a newline as it is;
// errno survives for the errno text callers print next; the sink before the
// capture is back afterwards.
TEST(Diagnostics, SinkReceivesLinesAndTextAndErrnoSurvives) {
  DiagnosticSink* before = setDiagnosticSink(nullptr);
  setDiagnosticSink(before);
  {
    zrltest::CapturedDiagnostics captured;
    errno = ENOSPC;
    printDiagnosticLine("first");
    printDiagnosticText("50% ");
    printDiagnosticLine("");
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_EQ(captured.text(), "first\n50% \n");
  }
  EXPECT_EQ(setDiagnosticSink(before), before);
}

TEST(Units, NamesSymbolsAndLookup) {
  struct Case { int32_t code; const char* name; const char* symbol; };
  const Case cases[] = {{0, "UNSET", ""},          {1, "NAUTICAL_KNOTS", "kn"},
                        {7, "CUBIC_METERS", "m\u00b3"}, {25, "CELSIUS", "\u00b0C"},
                        {34, "TIME", ""},           {36, "MICROSTRAIN", "\u00b5\u03b5"},
                        {55, "MAGNETICFIELD", "A.U."}, {68, "BITFIELD", ""},
                        {69, "LAST", ""},           {70, "Unknown", ""},
                        {-1, "Unknown", ""}};
  for (const Case& c : cases) {
    EXPECT_STREQ(unitName(c.code), c.name) << c.code;
    EXPECT_STREQ(unitSymbol(c.code), c.symbol) << c.code;
  }
  EXPECT_EQ(static_cast<int32_t>(Unit::METERS_PER_SECOND), 8);
  EXPECT_EQ(static_cast<int32_t>(Unit::LITERS), 67);
  EXPECT_EQ(unitFromName("METERS"), 3);
  EXPECT_EQ(unitFromName("meters"), 0);
  EXPECT_EQ(unitFromName("LAST"), 69);
  EXPECT_EQ(unitFromName(""), 0);
  // Every name leads back to its own code.
  for (int32_t code = 0; code <= 69; ++code) EXPECT_EQ(unitFromName(unitName(code)), code);
}

TEST(TextUtils, Transformations) {
  EXPECT_EQ(escapeSpaces("Engine speed"), "Engine\\ speed");
  EXPECT_EQ(escapeSpaces("  "), "\\ \\ ");
  EXPECT_EQ(escapeSpaces(""), "");
  EXPECT_EQ(escapeSpaces("a\tb"), "a\tb");
  EXPECT_EQ(replaceCommasAndDots("a.b,c"), "a_b_c");
  EXPECT_EQ(removeWhitespace(" a\tb\r\nc "), "abc");
  EXPECT_EQ(splitTokens(",,a,b;;c,", ",;"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(splitTokens("", ",").empty());
  EXPECT_EQ(splitTokens("abc", ""), (std::vector<std::string>{"abc"}));
}

TEST(Clock, SleepsAndReads) {
  const timespec before = clockNow(ClockKind::Monotonic);
  sleepMicroseconds(1500);
  timespec until = clockNow(ClockKind::Monotonic);
  until.tv_nsec += 1000000;
  if (until.tv_nsec >= 1000000000) {
    until.tv_nsec -= 1000000000;
    ++until.tv_sec;
  }
  sleepUntil(ClockKind::Monotonic, until);
  const timespec after = clockNow(ClockKind::Monotonic);
  const int64_t elapsedUs = (after.tv_sec - before.tv_sec) * 1000000LL +
                            (after.tv_nsec - before.tv_nsec) / 1000;
  EXPECT_GE(elapsedUs, 2500);
  EXPECT_GT(realTimeMs(), 1600000000000LL);
}

// The value's lock keeps a reader from seeing half of a write.
TEST(DataValueLock, ConcurrentReadersNeverSeeTornStrings) {
  const std::string first(31, 'a');
  const std::string second = "b";
  NodeDataValue shared(first);
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; i < 20000; ++i) shared = (i % 2 == 0) ? second : first;
    stop = true;
  });
  int torn = 0;
  while (!stop) {
    const std::string seen = shared.getString();
    if (seen != first && seen != second) ++torn;
    char cell[kValueTextCapacity];
    const int n = shared.toText(cell, sizeof cell, '.', 0, 0);
    if (std::string(cell, static_cast<std::size_t>(n)) != first &&
        std::string(cell, static_cast<std::size_t>(n)) != second) {
      ++torn;
    }
  }
  writer.join();
  EXPECT_EQ(torn, 0);
}

}  // namespace
