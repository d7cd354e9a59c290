// The session without any widget: configuration in and out, the selection
// resolved against a log, and the step from the session to a decode job.
#include <gtest/gtest.h>

#include <QFile>

#include <memory>

#include "config/ConfigFile.h"
#include "session/DecodeJob.h"
#include "session/LoadedLog.h"
#include "session/Session.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tools/zrlwriter/ZrlPresets.h"

namespace {

Json::Value parsed(const char* text) {
  Json::Value value;
  Json::Reader().parse(text, value);
  return value;
}

// What a configuration asks of the options: offered texts replace the
// current ones, anything else leaves them; absent flags take their defaults.
TEST(SessionOptions, ConfigurationIsReadOverTheCurrentChoice) {
  DecodeOptions current;
  current.floatFormat = QStringLiteral("3 decimals");
  current.unitLine = true;
  current.milliseconds = true;
  struct Case {
    const char* config;
    QString floatFormat, columnSeparator, method;
    bool unitLine, milliseconds, utc, leaveBlank;
  } cases[] = {
      {"{}", "3 decimals", ";", "Median", true, false, true, false},
      {R"({"floatFormat": "1 decimal", "columnSeparator": "tab", "units": false, "utc": false})", "1 decimal", "tab",
       "Median", false, false, false, false},
      {R"({"floatFormat": "2 decimals", "columnSeparator": "|", "cell_filling": false})", "3 decimals", ";", "Median",
       true, false, true, true},
      {R"({"method": "Max", "aggregation": "Last", "milliseconds": true})", "3 decimals", ";", "Last", true, true, true,
       false},
      {R"({"method": "Max", "aggregation": "Sum"})", "3 decimals", ";", "Max", true, false, true, false},
  };
  for (const Case& c : cases) {
    const DecodeOptions o = optionsFromConfig(readLoadedOptions(parsed(c.config)), current);
    EXPECT_EQ(o.floatFormat, c.floatFormat) << c.config;
    EXPECT_EQ(o.columnSeparator, c.columnSeparator) << c.config;
    EXPECT_EQ(o.method, c.method) << c.config;
    EXPECT_EQ(o.unitLine, c.unitLine) << c.config;
    EXPECT_EQ(o.milliseconds, c.milliseconds) << c.config;
    EXPECT_EQ(o.utc, c.utc) << c.config;
    EXPECT_EQ(o.leaveBlank, c.leaveBlank) << c.config;
  }
}

TEST(SessionOptions, FrequencyForALog) {
  struct Case {
    const char* current;
    float recorded;
    std::optional<QString> configured;
    bool configHasKey;
    const char* expected;
  } cases[] = {
      {"50", 100.0f, std::nullopt, false, "50"},   // still offered: kept
      {"50", 20.0f, std::nullopt, false, "None"},  // the log is slower
      {"None", 20.0f, QStringLiteral("50"), true, "50"},  // the configuration's word counts
      {"10", 20.0f, QStringLiteral("7"), true, "None"},
      {"10", 20.0f, std::nullopt, true, "None"},  // a key of another type
  };
  for (const Case& c : cases)
    EXPECT_EQ(frequencyForLog(c.current, c.recorded, c.configured, c.configHasKey), c.expected) << c.current;
}

TEST(SessionSelection, ConfiguredTextsResolveByNameAliasOrDisplayForm) {
  const QStringList names{"Engine.Rpm", "Engine.Speed", "Odd.Name [x]"};
  const QList<AliasEntryText> aliases{{"Engine.Speed", "Vitesse"}};
  const SelectionResult result = selectConfiguredNames(
      {"Engine.Rpm", "Vitesse", "Alias [Engine.Speed]", "Odd.Name [x]", "Gone.Var"}, aliases, names);
  EXPECT_EQ(result.names, (QSet<QString>{"Engine.Rpm", "Engine.Speed", "Odd.Name [x]"}));
  EXPECT_EQ(result.missingNames, QStringList{"Gone.Var"});

  const SelectionResult listed = selectByList({"Engine.*", "Gone.Var", "Gps.*"}, names);
  EXPECT_EQ(listed.names, (QSet<QString>{"Engine.Rpm", "Engine.Speed"}));
  EXPECT_EQ(listed.missingNames, QStringList{"Gone.Var"});
  EXPECT_EQ(listed.unmatchedPatterns, QStringList{"Gps.*"});
}

struct SessionWithSample {
  std::string dir = zrltest::makeTempSubdir("session");
  Session session{false};
  std::shared_ptr<LoadedLog> log;

