// The variable list: build-time search, the name search, type filters,
// "Selected Only", Select/Unselect All and the counter, on files written by
// our writer.
#include <gtest/gtest.h>

#include "session/Session.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "tests/ui/WindowTestSupport.h"

using uitest::item;
using uitest::visibleNames;

namespace {

QString counter(MonitorWindow& w) { return w.variableListPanel()->counterText(); }

void typeSearch(MonitorWindow& w, const QString& text) {
  QLineEdit* edit = w.filtersPanel()->searchEdit();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClicks(edit, text);
}

}  // namespace

TEST(VariableList, ListsTheCatalogInItsOrderWithIdsTooltipsAndUncheckedItems) {
  auto w = uitest::windowWithLog();
  EXPECT_EQ(uitest::allNames(*w), (QStringList{"Bus.Frame", "Clock.Stamp", "Engine.Rpm", "Engine.Speed",
                                               "Engine.Torque", "Misc.Odd", "Status.Ok", "Status.Text"}));
  EXPECT_EQ(counter(*w), QStringLiteral("Data (0/8 Selected)"));
  EXPECT_EQ(item(*w, "Engine.Speed")->toolTip(), QStringLiteral("Data type: Float\nUnit: km/h"));
  EXPECT_EQ(item(*w, "Status.Ok")->toolTip(), QStringLiteral("Data type: Boolean\nUnit: (no unit)"));
  EXPECT_EQ(item(*w, "Misc.Odd")->toolTip(), QStringLiteral("Data type: Unknown\nUnit: (no unit)"));
  EXPECT_EQ(item(*w, "Bus.Frame")->toolTip(), QStringLiteral("Data type: CAN Frame\nUnit: (no unit)"));
  EXPECT_EQ(w->variableListPanel()->typeByName().value("Misc.Odd"), QStringLiteral("UNKNOWN"));
  EXPECT_EQ(w->variableListPanel()->typeByName().value("Engine.Torque"), QStringLiteral("DATALOGGER_DOUBLE_TYPE"));
  // Ids follow the catalog slots the writer used.
  EXPECT_EQ(item(*w, "Bus.Frame")->variableId, 0);
  EXPECT_EQ(item(*w, "Status.Text")->variableId, 7);
  for (const QString& name : uitest::allNames(*w)) {
    EXPECT_EQ(item(*w, name)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(item(*w, name)->flags() & Qt::ItemIsUserCheckable);
  }
}

TEST(VariableList, CounterCountsCheckedItemsThatAFilterHides) {
  auto w = uitest::windowWithLog();
  item(*w, "Engine.Speed")->setCheckState(Qt::Checked);
  item(*w, "Status.Ok")->setCheckState(Qt::Checked);
  EXPECT_EQ(counter(*w), QStringLiteral("Data (2/8 Selected)"));
  typeSearch(*w, "engine");
  EXPECT_TRUE(item(*w, "Status.Ok")->isHidden());
  EXPECT_EQ(counter(*w), QStringLiteral("Data (2/8 Selected)"));
}

TEST(VariableList, SearchIsCaseInsensitiveAndClearingShowsEverythingAgain) {
  auto w = uitest::windowWithLog();
  typeSearch(*w, "ENGINE.s");
  EXPECT_EQ(visibleNames(*w), (QStringList{"Engine.Speed"}));
  QTest::mouseClick(w->filtersPanel()->clearSearchButton(), Qt::LeftButton);
  EXPECT_TRUE(w->filtersPanel()->filter().search.isEmpty());
  EXPECT_EQ(visibleNames(*w).size(), 8);
}

TEST(VariableList, SearchTypedBeforeLoadingCreatesOnlyMatchingItems) {
  auto w = uitest::makeWindow();
  typeSearch(*w, "status");
  uitest::loadLog(*w, uitest::writeLog("before.zrl"));
  EXPECT_EQ(uitest::allNames(*w), (QStringList{"Status.Ok", "Status.Text"}));
  EXPECT_EQ(counter(*w), QStringLiteral("Data (0/2 Selected)"));
  // The others come back only with the next load.
  QTest::mouseClick(w->filtersPanel()->clearSearchButton(), Qt::LeftButton);
  EXPECT_EQ(uitest::allNames(*w).size(), 2);
  uitest::loadLog(*w, uitest::writeLog("again.zrl"));
  EXPECT_EQ(uitest::allNames(*w).size(), 8);
}

TEST(VariableList, SelectAndUnselectAllActOnVisibleItemsOnly) {
  auto w = uitest::windowWithLog();
  item(*w, "Status.Ok")->setCheckState(Qt::Checked);
  typeSearch(*w, "engine");
  QTest::mouseClick(w->variableListPanel()->selectAllButton(), Qt::LeftButton);
  EXPECT_EQ(counter(*w), QStringLiteral("Data (4/8 Selected)"));
  EXPECT_EQ(item(*w, "Engine.Rpm")->checkState(), Qt::Checked);
  EXPECT_EQ(item(*w, "Bus.Frame")->checkState(), Qt::Unchecked);

  typeSearch(*w, "speed");
  QTest::mouseClick(w->variableListPanel()->unselectAllButton(), Qt::LeftButton);
  EXPECT_EQ(item(*w, "Engine.Speed")->checkState(), Qt::Unchecked);
  EXPECT_EQ(item(*w, "Engine.Rpm")->checkState(), Qt::Checked);
  EXPECT_EQ(item(*w, "Status.Ok")->checkState(), Qt::Checked);
  EXPECT_EQ(counter(*w), QStringLiteral("Data (3/8 Selected)"));
}

TEST(VariableList, SelectedOnlyHidesAnItemAsSoonAsItIsUnchecked) {
  auto w = uitest::windowWithLog();
  item(*w, "Engine.Rpm")->setCheckState(Qt::Checked);
  item(*w, "Engine.Speed")->setCheckState(Qt::Checked);
  QTest::mouseClick(w->filtersPanel()->selectedOnlyToggle(), Qt::LeftButton);
  EXPECT_TRUE(w->filtersPanel()->filter().selectedOnly);
  EXPECT_EQ(visibleNames(*w), (QStringList{"Engine.Rpm", "Engine.Speed"}));
  item(*w, "Engine.Rpm")->setCheckState(Qt::Unchecked);
  EXPECT_EQ(visibleNames(*w), (QStringList{"Engine.Speed"}));
  EXPECT_EQ(counter(*w), QStringLiteral("Data (1/8 Selected)"));
  // With the toggle on, Unselect All empties what is shown.
  QTest::mouseClick(w->variableListPanel()->unselectAllButton(), Qt::LeftButton);
  EXPECT_TRUE(visibleNames(*w).isEmpty());
  QTest::mouseClick(w->filtersPanel()->selectedOnlyToggle(), Qt::LeftButton);
  EXPECT_EQ(visibleNames(*w).size(), 8);
}

TEST(VariableList, TypeCheckBoxesHideTheirTypesDoubleFollowsFloatUnknownStays) {
  auto w = uitest::windowWithLog();
  const struct {
    const char* box;
    QStringList hidden;
  } cases[] = {
      {"floatTypeCheckBox", {"Engine.Speed", "Engine.Torque"}},
      {"integerTypeCheckBox", {"Engine.Rpm"}},
      {"stringTypeCheckBox", {"Status.Text"}},
      {"booleanTypeCheckBox", {"Status.Ok"}},
      {"canFrameTypeCheckBox", {"Bus.Frame"}},
      {"timeStampTypeCheckBox", {"Clock.Stamp"}},
  };
  for (const auto& c : cases) {
    auto* box = w->findChild<QCheckBox*>(QString::fromLatin1(c.box));
    ASSERT_NE(box, nullptr) << c.box;
    box->setChecked(false);
    QStringList expected = uitest::allNames(*w);
    for (const QString& name : c.hidden) expected.removeAll(name);
    EXPECT_EQ(visibleNames(*w), expected) << c.box;
    box->setChecked(true);
    EXPECT_EQ(visibleNames(*w).size(), 8) << c.box;
  }
  // Every box off: only the variable of an unknown type is left.
  for (const auto& c : cases) w->findChild<QCheckBox*>(QString::fromLatin1(c.box))->setChecked(false);
  EXPECT_EQ(visibleNames(*w), (QStringList{"Misc.Odd"}));
  const VariableFilter& filter = w->filtersPanel()->filter();
  EXPECT_FALSE(filter.floats || filter.integers || filter.strings || filter.booleans || filter.canFrames ||
               filter.timeStamps);
  // The four filters a configuration stores follow the boxes.
  const TypeFilters& stored = w->session().options().typeFilters;
  EXPECT_FALSE(stored.floats || stored.integers || stored.strings || stored.booleans);
}

TEST(VariableList, TypeFilterBeforeAnyLoadOnlyChangesTheFilterState) {
  auto w = uitest::makeWindow();
  w->findChild<QCheckBox*>(QStringLiteral("integerTypeCheckBox"))->setChecked(false);
  EXPECT_FALSE(w->filtersPanel()->filter().integers);
  EXPECT_EQ(uitest::list(*w)->count(), 0);
  EXPECT_EQ(counter(*w), QStringLiteral("Data (0/0 selected)"));
  // The filter is applied once a file is there.
  uitest::loadLog(*w, uitest::writeLog("later.zrl"));
  w->variableListPanel()->applyFilter();
  EXPECT_TRUE(item(*w, "Engine.Rpm")->isHidden());
}

TEST(VariableList, AliasIsShownWithTheFullNameAndFoundByEitherPart) {
  auto w = uitest::makeWindow();
  for (const QStringList& a : QList<QStringList>{{"Engine.Speed", "Old"}, {"Engine.Speed", "Vitesse"}}) w->session().setAlias(a[0], a[1]);
  uitest::loadLog(*w, uitest::writeLog("alias.zrl"));
  EXPECT_EQ(item(*w, "Engine.Speed")->text(), QStringLiteral("Vitesse [Engine.Speed]"));
  typeSearch(*w, "vites");
  EXPECT_EQ(visibleNames(*w), (QStringList{"Engine.Speed"}));
  typeSearch(*w, "engine.spe");
  EXPECT_EQ(visibleNames(*w), (QStringList{"Engine.Speed"}));
}

TEST(VariableList, SelectedVarsOfTheConfigurationCheckItemsByNameAliasOrDisplayText) {
  auto w = uitest::makeWindow();
  for (const QStringList& a : QList<QStringList>{{"Engine.Rpm", "Regime"}}) w->session().setAlias(a[0], a[1]);
  Json::Value selected(Json::arrayValue);
  selected.append("Speedy [Engine.Speed]");  // shown text with any alias
  selected.append("Regime");                 // an alias
  selected.append("Status.Ok");              // a full name
  selected.append("Status [Text");           // no closing bracket: looked up as an alias, matches nothing
  selected.append(42);                       // not a text: ignored
  selected.append("Nothing.Here");
  w->session().setConfigValue("selected_vars", selected);
  uitest::loadLog(*w, uitest::writeLog("selected.zrl"));
  QStringList checked;
  for (const QString& name : uitest::allNames(*w))
    if (item(*w, name)->checkState() == Qt::Checked) checked << name;
  EXPECT_EQ(checked, (QStringList{"Engine.Rpm", "Engine.Speed", "Status.Ok"}));
  EXPECT_EQ(counter(*w), QStringLiteral("Data (3/8 Selected)"));
}

TEST(VariableList, AllDataChecksEverything) {
  StartupOptions options;
  options.allData = true;
  auto w = uitest::makeWindow(options);
  uitest::loadLog(*w, uitest::writeLog("all.zrl"));
  EXPECT_EQ(counter(*w), QStringLiteral("Data (8/8 Selected)"));
}

TEST(VariableList, TypeIconsAreColouredDiscs) {
  const QImage icon = variablelook::typeIcon(QStringLiteral("DATALOGGER_FLOAT_TYPE")).pixmap(16, 16).toImage();
  EXPECT_EQ(icon.pixelColor(8, 8), QColor("#FF8C00"));
  EXPECT_EQ(icon.pixelColor(0, 0).alpha(), 0);
  const QImage unknown = variablelook::typeIcon(QStringLiteral("UNKNOWN")).pixmap(16, 16).toImage();
  EXPECT_EQ(unknown.pixelColor(8, 8), QColor("#777777"));
  EXPECT_EQ(variablelook::typeNameOfCode(0), QStringLiteral("None"));
  EXPECT_EQ(variablelook::typeNameOfCode(9), QStringLiteral("UNKNOWN"));
}

TEST(VariableList, FullCatalogStaysResponsive) {
  // 20000 variables: building, a search pass and Select All with "Selected
  // Only" on must each stay linear in the number of items.
  std::vector<CatalogEntry> catalog;
  for (uint16_t id = 0; id < 20000; ++id)
    catalog.push_back({id, static_cast<uint16_t>(id / 100), "Group" + std::to_string(id / 100) + ".Var" +
                                                                std::to_string(id), "", static_cast<uint8_t>(1 + id % 7)});
  auto w = uitest::makeWindow();
  w->session().setInputFiles(QStringList{QStringLiteral("big.zrl")});
  QElapsedTimer timer;
  timer.start();
  w->variableListPanel()->populate(catalog);
  typeSearch(*w, "var1");
  QTest::mouseClick(w->filtersPanel()->selectedOnlyToggle(), Qt::LeftButton);
  QTest::mouseClick(w->filtersPanel()->clearSearchButton(), Qt::LeftButton);
  QTest::mouseClick(w->filtersPanel()->selectedOnlyToggle(), Qt::LeftButton);
  QTest::mouseClick(w->variableListPanel()->selectAllButton(), Qt::LeftButton);
  EXPECT_EQ(counter(*w), QStringLiteral("Data (20000/20000 Selected)"));
  EXPECT_LT(timer.elapsed(), 10000);
}
