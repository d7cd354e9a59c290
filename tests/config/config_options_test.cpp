// Reading the typed options out of a configuration object and writing them
// back, including malformed files that must not bring the program down.
#include <gtest/gtest.h>

#include "config/ConfigFile.h"
#include "config/ConfigOptions.h"

namespace {

Json::Value parse(const std::string& text) {
  Json::CharReaderBuilder builder;
  Json::Value value;
  std::string errors;
  std::istringstream in(text);
  EXPECT_TRUE(Json::parseFromStream(builder, in, &value, &errors)) << errors;
  return value;
}

TEST(ReduceDisplayName, KeepsFullNamesAndStripsAliasDisplayForm) {
  const std::vector<std::pair<QString, QString>> cases = {
      {"Engine.Speed", "Engine.Speed"},
      {"RPM [Engine.Speed]", "Engine.Speed"},
      {"a [b] [Engine.Speed]", "Engine.Speed"},
      {"RPM [Engine.Speed", "RPM [Engine.Speed"},
      {"Engine.Speed]", "Engine.Speed]"},
      {"", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(reduceDisplayName(in), out) << in.toStdString();
}

TEST(LoadedOptions, DefaultsForAnEmptyObject) {
  const LoadedOptions o = readLoadedOptions(Json::Value(Json::objectValue));
  EXPECT_FALSE(o.milliseconds);
  EXPECT_TRUE(o.utc);
  EXPECT_FALSE(o.zrl || o.floatFormat || o.unitLine || o.cellFilling || o.typeFilterBool);
  EXPECT_FALSE(o.aliasesGiven);
  EXPECT_TRUE(o.aliases.isEmpty());
  EXPECT_TRUE(o.conditions.isEmpty());
  EXPECT_TRUE(o.methodTexts.isEmpty());
}

TEST(LoadedOptions, ReadsEveryKey) {
  const LoadedOptions o = readLoadedOptions(parse(R"({
    "utc": false, "milliseconds": true, "cell_filling": false, "units": true,
    "zrl": "/logs/a.zrl", "floatFormat": "3 decimals", "columnSeparator": "tab",
    "decimalSeparator": ",", "method": "Max", "aggregation": "Mean",
    "var": ["Engine.Speed", "Engine.Rpm", "Engine.Speed"], "aliasVal": ["S", "R", "S2"],
    "minVar": ["Engine.Rpm"], "minVal": ["10"],
    "maxVar": ["RPM [Engine.Speed]", "Engine.Rpm"], "maxVal": ["100", "9000"],
    "typeFilter_float": false, "typeFilter_int": true, "typeFilter_string": false,
    "typeFilter_bool": true })"));
  EXPECT_FALSE(o.utc);
  EXPECT_TRUE(o.milliseconds);
  EXPECT_EQ(o.cellFilling, false);
  EXPECT_EQ(o.unitLine, true);
  EXPECT_EQ(o.zrl, QString("/logs/a.zrl"));
  EXPECT_EQ(o.floatFormat, QString("3 decimals"));
  EXPECT_EQ(o.columnSeparator, QString("tab"));
  EXPECT_EQ(o.decimalSeparator, QString(","));
  EXPECT_EQ(o.methodTexts, QStringList({"Max", "Mean"}));
  // The first pair of a name wins.
  EXPECT_TRUE(o.aliasesGiven);
  EXPECT_EQ(o.aliases, (QList<QStringList>{{"Engine.Speed", "S"}, {"Engine.Rpm", "R"}}));
  // Maxima first, names as written (only the log tells a display form).
  EXPECT_EQ(o.conditions, (QList<QStringList>{{"RPM [Engine.Speed]", "maximum", "100"},
                                              {"Engine.Rpm", "maximum", "9000"},
                                              {"Engine.Rpm", "minimum", "10"}}));
  EXPECT_EQ(o.typeFilterFloat, false);
  EXPECT_EQ(o.typeFilterInt, true);
  EXPECT_EQ(o.typeFilterString, false);
  EXPECT_EQ(o.typeFilterBool, true);
}

TEST(LoadedOptions, WrongTypesAndShortPartnerArraysAreSkipped) {
  const LoadedOptions o = readLoadedOptions(parse(R"({
    "utc": "no", "milliseconds": 1, "units": [], "cell_filling": {}, "zrl": 5,
    "floatFormat": null, "method": ["Max"], "aggregation": "Min",
    "var": ["A.a"], "aliasVal": ["x", "y", 3],
    "maxVar": ["A.a", 7, "A.c"], "maxVal": ["1", "2"],
    "minVar": "A.a", "minVal": ["1"],
    "typeFilter_int": "yes", "selected_vars": {"a": 1} })"));
  EXPECT_TRUE(o.utc);
  EXPECT_FALSE(o.milliseconds);
  EXPECT_FALSE(o.unitLine || o.cellFilling || o.zrl || o.floatFormat || o.typeFilterInt);
  EXPECT_EQ(o.methodTexts, QStringList({"Min"}));
  EXPECT_EQ(o.aliases, (QList<QStringList>{{"A.a", "x"}}));
  EXPECT_EQ(o.conditions, (QList<QStringList>{{"A.a", "maximum", "1"}}));
}

// Limits as JSON numbers count as their text: integers without a point,
// doubles in the shortest text that reads back the same; other kinds are
// skipped like a missing partner.
TEST(LoadedOptions, NumericLimitsCountAsTheirText) {
  const LoadedOptions o = readLoadedOptions(parse(R"({
    "minVar": ["A.a", "A.b", "A.c", "A.d", "A.e", "A.f", "A.g", "A.h"],
    "minVal": [3010, -2, 12.5, 0.1, 3010.0, 1e-7, 18446744073709551615, true] })"));
  EXPECT_EQ(o.conditions, (QList<QStringList>{{"A.a", "minimum", "3010"},
                                              {"A.b", "minimum", "-2"},
                                              {"A.c", "minimum", "12.5"},
                                              {"A.d", "minimum", "0.1"},
                                              {"A.e", "minimum", "3010"},
                                              {"A.f", "minimum", "1e-07"},
                                              {"A.g", "minimum", "18446744073709551615"}}));
}

TEST(LoadedOptions, CsvFormKeys) {
  const LoadedOptions absent = readLoadedOptions(parse("{}"));
  EXPECT_FALSE(absent.timeFormat || absent.lineEnd || absent.outputFormat);
  EXPECT_TRUE(absent.bom);
  const LoadedOptions given =
      readLoadedOptions(parse(R"({"timeFormat": "iso", "bom": false, "lineEnd": "lf", "outputFormat": "mat"})"));
  EXPECT_EQ(given.outputFormat, QString("mat"));
  EXPECT_EQ(given.timeFormat, QString("iso"));
  EXPECT_FALSE(given.bom);
  EXPECT_EQ(given.lineEnd, QString("lf"));
  EXPECT_EQ(mistypedKeys(parse(R"({"timeFormat": 1, "bom": "no", "lineEnd": null, "outputFormat": true})")),
            (QStringList{"key \"timeFormat\" is not a text; ignored", "key \"bom\" is not true or false; ignored",
                         "key \"lineEnd\" is not a text; ignored", "key \"outputFormat\" is not a text; ignored"}));
}

TEST(LoadedOptions, NonObjectDocumentsGiveDefaults) {
  for (const char* text : {"[1,2]", "\"text\"", "3", "null"}) {
    const Json::Value value = parse(text);
    const LoadedOptions o = readLoadedOptions(value);
    EXPECT_TRUE(o.utc) << text;
    EXPECT_TRUE(selectedVariableNames(value).isEmpty()) << text;
    EXPECT_FALSE(configText(value, "frequency")) << text;
  }
}

// A full name of the log means its variable, brackets and all.
TEST(ConfiguredNames, FullNamesOfTheLogAreKeptOtherTextsReduced) {
  const QSet<QString> names = {"Engine.Temp [C]", "Engine.Speed"};
  const std::pair<QString, QString> cases[] = {
      {"Engine.Temp [C]", "Engine.Temp [C]"},
      {"RPM [Engine.Speed]", "Engine.Speed"},
      {"Other.Var [V]", "V"},
      {"Engine.Speed", "Engine.Speed"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(resolveVariableName(in, names), out) << in.toStdString();

  SavedOptions s;
  s.selectedNames = QStringList{"Engine.Temp [C]", "Speedy [Engine.Speed]"};
  s.variableNames = names;
  Json::Value config;
  storeSavedOptions(config, s);
  EXPECT_EQ(config["selected_vars"][0].asString(), "Engine.Temp [C]");
  EXPECT_EQ(config["selected_vars"][1].asString(), "Engine.Speed");
}

TEST(SelectedVariableNames, ReducedAndNonTextEntriesSkipped) {
  EXPECT_EQ(selectedVariableNames(parse(R"({"selected_vars": ["A.a", 3, "x [B.b]"]})")),
            QStringList({"A.a", "B.b"}));
}

TEST(SavedOptions, WritesEveryKeyKeepsUnknownOnesAndNullsEmptyLists) {
  Json::Value config = parse(R"({"zrl": "/a.zrl", "aggregation": "Min", "custom": {"k": [1]},
                                 "var": ["old"], "outputDirName": "/out"})");
  SavedOptions s;
  s.floatFormat = "1 decimal";
  s.columnSeparator = ",";
  s.decimalSeparator = ".";
  s.frequency = "10";
  s.method = "Last";
  s.milliseconds = true;
  s.utc = false;
  s.unitLine = true;
  s.cellFilling = false;
  s.typeFilterString = false;
  storeSavedOptions(config, s);
  EXPECT_EQ(serializeConfig(config),
            "{\n"
            "\t\"aggregation\" : \"Min\",\n"
            "\t\"aliasVal\" : null,\n"
            "\t\"cell_filling\" : false,\n"
            "\t\"columnSeparator\" : \",\",\n"
            "\t\"custom\" : \n\t{\n\t\t\"k\" : \n\t\t[\n\t\t\t1\n\t\t]\n\t},\n"
            "\t\"decimalSeparator\" : \".\",\n"
            "\t\"floatFormat\" : \"1 decimal\",\n"
            "\t\"frequency\" : \"10\",\n"
            "\t\"maxVal\" : null,\n"
            "\t\"maxVar\" : null,\n"
            "\t\"method\" : \"Last\",\n"
            "\t\"milliseconds\" : true,\n"
            "\t\"minVal\" : null,\n"
            "\t\"minVar\" : null,\n"
            "\t\"outputDirName\" : \"/out\",\n"
            "\t\"selected_vars\" : null,\n"
            "\t\"typeFilter_bool\" : true,\n"
            "\t\"typeFilter_float\" : true,\n"
            "\t\"typeFilter_int\" : true,\n"
            "\t\"typeFilter_string\" : false,\n"
            "\t\"units\" : true,\n"
            "\t\"utc\" : false,\n"
            "\t\"var\" : null,\n"
            "\t\"zrl\" : \"/a.zrl\"\n"
            "}");
}

// The CSV form keys are stored only when they differ from the default, so
// a configuration saved with the defaults stays as it always was.
TEST(SavedOptions, CsvFormKeysOnlyWhenNotTheDefault) {
  Json::Value config = parse(R"({"timeFormat": "seconds", "bom": true, "lineEnd": "lf", "outputFormat": "hdf5"})");
  SavedOptions s;
  storeSavedOptions(config, s);
  EXPECT_FALSE(config.isMember("timeFormat") || config.isMember("bom") || config.isMember("lineEnd") ||
               config.isMember("outputFormat"));
  s.outputFormat = "mat";
  s.timeFormat = "epoch-ms";
  s.bom = false;
  s.lineEnd = "lf";
  storeSavedOptions(config, s);
  const LoadedOptions o = readLoadedOptions(parse(serializeConfig(config)));
  EXPECT_EQ(o.timeFormat, QString("epoch-ms"));
  EXPECT_FALSE(o.bom);
  EXPECT_EQ(o.lineEnd, QString("lf"));
  EXPECT_EQ(o.outputFormat, QString("mat"));
}

TEST(SavedOptions, ListsKeepOrderAndRoundTrip) {
  SavedOptions s;
  s.aliases = {{"B.b", "Bee"}, {"A.a", "Ay"}};
  s.conditions = {{"A.a", "minimum", "1.5"}, {"B.b", "maximum", "7"}, {"C.c", "other", "0"},
                  {"A.a", "maximum", "9"}};
  s.selectedNames = QStringList{"Bee [B.b]", "A.a"};
  Json::Value config;
  storeSavedOptions(config, s);
  const LoadedOptions o = readLoadedOptions(parse(serializeConfig(config)));
  EXPECT_EQ(o.aliases, s.aliases);
  EXPECT_EQ(o.conditions, (QList<QStringList>{{"B.b", "maximum", "7"},
                                              {"A.a", "maximum", "9"},
                                              {"A.a", "minimum", "1.5"}}));
  EXPECT_EQ(selectedVariableNames(config), QStringList({"B.b", "A.a"}));
}

}  // namespace
