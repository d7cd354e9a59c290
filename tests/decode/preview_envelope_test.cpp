// The preview envelope: min/max per column from one pass, cancel and a cut stream.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "decode/PreviewEnvelope.h"
#include "tests/decode/DecodeTestSupport.h"

using namespace zrl;
using namespace zrl::decodetest;

namespace {

// Ten one-second columns over Speed (3), Temp (1) and Flag (2).
std::string tenSecondLog(const std::string& body, const zrlwriter::WriteOptions& options = {}) {
  return writeLog(engineHead(kTen, kTen + 10000), body, options);
}

std::string sampleBody() {
  return zrlwriter::RecordEncoder()
      .integer(3, 7)  // before the first timestamp: the file's first column
      .timestamp(100).integer(3, 5).floatValue(1, 2.5f).boolean(2, 1)
      .timestamp(900).integer(3, 9).floatValue(1, -1.0f)
      .timestamp(4500).integer(3, -3).boolean(2, 0)
      .timestamp(9999).integer(3, 4)
      .bytes();
}

PreviewResult preview(const std::string& path, bool cancelled = false) {
  const std::atomic<bool> cancel{cancelled};
  return computePreviewEnvelope(path, {3, 1, 2}, 10, cancel);
}

}  // namespace

TEST(PreviewEnvelope, KeepsTheLowestAndHighestValueOfEveryColumn) {
  const PreviewResult result = preview(tenSecondLog(sampleBody()));
  ASSERT_TRUE(result.complete) << result.error;
  ASSERT_EQ(result.envelope.series.size(), 3u);
  struct Case {
    std::size_t series, column;
    double low, high;
  };
  const Case cases[] = {{0, 0, 5, 9}, {0, 4, -3, -3}, {0, 9, 4, 4}, {1, 0, -1, 2.5},
                        {2, 0, 1, 1}, {2, 4, 0, 0}};
  for (const Case& c : cases) {
    const EnvelopeSeries& s = result.envelope.series[c.series];
    EXPECT_EQ(s.minimum[c.column], c.low) << c.series << "/" << c.column;
    EXPECT_EQ(s.maximum[c.column], c.high) << c.series << "/" << c.column;
  }
  EXPECT_TRUE(std::isnan(result.envelope.series[0].minimum[1]));  // a column without values
}

TEST(PreviewEnvelope, DoublesArePlottedWithTheirOwnPrecision) {
  zrlwriter::ZrlHead head = engineHead(kTen, kTen + 10000);
  head.addVariable(4, 1, zrlwriter::kDouble, "Latitude", 0, 7);
  const std::string body =
      zrlwriter::RecordEncoder().timestamp(100).doubleValue(4, 48.8566123).doubleValue(4, 48.8566125).bytes();
  const std::atomic<bool> cancel{false};
  const PreviewResult result = computePreviewEnvelope(writeLog(head, body), {4}, 10, cancel);
  ASSERT_TRUE(result.complete) << result.error;
  EXPECT_EQ(result.envelope.series[0].minimum[0], 48.8566123);
  EXPECT_EQ(result.envelope.series[0].maximum[0], 48.8566125);
}

TEST(PreviewEnvelope, CancelAndACutStreamEndEarlyWithWhatWasRead) {
  const PreviewResult cancelled = preview(tenSecondLog(sampleBody()), true);
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_FALSE(cancelled.complete);
  EXPECT_TRUE(cancelled.error.empty());

  zrlwriter::WriteOptions cut;
  cut.encoding = zrlwriter::BodyEncoding::Plain;
  std::string body = sampleBody();
  body += zrlwriter::RecordEncoder().recordId(3).bytes();  // a value record without its value
  testing::internal::CaptureStdout();
  const PreviewResult broken = preview(tenSecondLog(body, cut));
  testing::internal::GetCapturedStdout();
  EXPECT_FALSE(broken.complete);
  EXPECT_FALSE(broken.error.empty());
  EXPECT_EQ(broken.envelope.series[0].maximum[0], 9);
}