  explicit SessionWithSample(const char* config) {
    const std::string conf = dir + "/c.json";
    QFile file(QString::fromStdString(conf));
    file.open(QIODevice::WriteOnly);
    file.write(config);
    file.close();
    session.setConfigPath(QString::fromStdString(conf));
    session.loadConfig();
    zrlwriter::writeSampleFile(dir + "/sample.zrl");
    log = std::make_shared<LoadedLog>(QString::fromStdString(dir + "/sample.zrl"), false, nullptr);
    session.setLog(log);
    session.setSelection(session.configuredSelection(*log, false).names);
  }
};

// Saved and read again, a session's choices come back the same, and keys the
// session does not own stay in the file.
TEST(SessionConfiguration, SavedChoicesComeBackAndOtherKeysStay) {
  SessionWithSample s(R"({"floatFormat": "5 decimals", "decimalSeparator": ",", "columnSeparator": ";",
      "units": true, "cell_filling": false, "method": "Mean", "typeFilter_int": false, "InfluxUrl": "http://h",
      "timeFormat": "iso", "bom": false, "lineEnd": "lf", "outputFormat": "hdf5",
      "var": ["Engine.Rpm"], "aliasVal": ["Regime"], "maxVar": ["Engine.Rpm"], "maxVal": ["3000"],
      "selected_vars": ["Regime", "Engine.Speed"]})");
  EXPECT_EQ(s.session.selectedInCatalogOrder(), (QStringList{"Engine.Rpm", "Engine.Speed"}));
  const DecodeOptions saved = s.session.options();
  EXPECT_EQ(saved.timeFormat, "iso");
  EXPECT_EQ(saved.outputFormat, "hdf5");
  ASSERT_TRUE(s.session.saveConfig());

  Session again(false);
  again.setConfigPath(s.session.configPath());
  ASSERT_TRUE(again.loadConfig());
  again.setLog(s.log);
  again.setSelection(again.configuredSelection(*s.log, false).names);
  EXPECT_EQ(again.options(), saved);
  EXPECT_EQ(again.aliases(), s.session.aliases());
  EXPECT_EQ(again.conditions(), s.session.conditions());
  EXPECT_EQ(again.selection(), s.session.selection());
  EXPECT_EQ(again.config()["InfluxUrl"].asString(), "http://h");
}

// The reasons a decode cannot start, in the order they are given.
TEST(SessionDecodePlan, RefusalsAndTheCommandLinesWindow) {
  SessionWithSample s(R"({"decimalSeparator": ",", "columnSeparator": ","})");
  DecodeRequestOverrides overrides;
  overrides.csvName = QString::fromStdString(s.dir + "/out.csv");
  EXPECT_EQ(planDecode(s.session, overrides).refusal, QString::fromUtf8(kNoVariablesText));
  s.session.setSelected(QStringLiteral("Engine.Rpm"), true);
  EXPECT_EQ(planDecode(s.session, overrides).refusal, QString::fromUtf8(kSameSeparatorsText));
  overrides.selectionFailure = QStringLiteral("no variable matches");
  EXPECT_EQ(planDecode(s.session, overrides).refusal, overrides.selectionFailure);
  overrides.selectionFailure.clear();

  DecodeOptions options = s.session.options();
  options.columnSeparator = QStringLiteral(";");
  s.session.setOptions(options);
  overrides.start = parseTimeArgument("+10");
  overrides.end = parseTimeArgument("+5");
  EXPECT_EQ(planDecode(s.session, overrides).usageError, "--end +5 is before --start +10");
  overrides.end = parseTimeArgument("+20");
  const DecodePlan plan = planDecode(s.session, overrides);
  ASSERT_TRUE(plan.job);
  EXPECT_EQ(plan.job->settings.startMs, s.log->startMs() + 10000);
  EXPECT_EQ(plan.job->settings.endMs, s.log->startMs() + 20000);
  EXPECT_EQ(plan.job->selectedIds.size(), 1u);
  EXPECT_EQ(plan.job->settings.outputPath, s.dir + "/out.csv");
}

// The CSV form texts become the engine's settings; an unknown text is a
// refusal that names the key, its value and the choices.
TEST(SessionDecodePlan, CsvFormsAndTheirMisspellings) {
  SessionWithSample s(R"({"timeFormat": "seconds", "bom": false, "lineEnd": "lf", "selected_vars": ["Engine.Rpm"]})");
  DecodeRequestOverrides overrides;
  overrides.csvName = QString::fromStdString(s.dir + "/out.csv");
  const DecodePlan plan = planDecode(s.session, overrides);
  ASSERT_TRUE(plan.job) << plan.refusal.toStdString();
  EXPECT_EQ(plan.job->settings.timeColumns, zrl::TimeColumns::Seconds);
  EXPECT_FALSE(plan.job->settings.byteOrderMark);
  EXPECT_FALSE(plan.job->settings.crlf);

  const std::pair<const char*, QString> cases[] = {
      {R"({"timeFormat": "Iso"})", R"(key "timeFormat" is "Iso": choose iso, epoch-ms, seconds)"},
      {R"({"lineEnd": "LF"})", R"(key "lineEnd" is "LF": choose crlf, lf)"},
  };
  for (const auto& [json, said] : cases) {
    SessionWithSample bad(json);
    bad.session.setSelected(QStringLiteral("Engine.Rpm"), true);
    overrides.csvName = QString::fromStdString(bad.dir + "/out.csv");
    EXPECT_EQ(planDecode(bad.session, overrides).refusal,
              QStringLiteral("Error: configuration ") + bad.session.configPath() + QStringLiteral(": ") + said)
        << json;
  }
}

}  // namespace
