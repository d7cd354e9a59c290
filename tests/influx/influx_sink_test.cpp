#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "influx/InfluxSink.h"
#include "tests/support/InfluxServer.h"

using namespace zrl;
using zrltest::InfluxServer;

namespace {

using Rows = std::vector<std::vector<std::string>>;

std::vector<OutputColumn> columns() {
  return {{1, "Engine.Speed", "Engine_Speed", "rpm", 1}, {2, "Engine.Gear", "Engine_Gear", "", 0},
          {3, "Cab.Text", "Cab_Text", "", 0}};
}

InfluxOptions optionsFor(const InfluxServer& server, const std::string& database) {
  InfluxOptions options;
  options.url = server.url();
  options.database = database;
  options.measurement = "engine run";
  options.gateway = "gw,1";
  options.retryWaitsMs = {10, 20, 40};
  return options;
}

// Hands `count` rows to `sink`, one millisecond apart.
void writeRows(InfluxSink& sink, int count) {
  for (int i = 0; i < count; ++i) {
    const DataValue speed(static_cast<float>(i) + 0.5f);
    const DataValue gear(int32_t{i % 6});
    const DataValue text("row \"" + std::to_string(i) + "\"");
    const DataValue* cells[] = {&speed, i % 2 == 0 ? &gear : nullptr, &text};
    sink.writeRow(1700000000000 + static_cast<uint64_t>(i), cells);
  }
}

TEST(InfluxSinkTest, RowsComeBackAsWritten) {
  InfluxServer& server = InfluxServer::shared();
  ZRL_REQUIRE_SERVER(server);
  // A batch size of 1, a partial last batch, and one larger than the run.
  for (uint32_t batchSize : {1u, 7u, 10000u}) {
    const std::string database = "roundtrip" + std::to_string(batchSize);
    ASSERT_TRUE(server.createDatabase(database));
    InfluxOptions options = optionsFor(server, database);
    options.batchSize = batchSize;
    InfluxSink sink(options, nullptr);
    DecodeSettings settings;
    settings.aliases = {{"Engine.Gear", "gear"}};
    ASSERT_TRUE(sink.begin(settings, columns(), "SN 42"));
    writeRows(sink, 20);
    ASSERT_TRUE(sink.end(false)) << sink.errorText();
    EXPECT_EQ(sink.pointsWritten(), 20u);

    Rows rows;
    ASSERT_TRUE(server.query(database,
                             "SELECT \"Engine.Speed\", gear, \"Cab.Text\", gateway, serial "
                             "FROM \"engine run\"",
                             rows));
    ASSERT_EQ(rows.size(), 21u) << batchSize;
    for (int i = 0; i < 20; ++i) {
      const std::vector<std::string>& row = rows[static_cast<std::size_t>(i) + 1];
      ASSERT_EQ(row.size(), 8u);
      EXPECT_EQ(row[2], std::to_string(1700000000000 + i));
      EXPECT_EQ(std::stod(row[3]), i + 0.5);
      EXPECT_EQ(row[4], i % 2 == 0 ? std::to_string(i % 6) : "");
      EXPECT_EQ(row[5], "row \"" + std::to_string(i) + "\"");
      EXPECT_EQ(row[6], "gw,1");
      EXPECT_EQ(row[7], "SN 42");
    }
  }
}

TEST(InfluxSinkTest, RefusedBatchNamesUrlStatusAndServerText) {
  InfluxServer& server = InfluxServer::shared();
  ZRL_REQUIRE_SERVER(server);
  InfluxSink sink(optionsFor(server, "no_such_db"), nullptr);
  ASSERT_TRUE(sink.begin(DecodeSettings{}, columns(), ""));
  writeRows(sink, 3);
  EXPECT_FALSE(sink.end(false));
  EXPECT_TRUE(sink.failed());
  EXPECT_EQ(sink.errorText(), "InfluxDB write to " + server.url() +
                                  "/write?db=no_such_db&precision=ms failed (HTTP 404): "
                                  "database not found: \"no_such_db\"; 0 points written");
}

TEST(InfluxSinkTest, LostServerFailsWithPointsAlreadyWritten) {
  InfluxServer server;
  ZRL_REQUIRE_SERVER(server);
  ASSERT_TRUE(server.createDatabase("lost"));
  InfluxOptions options = optionsFor(server, "lost");
  options.batchSize = 5;
  InfluxSink sink(options, nullptr);
  ASSERT_TRUE(sink.begin(DecodeSettings{}, columns(), ""));
  writeRows(sink, 10);
  for (int i = 0; i < 500 && sink.pointsWritten() < 10; ++i) usleep(10000);
  server.stop();
  writeRows(sink, 5);
  EXPECT_FALSE(sink.end(false));
  EXPECT_TRUE(sink.failed());
  EXPECT_NE(sink.errorText().find("failed (no answer): "), std::string::npos) << sink.errorText();
  EXPECT_NE(sink.errorText().find("; 10 points written"), std::string::npos) << sink.errorText();
}

TEST(InfluxSinkTest, MeasurementsTheServerWouldNotKeepAreRefusedAtTheStart) {
  for (const char* measurement : {"", "#m"}) {
    InfluxOptions options;
    options.measurement = measurement;
    InfluxSink sink(options, nullptr);
    EXPECT_FALSE(sink.begin(DecodeSettings{}, columns(), ""));
    EXPECT_NE(sink.errorText().find("is not usable"), std::string::npos);
  }
}

TEST(InfluxSinkTest, CancelCutsRetriesShortWithoutFailing) {
  InfluxServer& server = InfluxServer::shared();
  ZRL_REQUIRE_SERVER(server);
  InfluxOptions options = optionsFor(server, "no_such_db");
  options.batchSize = 1;
  options.retryWaitsMs = {60000};
  InfluxSink sink(options, [] { return true; });
  ASSERT_TRUE(sink.begin(DecodeSettings{}, columns(), ""));
  writeRows(sink, 1);  // would wait a minute before its retry
  EXPECT_TRUE(sink.end(true));
  EXPECT_FALSE(sink.failed());
  EXPECT_EQ(sink.pointsWritten(), 0u);
}

}  // namespace