// Infinite and NaN Doubles and Floats are left out of the envelope: the
// other values of their column keep it, and a column holding only them has none.
TEST(PreviewEnvelope, NonFiniteValuesAreLeftOut) {
  zrlwriter::ZrlHead head = engineHead(kTen, kTen + 10000);
  head.addVariable(4, 1, zrlwriter::kDouble, "Latitude", 0, 7);
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::string body = zrlwriter::RecordEncoder()
                               .timestamp(100).doubleValue(4, 1.5).doubleValue(4, inf).doubleValue(4, -2.0)
                               .doubleValue(4, -inf).doubleValue(4, nan)
                               .timestamp(1500).doubleValue(4, inf).doubleValue(4, -inf)
                               .timestamp(2500).doubleValue(4, nan).doubleValue(4, 3.0).doubleValue(4, inf)
                               .floatValue(1, 2.5f).floatValue(1, std::nanf("")).floatValue(1, -HUGE_VALF)
                               .bytes();
  const std::atomic<bool> cancel{false};
  const PreviewResult result = computePreviewEnvelope(writeLog(head, body), {4, 1}, 10, cancel);
  ASSERT_TRUE(result.complete) << result.error;
  const EnvelopeSeries& s = result.envelope.series[0];
  EXPECT_EQ(result.envelope.series[1].minimum[2], 2.5);
  EXPECT_EQ(result.envelope.series[1].maximum[2], 2.5);
  EXPECT_EQ(s.minimum[0], -2.0);
  EXPECT_EQ(s.maximum[0], 1.5);
  EXPECT_TRUE(std::isnan(s.minimum[1]) && std::isnan(s.maximum[1])) << s.minimum[1] << " " << s.maximum[1];
  EXPECT_EQ(s.minimum[2], 3.0);
  EXPECT_EQ(s.maximum[2], 3.0);
}

// A zoomed view: the columns divide the asked range, and values outside it,
// or not finite, are left out.
TEST(PreviewEnvelope, ARangeGetsAllTheColumnsAndLeavesTheRestOut) {
  const std::string body = zrlwriter::RecordEncoder()
                               .timestamp(100).integer(3, 5)
                               .timestamp(4100).integer(3, 8).floatValue(1, std::numeric_limits<float>::infinity())
                               .timestamp(4600).integer(3, 6).floatValue(1, std::nanf("")).floatValue(1, 3.0f)
                               .timestamp(6500).integer(3, 9)
                               .bytes();
  const std::atomic<bool> cancel{false};
  const PreviewResult result =
      computePreviewEnvelope(tenSecondLog(body), {3, 1}, 10, cancel, {}, EnvelopeRange{kTen + 4000, kTen + 5000});
  ASSERT_TRUE(result.complete) << result.error;
  EXPECT_EQ(result.envelope.startMs, kTen + 4000);
  EXPECT_EQ(result.envelope.endMs, kTen + 5000);
  const EnvelopeSeries& speed = result.envelope.series[0];
  EXPECT_EQ(speed.minimum[1], 8);  // 4100 in the second 100 ms column
  EXPECT_EQ(speed.maximum[6], 6);
  for (std::size_t c : {0u, 9u}) EXPECT_TRUE(std::isnan(speed.maximum[c])) << c;  // 100 and 6500 are outside
  const EnvelopeSeries& temp = result.envelope.series[1];
  EXPECT_TRUE(std::isnan(temp.maximum[1]));
  EXPECT_EQ(temp.minimum[6], 3.0);
  EXPECT_EQ(temp.maximum[6], 3.0);
}

namespace {

// A log long enough to span several inflated blocks, with records of every
// type between the plotted ones, so that records straddle block ends and the
// walk has to step over strings, CAN frames and time values. Row r is at
// 1 + 2r ms, never on a one-second column boundary.
struct LongLog {
  static constexpr int kRows = 40000;
  static constexpr std::size_t kColumns = 80;  // one per second
  static int32_t speed(int r) { return (r * 7919) % 2001 - 1000; }
  static float temp(int r) { return r % 97 == 0 ? std::nanf("") : static_cast<float>((r * 31) % 503) / 4.0f; }
  static double latitude(int r) { return r % 89 == 0 ? HUGE_VAL : 48.0 + ((r * 13) % 1009) * 1e-6; }
  static uint8_t flag(int r) { return (r / 500) % 3 == 0 ? 1 : 0; }
  static std::size_t columnOf(int r) { return static_cast<std::size_t>((1 + 2 * r) / 1000); }

  static std::string write(uint32_t version, zrlwriter::BodyEncoding encoding) {
    zrlwriter::ZrlHead head = engineHead(kTen, kTen + 80000);
    head.formatVersion = version;
    head.addVariable(4, 1, zrlwriter::kDouble, "Latitude", 0, 7);
    head.addVariable(5, 0, zrlwriter::kString, "Message");
    head.addVariable(6, 0, zrlwriter::kCanFrame, "Frame");
    head.addVariable(7, 0, zrlwriter::kTimestamp, "Clock");
    zrlwriter::RecordEncoder out(version);
    for (int r = 0; r < kRows; ++r) {
      out.timestamp(static_cast<uint64_t>(1 + 2 * r)).integer(3, speed(r));
      out.string(5, std::string(static_cast<std::size_t>(r % 33), 'm')).floatValue(1, temp(r));
      out.canFrame(6, static_cast<uint8_t>(r % 9), 0x123, std::string(static_cast<std::size_t>(r % 9), 'c'));
      out.doubleValue(4, latitude(r)).boolean(2, flag(r)).timestampValue(7, 1000u * static_cast<uint64_t>(r));
    }
    zrlwriter::WriteOptions options;
    options.encoding = encoding;
    return writeLog(head, out.bytes(), options);
  }
};

}  // namespace

