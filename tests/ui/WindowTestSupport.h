// Shared helpers of the window tests: a window with no command-line options
// and a small catalog with one variable of every type.
#pragma once

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <memory>
#include <vector>

#include "ui/MonitorWindow.h"
#include "ui/VarItem.h"

namespace uitest {

inline std::unique_ptr<MonitorWindow> makeWindow() {
  processFlags() = ProcessFlags{};
  return std::make_unique<MonitorWindow>(StartupOptions{});
}

inline CatalogEntry entry(uint16_t id, const std::string& name, uint8_t type, const std::string& unit = "") {
  CatalogEntry e;
  e.id = id;
  e.fullName = name;
  e.type = type;
  e.unitSymbol = unit;
  return e;
}

// Engine.Rpm (integer), Engine.Speed (float, km/h), Engine.Torque (double),
// Status.Text (string), Status.Ok (boolean), Bus.Frame (CAN frame),
// Clock.Stamp (timestamp), Misc.Odd (unknown type code 9), Misc.Empty (0).
inline std::vector<CatalogEntry> everyTypeCatalog() {
  return {entry(1, "Bus.Frame", 6),       entry(2, "Clock.Stamp", 7),        entry(3, "Engine.Rpm", 2, "rpm"),
          entry(4, "Engine.Speed", 3, "km/h"), entry(5, "Engine.Torque", 4, "Nm"), entry(6, "Misc.Empty", 0),
          entry(7, "Misc.Odd", 9),        entry(8, "Status.Ok", 1),          entry(9, "Status.Text", 5)};
}

inline QListWidget* list(MonitorWindow& w) { return w.form()->varsView; }

inline VarItem* item(MonitorWindow& w, const QString& name) {
  QListWidget* view = list(w);
  for (int i = 0; i < view->count(); ++i) {
    auto* v = dynamic_cast<VarItem*>(view->item(i));
    if (v && v->fullName() == name) return v;
  }
  return nullptr;
}

// Names of the items that are not hidden, in list order.
inline QStringList visibleNames(MonitorWindow& w) {
  QStringList names;
  QListWidget* view = list(w);
  for (int i = 0; i < view->count(); ++i)
    if (!view->item(i)->isHidden()) names << dynamic_cast<VarItem*>(view->item(i))->fullName();
  return names;
}

// A window that has "loaded" a file with the given catalog.
inline void loadCatalog(MonitorWindow& w, const std::vector<CatalogEntry>& catalog, float frequency = 100.0f) {
  w.inputFiles = QStringList{QStringLiteral("/tmp/test.zrl")};
  w.fileStartMs = 1700000000123;
  w.fileEndMs = 1700003600456;
  w.showFileSummary(w.inputFiles.first(), QStringLiteral("SN-0042"), QStringLiteral("4.2.1"));
  w.fillPanelsForLoadedFile(catalog, frequency);
}

}  // namespace uitest
