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
