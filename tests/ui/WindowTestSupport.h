// Shared helpers of the window tests: a window with no command-line options,
// log files written by our writer, and "loading" them into the window the
// way the log-file load does (head read, then the panels filled).
#pragma once

#include <QApplication>
#include <QCheckBox>
#include <QDockWidget>
#include <QListWidget>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "reader/LogReader.h"
#include "session/Session.h"
#include "task/DecodeController.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tools/zrlwriter/ZrlWriter.h"
#include "ui/MonitorWindow.h"
#include "ui/VarItem.h"
#include "ui/VariableLook.h"
#include "ui/panels/ConditionsPanel.h"
#include "ui/panels/CsvOptionsPanel.h"
#include "ui/panels/DecodePanel.h"
#include "ui/panels/FiltersPanel.h"
#include "ui/panels/InformationPanel.h"
#include "ui/panels/ProgressPanel.h"
#include "ui/panels/ResamplingPanel.h"
#include "ui/panels/VariableListPanel.h"

namespace uitest {

inline std::unique_ptr<MonitorWindow> makeWindow(const StartupOptions& options = {}) {
  auto window = std::make_unique<MonitorWindow>(options);
  // Without a configuration the start-up turns UTC on; these tests start
  // from the controls as built.
  window->csvOptionsPanel()->utcBox()->setChecked(false);
  return window;
}

struct LogVariable {
  std::string fullName;  // "Group.Name"
  uint8_t type;
  std::string unit;
};

// One variable of every type code the catalog can hold, plus an unknown one.
inline std::vector<LogVariable> everyType() {
  return {{"Bus.Frame", zrlwriter::kCanFrame, ""},  {"Clock.Stamp", zrlwriter::kTimestamp, ""},
          {"Engine.Rpm", zrlwriter::kInteger, "rpm"}, {"Engine.Speed", zrlwriter::kFloat, "km/h"},
          {"Engine.Torque", zrlwriter::kDouble, "Nm"}, {"Misc.Odd", 9, ""},
          {"Status.Ok", zrlwriter::kBoolean, ""},     {"Status.Text", zrlwriter::kString, ""}};
}

struct LogShape {
  std::vector<LogVariable> variables = everyType();
  float frequency = 100.0f;
  int64_t startMs = 1700000000250;  // a quarter second past a whole second
  int64_t endMs = 1700003600750;
  std::string serial = "SN-0042";
  std::string firmware = "4.2.1";
};

// Writes a log file with the given catalog and an empty record stream.
inline std::string writeLog(const std::string& name, const LogShape& shape = {}) {
  zrlwriter::ZrlHead head;
  head.formatVersion = 4;
  head.recordingFrequency = shape.frequency;
  head.setTimeSpan(shape.startMs, shape.endMs);
  head.serial = shape.serial;
  head.firmware = shape.firmware;
  std::map<std::string, uint32_t> groupIds;
  std::map<std::string, uint8_t> unitIndexes;
  head.units[0] = "";
  uint16_t slot = 0;
  for (const LogVariable& v : shape.variables) {
    const auto dot = v.fullName.find('.');
    const std::string group = v.fullName.substr(0, dot);
    if (!groupIds.count(group)) {
      const uint32_t id = static_cast<uint32_t>(groupIds.size());
      groupIds[group] = id;
      head.groups[id] = group;
    }
    uint8_t unit = 0;
    if (!v.unit.empty()) {
      if (!unitIndexes.count(v.unit)) {
        const auto index = static_cast<uint8_t>(unitIndexes.size() + 1);
        unitIndexes[v.unit] = index;
        head.units[index] = v.unit;
      }
      unit = unitIndexes[v.unit];
    }
    head.addVariable(slot++, static_cast<uint16_t>(groupIds[group]), v.type, v.fullName.substr(dot + 1), unit);
  }
  const std::string path = zrltest::makeTempSubdir("logs") + "/" + name;
  zrlwriter::writeZrlFile(path, head, std::string());
  return path;
}

// The log-file load, as the open dialog does it.
inline void loadLog(MonitorWindow& w, const std::string& path) {
  w.session().setInputFiles(QStringList{QString::fromStdString(path)});
  w.loadLogFile(QString::fromStdString(path));
}

// 05/03/2026 10:00:00 UTC to ten seconds later: Engine.Speed (id 3,
// Integer) and Engine.Flag (id 2, Boolean) once a second.
constexpr int64_t kRecordedStartMs = 1772704800000;
inline std::string recordedLog(const std::string& name = "REC1.zrl") {
  zrlwriter::ZrlHead head;
  head.setTimeSpan(kRecordedStartMs, kRecordedStartMs + 10000);
  head.groups = {{0, "Engine"}};
  head.addVariable(3, 0, zrlwriter::kInteger, "Speed");
  head.addVariable(2, 0, zrlwriter::kBoolean, "Flag");
  zrlwriter::RecordEncoder records;
  for (int s = 0; s < 10; ++s) records.timestamp(s * 1000 + 500).integer(3, s * 10).boolean(2, s % 2);
  const std::string path = zrltest::makeTempSubdir("recorded") + "/" + name;
  zrlwriter::writeZrlFile(path, head, records.bytes());
  return path;
}

// A row condition added as the limit dialog of the context menu adds it.
inline void addCondition(MonitorWindow& w, const QString& name, const QString& kind, double limit) {
  w.session().addCondition({name, kind, variablelook::limitText(limit)});
}

inline std::unique_ptr<MonitorWindow> windowWithLog(const LogShape& shape = {}) {
  auto window = makeWindow();
  loadLog(*window, writeLog("test.zrl", shape));
  return window;
}

inline QListWidget* list(MonitorWindow& w) { return w.variableListPanel()->list(); }

// Throws when the list has no such item: when a log file is refused the
// list is empty, and the test then fails with this message instead of
// crashing on a null item.
inline VarItem* item(MonitorWindow& w, const QString& name) {
  QListWidget* view = list(w);
  for (int i = 0; i < view->count(); ++i) {
    auto* v = dynamic_cast<VarItem*>(view->item(i));
    if (v && v->fullName() == name) return v;
  }
  throw std::runtime_error("the variable list has no item " + name.toStdString());
}

// Names of the items that are not hidden, in list order.
inline QStringList visibleNames(MonitorWindow& w) {
  QStringList names;
  QListWidget* view = list(w);
  for (int i = 0; i < view->count(); ++i)
    if (!view->item(i)->isHidden()) names << dynamic_cast<VarItem*>(view->item(i))->fullName();
  return names;
}

inline QStringList allNames(MonitorWindow& w) {
  QStringList names;
  QListWidget* view = list(w);
  for (int i = 0; i < view->count(); ++i) names << dynamic_cast<VarItem*>(view->item(i))->fullName();
  return names;
}

}  // namespace uitest