TEST(PreviewEnvelope, ALongLogKeepsEveryColumnsExtremesAcrossBlocks) {
  struct Case {
    uint32_t version;
    zrlwriter::BodyEncoding encoding;
  };
  for (const Case& c : {Case{4, zrlwriter::BodyEncoding::Gzip}, Case{3, zrlwriter::BodyEncoding::Gzip},
                        Case{4, zrlwriter::BodyEncoding::Plain}}) {
    SCOPED_TRACE(c.version);
    const double none = std::numeric_limits<double>::quiet_NaN();
    std::vector<std::vector<double>> low(4, std::vector<double>(LongLog::kColumns, none)), high = low;
    const auto note = [&](std::size_t s, std::size_t column, double v) {
      if (!std::isfinite(v)) return;
      if (!(v >= low[s][column])) low[s][column] = v;
      if (!(v <= high[s][column])) high[s][column] = v;
    };
    for (int r = 0; r < LongLog::kRows; ++r) {
      const std::size_t column = LongLog::columnOf(r);
      note(0, column, LongLog::speed(r));
      note(1, column, LongLog::temp(r));
      note(2, column, LongLog::flag(r));
      note(3, column, LongLog::latitude(r));
    }
    int lastPercent = -1;
    bool ordered = true;
    const std::atomic<bool> cancel{false};
    const PreviewResult result = computePreviewEnvelope(
        LongLog::write(c.version, c.encoding), {3, 1, 2, 4, 5}, LongLog::kColumns, cancel, [&](int percent) {
          ordered = ordered && percent > lastPercent;
          lastPercent = percent;
        });
    ASSERT_TRUE(result.complete) << result.error;
    EXPECT_TRUE(ordered);
    EXPECT_EQ(lastPercent, 100);
    for (std::size_t s = 0; s < 4; ++s) {
      for (std::size_t column = 0; column < LongLog::kColumns; ++column) {
        const EnvelopeSeries& series = result.envelope.series[s];
        ASSERT_EQ(series.minimum[column], low[s][column]) << s << "/" << column;
        ASSERT_EQ(series.maximum[column], high[s][column]) << s << "/" << column;
      }
    }
    // A string variable keeps empty columns.
    EXPECT_TRUE(std::isnan(result.envelope.series[4].maximum[0]));
  }
}

// A zoomed pass ends at the first time past its range, as a decode of that
// window does: values logged after the clock went back into the range are
// shown only when they come before that time.
TEST(PreviewEnvelope, ARangeEndsAtTheFirstTimePastItsEndAsADecodeWould) {
  const std::string body = zrlwriter::RecordEncoder()
                               .timestamp(1000).integer(3, 1)
                               .timestamp(4200).integer(3, 2)
                               .timestamp(2000).integer(3, 30)  // the clock set back, still before the range's end
                               .timestamp(4300).integer(3, 3)
                               .timestamp(5500).integer(3, 99)
                               .timestamp(4400).integer(3, 77)  // set back into the range after its end
                               .bytes();
  zrlwriter::WriteOptions plain;
  plain.encoding = zrlwriter::BodyEncoding::Plain;
  std::string damaged = body + zrlwriter::RecordEncoder().recordId(3).bytes();
  for (const std::string& log : {tenSecondLog(body), tenSecondLog(damaged, plain)}) {
    const std::atomic<bool> cancel{false};
    testing::internal::CaptureStdout();
    const PreviewResult result =
        computePreviewEnvelope(log, {3}, 10, cancel, {}, EnvelopeRange{kTen + 4000, kTen + 5000});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // damage after the range is never reached
    ASSERT_TRUE(result.complete) << result.error;
    const EnvelopeSeries& speed = result.envelope.series[0];
    EXPECT_EQ(speed.minimum[2], 2);
    EXPECT_EQ(speed.minimum[3], 3);
    EXPECT_TRUE(std::isnan(speed.maximum[4]));  // 77 came after 5500
    EXPECT_EQ(speed.maximum[3], 3);
    for (std::size_t c : {0u, 1u}) EXPECT_TRUE(std::isnan(speed.maximum[c])) << c;  // 1 and 30 were before it
  }
}
