// The generated CSV name and the verbose summary.
#include <gtest/gtest.h>

#include "session/DefaultOutputName.h"
#include "task/ParameterSummary.h"

namespace {

TEST(DecodeTexts, ResamplingSuffix) {
  EXPECT_EQ(resamplingSuffix(0), "");
  EXPECT_EQ(resamplingSuffix(-2), "_0.01Hz");
  EXPECT_EQ(resamplingSuffix(-1), "_0.1Hz");
  EXPECT_EQ(resamplingSuffix(10), "_10Hz");
  EXPECT_EQ(resamplingSuffix(25), "_25Hz");
}

TEST(DecodeTexts, DefaultOutputName) {
  const QDateTime start(QDate(2026, 3, 5), QTime(14, 7, 9), Qt::UTC);
  EXPECT_EQ(defaultOutputName("C:/out", "C:/logs/ABCD1234.zrl", start, 10),
            "C:/out/ABCD-20260305-140709_10Hz.csv");
  // Short and dotted base names: only the last extension goes.
  EXPECT_EQ(defaultOutputName("/o", "/l/AB.zrl", start, 0), "/o/AB-20260305-140709.csv");
  EXPECT_EQ(defaultOutputName("/o", "/l/a.b.zrl", start, -1), "/o/a.b-20260305-140709_0.1Hz.csv");
  EXPECT_EQ(defaultOutputName("/o", "/l/AB.zrl", start, 1, ".h5"), "/o/AB-20260305-140709_1Hz.h5");
}

TEST(ParameterSummary, ExactTextWithAliasesAndFilters) {
  DecodeParameters p;
  p.logPath = "/logs/a.zrl";
  p.outputPath = "/out/a.csv";
  p.serial = "SN42";
  p.start = QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9), Qt::LocalTime);
  p.end = QDateTime(QDate(2026, 3, 5), QTime(15, 0, 0), Qt::LocalTime);
  p.uncompressedSize = 5000000000ULL;
  p.resampling = "_10Hz";
  p.leaveBlank = true;
  p.floatFormat = "Tarvik";
  p.columnSeparator = "tab";
  p.decimalSeparator = ",";
  p.unitLine = true;
  p.aliases = {{"Engine.Speed", "S"}};
  p.filters = {{"Engine.Rpm", "maximum", "9000"}, {"Engine.Rpm", "minimum", "10"}};
  EXPECT_EQ(parameterSummaryText(p).toStdString(),
            "ZRL decode parameters : \n"
            "  - ZRL file : /logs/a.zrl\n"
            "  - CSV file : /out/a.csv\n"
            "  - Tarvix Serial num : SN42\n"
            "  - Start : Thu Mar 5 14:07:09 2026\n"
            "  - End : Thu Mar 5 15:00:00 2026\n"
            "  - Uncompressed size : 5000000000\n"
            "  - Resampling : _10Hz\n"
            "  - Leave Blank Cell : 1\n"
            "  - Msec in date : 0\n"
            "  - Float format : Tarvik\n"
            "  - Column separator : tab\n"
            "  - Decimal separator : ,\n"
            "  - UTC : 1\n"
            "  - Unit line : 1\n"
            "  - Aliases : \n"
            "    - Engine.Speed = S\n"
            "  - Filters : \n"
            "    - Engine.Rpm = maximum\n"
            "    - Engine.Rpm = minimum\n");
}

TEST(ParameterSummary, NoListSectionsWhenEmpty) {
  const QString text = parameterSummaryText(DecodeParameters());
  EXPECT_FALSE(text.contains("Aliases"));
  EXPECT_FALSE(text.contains("Filters"));
  EXPECT_TRUE(text.endsWith("  - Unit line : 0\n"));
}

}  // namespace
