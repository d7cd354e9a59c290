#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "tests/support/IsolatedEnvironment.h"
#include "tests/values/ValueTestSupport.h"
#include "values/model/JsonText.h"
#include "values/model/NodeData.h"
#include "values/model/ValueRegistries.h"

using namespace zrl;

namespace {

using valuetest::messagesOf;

constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(ValuePersistentInfo, JsonKeysAndDefaults) {
  JsonValue empty;
  ASSERT_TRUE(JsonValue::parse("{}", empty));
  const ValuePersistentInfo defaults = ValuePersistentInfo::fromJson(empty);
  EXPECT_EQ(defaults.alias, "");
  EXPECT_EQ(defaults.decimalsDisplay, 255);
  EXPECT_EQ(defaults.digits, 255);
  EXPECT_FALSE(defaults.enableMinMax);
  EXPECT_EQ(defaults.userMin, kInf);
  EXPECT_EQ(defaults.userMax, -kInf);
  EXPECT_FALSE(defaults.enableHistory);
  EXPECT_EQ(defaults.historyPeriodMs, 500);
  EXPECT_EQ(defaults.toJson(),
            "{\"alias\":\"\",\"decimalsDisplay\":255,\"digits\":255,\"enableMinMax\":false,"
            "\"userMin\":1e+9999,\"userMax\":-1e+9999,\"enableHistory\":false,"
            "\"historyPeriodMs\":500}");

  JsonValue legacy;
  ASSERT_TRUE(JsonValue::parse("{\"decimals\":3,\"digits\":\"x\",\"historyPeriodMs\":70000}", legacy));
  const ValuePersistentInfo fromLegacy = ValuePersistentInfo::fromJson(legacy);
  EXPECT_EQ(fromLegacy.decimalsDisplay, 3);
  EXPECT_EQ(fromLegacy.digits, 255);             // wrong type keeps the default
  EXPECT_EQ(fromLegacy.historyPeriodMs, 500);    // out of range keeps the default

  JsonValue full;
  ASSERT_TRUE(JsonValue::parse(
      "{\"alias\":\"Speed\",\"decimalsDisplay\":2,\"decimals\":7,\"digits\":4,"
      "\"enableMinMax\":true,\"userMin\":-1.5,\"userMax\":99,\"enableHistory\":true,"
      "\"historyPeriodMs\":250}",
      full));
  const ValuePersistentInfo info = ValuePersistentInfo::fromJson(full);
  EXPECT_EQ(info.alias, "Speed");
  EXPECT_EQ(info.decimalsDisplay, 2);
  EXPECT_EQ(info.digits, 4);
  EXPECT_TRUE(info.enableMinMax);
  EXPECT_EQ(info.userMin, -1.5f);
  EXPECT_EQ(info.userMax, 99.0f);
  EXPECT_TRUE(info.enableHistory);
  EXPECT_EQ(info.historyPeriodMs, 250);

  // Round trip through the text form.
  JsonValue again;
  ASSERT_TRUE(JsonValue::parse(info.toJson(), again));
  EXPECT_EQ(ValuePersistentInfo::fromJson(again).toJson(), info.toJson());
  JsonValue infinities;
  ASSERT_TRUE(JsonValue::parse(defaults.toJson(), infinities));
  EXPECT_EQ(ValuePersistentInfo::fromJson(infinities).userMin, kInf);
}

TEST(CircularBuffer, WrapsAtCapacityKeepingNewest) {
  CircularBuffer<int, 4> ring;
  int newest = 0;
  EXPECT_FALSE(ring.newest(newest));
  for (int i = 1; i <= 6; ++i) ring.push(i);
  EXPECT_EQ(ring.size(), 4U);
  EXPECT_EQ(ring.snapshot(), (std::vector<int>{3, 4, 5, 6}));
  ASSERT_TRUE(ring.newest(newest));
  EXPECT_EQ(newest, 6);
  EXPECT_EQ(ValuePersistentInfo::History::capacity(), 7200U);
  EXPECT_EQ(ValuePersistentInfo::History::elementSize(), 16U);
}

TEST(NodeData, ValuesAreNamedRegisteredAndTracked) {
  NodeData group("engine");
  EXPECT_GE(group.id, 0);
  EXPECT_EQ(ConnectorRegistry::global().registerName("engine"), group.id);

  NodeDataValue& speed = group.value("speed.km,h");
  EXPECT_EQ(&group.value("speed_km_h"), &speed);
  EXPECT_EQ(speed.type, DataValueKind::UnknownDt);
  EXPECT_EQ(speed.parent, &group);
  ASSERT_NE(speed.tracker, nullptr);
  EXPECT_EQ(speed.tracker->value, &speed);
  EXPECT_GE(speed.id, 0);
  EXPECT_EQ(speed.fullName(), "engine.speed_km_h");
  EXPECT_EQ(VariableRegistry::global().value(speed.id), &speed);

  // Messages name the value and the other operand.
  speed = 5;
  NodeDataValue& label = group.value("label");
  label = "text";
  EXPECT_EQ(messagesOf([&] { speed.getBool(); }), "engine.speed_km_h is not boolean\n");
  EXPECT_EQ(messagesOf([&] { (void)(speed == label); }),
            "Cannot perform == between Scalar 'engine.speed_km_h' and String engine.label\n");
  EXPECT_EQ(messagesOf([&] { (void)(NodeDataValue() < label); }),
            "Cannot perform < with Unknown type: , engine.label\n");

  // A copy is a plain value that keeps the id but no links.
  const NodeDataValue copy(speed);
  EXPECT_EQ(copy.parent, nullptr);
  EXPECT_EQ(copy.tracker, nullptr);
  EXPECT_EQ(copy.id, speed.id);
}

TEST(NodeData, GroupHoldsAtMost1024Values) {
  NodeData group("crowded");
  for (int i = 0; i < 1024; ++i) group.value("v" + std::to_string(i)) = i;
  NodeDataValue* returned = nullptr;
  EXPECT_EQ(messagesOf([&] { returned = &group.value("one_more"); }),
            "crowded: ERROR, maximum number of variables reached\n");
  EXPECT_EQ(returned, group.values.begin()->second.get());
  EXPECT_EQ(group.size(), 1024U);

  // Merging into a full group leaves the existing values alone.
  NodeData extra("extra");
  extra.value("zz_new") = 77;
  extra.value("v5") = 55;
  const int32_t firstBefore = group.values.begin()->second->getInt();
  EXPECT_EQ(messagesOf([&] { group.merge(extra); }),
            "crowded: ERROR, maximum number of variables reached\n");
  EXPECT_EQ(group.values.begin()->second->getInt(), firstBefore);
  EXPECT_EQ(group.value("v5").getInt(), 55);
}

TEST(ValueRegistries, LimitsAndMessages) {
  VariableRegistry variables;
  for (std::size_t i = 0; i < VariableRegistry::kMaxVariables; ++i) {
    ASSERT_EQ(variables.add("v", nullptr), static_cast<int16_t>(i));
  }
  int16_t id = 0;
  EXPECT_EQ(messagesOf([&] { id = variables.add("late", nullptr); }),
            "ERROR: Overall maximum number of variables reached\n");
  EXPECT_EQ(id, -1);
  EXPECT_EQ(variables.name(-1), "");
  EXPECT_EQ(variables.name(20000), "");

  ConnectorRegistry connectors;
  for (std::size_t i = 0; i < ConnectorRegistry::kMaxConnectors; ++i) {
    ASSERT_EQ(connectors.registerName("g" + std::to_string(i)), static_cast<int16_t>(i));
  }
  EXPECT_EQ(connectors.registerName("g7"), 7);
  EXPECT_EQ(messagesOf([&] { id = connectors.registerName("late"); }),
            "late: ERROR, overall maximum number of output connectors reached\n");
  EXPECT_EQ(id, -1);
  EXPECT_EQ(connectors.find("late"), -1);
}

TEST(NodeDataValueAdd, ExtremesAndHistoryFollowArithmetic) {
  NodeData group("tracked");
  NodeDataValue& v = group.value("x");
  v = 10;
  NodeDataValueAdd& node = *v.tracker;

  v += NodeDataValue(1);  // tracking off: nothing recorded
  EXPECT_FALSE(node.minSet());

  ValuePersistentInfo settings;
  settings.enableHistory = true;
  settings.historyPeriodMs = 1000;
  node.applyPersistentInfo(settings);
  EXPECT_TRUE(node.info.enableMinMax);  // history forces min/max on
  ASSERT_NE(node.info.history, nullptr);

  v += NodeDataValue(4);   // 15
  v -= NodeDataValue(20);  // -5, within the history period: not recorded
  EXPECT_EQ(node.info.currentMax, 15.0f);
  EXPECT_EQ(node.info.currentMin, -5.0f);
  EXPECT_EQ(node.info.history->size(), 1U);

  node.resetMinMax();  // re-seeded from the current value
  EXPECT_EQ(node.info.currentMin, -5.0f);
  EXPECT_EQ(node.info.currentMax, -5.0f);

  // Explicit clock: one sample per period, ring of 7200.
  node.info.history->clear();
  for (int64_t i = 0; i < 7300; ++i) node.recordHistory(static_cast<float>(i), 1000 * i);
  node.recordHistory(-1, 1000 * 7299 + 999);  // younger than the period
  const auto samples = node.info.history->snapshot();
  ASSERT_EQ(samples.size(), 7200U);
  EXPECT_EQ(samples.front().value, 100.0f);
  EXPECT_EQ(samples.back().value, 7299.0f);

  // Booleans count as their byte; strings are not numbers.
  NodeDataValue& flag = group.value("flag");
  ValuePersistentInfo minMax;
  minMax.enableMinMax = true;
  flag.tracker->applyPersistentInfo(minMax);
  flag = true;
  flag.tracker->notifyChanged();
  EXPECT_EQ(flag.tracker->info.currentMax, 1.0f);
}

TEST(NodeData, ArithmeticAndMerging) {
  NodeData a("sumA");
  a.value("p") = 1;
  a.value("q") = 2.5f;
  a.value("r") = 7;
  NodeData b("sumB");
  b.value("p") = 10;
  b.value("q") = 0.5f;

  a += b;  // pairwise in name order; "r" has no partner
  EXPECT_EQ(a.value("p").getInt(), 11);
  EXPECT_EQ(a.value("q").getFloat(), 3.0f);
  EXPECT_EQ(a.value("r").getInt(), 7);
  a -= b;
  EXPECT_EQ(a.value("p").getInt(), 1);

  const NodeData doubled = a * 2;
  EXPECT_EQ(doubled.find("p")->type, DataValueKind::Float);  // factor is a Float
  EXPECT_EQ(doubled.find("p")->getFloat(), 2.0f);
  EXPECT_EQ(doubled.find("p")->parent, &doubled);
  EXPECT_EQ(a.value("p").getInt(), 1);  // the original is untouched
  const NodeData halved = a / 2;
  EXPECT_EQ(halved.find("r")->getFloat(), 3.5f);

  NodeData c("sumC");
  c.value("p") = "text";
  c.value("new") = true;
  a.merge(c);
  EXPECT_EQ(a.value("p").getString(), "text");
  ASSERT_NE(a.find("new"), nullptr);
  EXPECT_TRUE(a.find("new")->getBool());
  EXPECT_EQ(a.find("new")->parent, &a);
}

TEST(NodeData, JsonAndTextForms) {
  NodeData group("gps");
  NodeDataValue& lat = group.value("lat");
  lat = 0.1f;
  lat.unit = 14;  // degrees
  group.value("fix") = true;

  EXPECT_EQ(group.toJson(), "{\"id\":" + std::to_string(group.id) + ",\"name\":\"gps\"}");
  EXPECT_EQ(group.toText(),
            "{{\"group\":\"gps\"},{\"values\":[{\"fix\":true},{\"lat\":0.100000001}]}");
  EXPECT_EQ(valueToJson(lat), "{\"id\":\"gps.lat\",\"value\":\"0.100000001\",\"unit\":\"\u00b0\"}");
  EXPECT_EQ(valueToJson(NodeDataValue(3)), "null");

  const std::string rich = valueToRichJson(lat);
  JsonValue parsed;
  ASSERT_TRUE(JsonValue::parse(rich, parsed)) << rich;
  EXPECT_EQ(parsed.find("name")->asString(), "lat");
  EXPECT_EQ(parsed.find("type")->asString(), "Float");
  EXPECT_EQ(parsed.find("group")->asString(), "gps");
  EXPECT_EQ(parsed.find("unitSym")->asString(), "\u00b0");
  EXPECT_EQ(parsed.find("historyPeriodMs")->asNumber(), 500);

  // Persistent infos: only values that had them applied, and they apply back.
  EXPECT_EQ(group.persistentInfosJson(), "{}");
  ValuePersistentInfo settings;
  settings.alias = "Latitude";
  settings.enableHistory = true;
  lat.tracker->applyPersistentInfo(settings);
  const std::string infos = group.persistentInfosJson();
  NodeData other("gps2");
  other.value("lat");
  other.applyPersistentInfos(infos);
  EXPECT_TRUE(other.value("lat").tracker->persistentInfoApplied);
  EXPECT_EQ(other.value("lat").tracker->info.alias, "Latitude");
  EXPECT_NE(other.value("lat").tracker->info.history, nullptr);

  lat.tracker->recordHistory(1.5f, 1000);
  lat.tracker->recordHistory(2.5f, 2000);
  EXPECT_EQ(valueHistoryJson(lat), "{\"id\":" + std::to_string(group.id * 65536 + lat.id) +
                                       ",\"history\":[[1000,1.5],[2000,2.5]],\"oldestTs\":1000}");
}

TEST(Extremes, DumpListsTrackedValuesWithExtremes) {
  NodeData group("ext");
  NodeDataValue& t = group.value("temp");
  t = 20.0f;
  ValuePersistentInfo settings;
  settings.enableMinMax = true;
  settings.decimalsDisplay = 1;
  t.tracker->applyPersistentInfo(settings);
  t += NodeDataValue(1.25f);
  t -= NodeDataValue(5.0f);
  group.value("untouched") = 1;

  NodeDataValue& half = group.value("half");
  half = 1;
  half.tracker->defaultDecimals = 0;
  half.tracker->info.currentMax = 3.0f;  // only one side ever set

  const std::string text = extremesText();
  EXPECT_EQ(text.rfind("FullName\tMin\tMax\n", 0), 0U);
  EXPECT_NE(text.find("\next.temp\t16.3\t21.3\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\next.half\tnan\t3\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("ext.untouched"), std::string::npos);

  const std::string path = zrltest::tempDir() + "/extremes.csv";
  EXPECT_EQ(dumpExtremes(path), path);
  EXPECT_EQ(zrltest::readFile(path), extremesText());
  EXPECT_EQ(dumpExtremes(zrltest::tempDir() + "/no/such/dir/x.csv"), "");
}

}  // namespace
