// The context menu, aliases, row conditions and their chips.
#include <gtest/gtest.h>

#include "session/Session.h"

#include <QGroupBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>

#include "tests/ui/WindowTestSupport.h"

using uitest::item;

namespace {

// Runs `handle` on the next modal input dialog, once it is shown.
void onNextInputDialog(std::function<void(QInputDialog*)> handle) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, handle] {
    auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    handle(dialog);
  });
  poll->start(5);
}

// Texts of the context menu that `open` shows ("Add condition/..." for the
// submenu's actions); empty when no menu opens.
QStringList contextMenuTexts(const std::function<void()>& open) {
  QStringList texts;
  bool opened = false;
  QTimer::singleShot(50, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    opened = true;
    for (QAction* action : menu->actions()) {
      if (action->menu()) {
        for (QAction* sub : action->menu()->actions()) texts << action->text() + "/" + sub->text();
      } else {
        texts << action->text();
      }
    }
    menu->close();
  });
  open();
  QCoreApplication::processEvents();
  if (!opened) QTest::qWait(100);
  return texts;
}

QPoint positionOf(MonitorWindow& w, const QString& name) {
  return uitest::list(w)->visualItemRect(item(w, name)).center();
}

std::unique_ptr<MonitorWindow> shownWindow() {
  auto w = uitest::windowWithLog();
  w->show();
  QCoreApplication::processEvents();
  return w;
}

QList<QLabel*> deleteLabels(MonitorWindow& w) {
  QList<QLabel*> labels;
  for (QLabel* label : w.conditionsPanel()->chipContainer()->findChildren<QLabel*>())
    if (label->property("isDeleteLabel").toBool()) labels << label;
  return labels;
}

QStringList chipTexts(MonitorWindow& w) {
  QStringList texts;
  for (QLabel* label : w.conditionsPanel()->chipContainer()->findChildren<QLabel*>())
    if (!label->property("isDeleteLabel").toBool()) texts << label->text();
  return texts;
}

int chipRows(MonitorWindow& w) { return w.conditionsPanel()->chipRowCount(); }

void flushDeletions() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

bool hasFunnel(VarItem* v) { return v->icon().availableSizes().value(0).width() == 24; }

}  // namespace

TEST(ContextMenu, OffersConditionsOnlyForFloatAndIntegerVariables) {
  auto w = shownWindow();
  const QStringList aliasOnly{"Add alias", "Remove alias"};
  const QStringList withConditions{"Add alias", "Remove alias", "Add condition/Minimum value",
                                   "Add condition/Maximum value"};
  const struct {
    const char* name;
    QStringList texts;
  } cases[] = {
      {"Engine.Speed", withConditions}, {"Engine.Rpm", withConditions}, {"Engine.Torque", aliasOnly},
      {"Status.Text", aliasOnly},       {"Status.Ok", aliasOnly},       {"Misc.Odd", aliasOnly},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(contextMenuTexts([&] { w->variableListPanel()->showContextMenu(positionOf(*w, c.name)); }), c.texts)
        << c.name;
    EXPECT_EQ(w->variableListPanel()->contextVariable(), QString::fromLatin1(c.name));
  }
}

TEST(ContextMenu, EmptySpaceShowsNoMenuAndKeepsTheLastVariable) {
  auto w = shownWindow();
  // The list's own request reaches the menu.
  QListWidget* list = uitest::list(*w);
  const QPoint speed = positionOf(*w, "Engine.Speed");
  EXPECT_EQ(contextMenuTexts([&] { emit list->customContextMenuRequested(speed); }).size(), 4);
  const QRect last = list->visualItemRect(item(*w, "Status.Text"));
  const QPoint empty(last.right() + 400, last.bottom() + 400);
  EXPECT_TRUE(contextMenuTexts([&] { emit list->customContextMenuRequested(empty); }).isEmpty());
  EXPECT_EQ(w->variableListPanel()->contextVariable(), QStringLiteral("Engine.Speed"));
}

TEST(Aliases, DialogSetsReplacesAndRemovesTheAlias) {
  auto w = shownWindow();
  uitest::addCondition(*w, QStringLiteral("Engine.Speed"), QStringLiteral("minimum"), 5);
  VariableListPanel* list = w->variableListPanel();
  const QString speed = QStringLiteral("Engine.Speed");

  QString offered;
  onNextInputDialog([&](QInputDialog* d) {
    offered = d->textValue();
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Allias"));
    EXPECT_EQ(d->labelText(), QStringLiteral("New name :"));
    d->setTextValue(QStringLiteral("Vitesse"));
    d->accept();
  });
  list->askAlias(speed);
  EXPECT_EQ(offered, QStringLiteral("Engine.Speed"));
  EXPECT_EQ(aliasesToLists(w->session().aliases()), (QList<QStringList>{{"Engine.Speed", "Vitesse"}}));
  EXPECT_EQ(item(*w, "Engine.Speed")->text(), QStringLiteral("Vitesse [Engine.Speed]"));
  EXPECT_EQ(chipTexts(*w), (QStringList{"Vitesse > 5"}));

  // A second alias replaces the first everywhere.
  onNextInputDialog([](QInputDialog* d) {
    d->setTextValue(QStringLiteral("Speed"));
    d->accept();
  });
  list->askAlias(speed);
  EXPECT_EQ(aliasesToLists(w->session().aliases()), (QList<QStringList>{{"Engine.Speed", "Speed"}}));
  EXPECT_EQ(chipTexts(*w), (QStringList{"Speed > 5"}));

  // An empty text and a cancelled dialog change nothing.
  onNextInputDialog([](QInputDialog* d) {
    d->setTextValue(QString());
    d->accept();
  });
  list->askAlias(speed);
  onNextInputDialog([](QInputDialog* d) { d->reject(); });
  list->askAlias(speed);
  EXPECT_EQ(aliasesToLists(w->session().aliases()), (QList<QStringList>{{"Engine.Speed", "Speed"}}));

  list->removeAlias(speed);
  EXPECT_TRUE(w->session().aliases().isEmpty());
  EXPECT_EQ(item(*w, "Engine.Speed")->text(), QStringLiteral("Engine.Speed"));
  EXPECT_EQ(chipTexts(*w), (QStringList{"Engine.Speed > 5"}));
}

TEST(Conditions, LimitDialogAddsAConditionWithItsChipAndFunnel) {
  auto w = shownWindow();
  onNextInputDialog([](QInputDialog* d) {
    EXPECT_EQ(d->labelText(), QStringLiteral("Delete all lines with values above :"));
    EXPECT_EQ(d->doubleDecimals(), 6);
    EXPECT_EQ(d->doubleMinimum(), -10000000);
    EXPECT_EQ(d->doubleMaximum(), 10000000);
    d->setDoubleValue(1234567);
    d->accept();
  });
  w->variableListPanel()->askLimit(QStringLiteral("Engine.Rpm"), QStringLiteral("maximum"));
  EXPECT_EQ(conditionsToLists(w->session().conditions()), (QList<QStringList>{{"Engine.Rpm", "maximum", "1.23457e+06"}}));
  EXPECT_EQ(chipTexts(*w), (QStringList{"Engine.Rpm < 1.23457e+06"}));
  EXPECT_TRUE(hasFunnel(item(*w, "Engine.Rpm")));

  onNextInputDialog([](QInputDialog* d) { d->reject(); });
  w->variableListPanel()->askLimit(QStringLiteral("Engine.Rpm"), QStringLiteral("minimum"));
  EXPECT_EQ(w->session().conditions().size(), 1);
}

TEST(Conditions, LimitTextsUseSixSignificantDigits) {
  EXPECT_EQ(variablelook::limitText(1234567), QStringLiteral("1.23457e+06"));
  EXPECT_EQ(variablelook::limitText(-0.5), QStringLiteral("-0.5"));
  EXPECT_EQ(variablelook::limitText(12.5), QStringLiteral("12.5"));
  EXPECT_EQ(variablelook::limitText(0.001), QStringLiteral("0.001"));
  EXPECT_EQ(variablelook::limitText(1e6), QStringLiteral("1e+06"));
}

TEST(Conditions, DeletingOneOfTwoEqualChipsRemovesOneEntryAndKeepsTheFunnel) {
  auto w = shownWindow();
  const QString speed = QStringLiteral("Engine.Speed");
  uitest::addCondition(*w, speed, QStringLiteral("minimum"), 5);
  uitest::addCondition(*w, speed, QStringLiteral("minimum"), 5);
  uitest::addCondition(*w, QStringLiteral("Engine.Rpm"), QStringLiteral("maximum"), 3000);
  ASSERT_EQ(deleteLabels(*w).size(), 3);
  EXPECT_TRUE(hasFunnel(item(*w, speed)));

  QTest::mouseClick(deleteLabels(*w).first(), Qt::LeftButton);
  flushDeletions();
  EXPECT_EQ(conditionsToLists(w->session().conditions()), (QList<QStringList>{{speed, "minimum", "5"}, {"Engine.Rpm", "maximum", "3000"}}));
  ASSERT_EQ(deleteLabels(*w).size(), 2);
  EXPECT_TRUE(hasFunnel(item(*w, speed)));

  QTest::mouseClick(deleteLabels(*w).first(), Qt::LeftButton);
  flushDeletions();
  EXPECT_EQ(conditionsToLists(w->session().conditions()), (QList<QStringList>{{"Engine.Rpm", "maximum", "3000"}}));
  EXPECT_FALSE(hasFunnel(item(*w, speed)));
  EXPECT_TRUE(hasFunnel(item(*w, "Engine.Rpm")));
  EXPECT_EQ(w->conditionsPanel()->title(), QStringLiteral("Conditions"));

  // Conditions cleared in the session take their chips and rows with them.
  w->session().clearConditions();
  flushDeletions();
  EXPECT_TRUE(deleteLabels(*w).isEmpty());
  EXPECT_EQ(chipRows(*w), 0);
  EXPECT_FALSE(hasFunnel(item(*w, "Engine.Rpm")));
}

TEST(Conditions, ChipsJoinTheLastRowWhileTheyFit) {
  auto w = shownWindow();
  w->conditionsPanel()->chipArea()->setFixedWidth(1000);
  for (int i = 0; i < 3; ++i) uitest::addCondition(*w, QStringLiteral("Engine.Rpm"), QStringLiteral("minimum"), i);
  QCoreApplication::processEvents();
  EXPECT_EQ(chipRows(*w), 1);

  w->conditionsPanel()->chipArea()->setFixedWidth(150);
  w->conditionsPanel()->rebuild();
  EXPECT_EQ(chipRows(*w), 3);
  EXPECT_EQ(chipTexts(*w), (QStringList{"Engine.Rpm > 0", "Engine.Rpm > 1", "Engine.Rpm > 2"}));
  w->conditionsPanel()->clearChips();
  EXPECT_EQ(chipRows(*w), 0);
  EXPECT_EQ(w->session().conditions().size(), 3);
}

TEST(Conditions, DeleteLabelShowsAPointingHandWhileHovered) {
  auto w = shownWindow();
  uitest::addCondition(*w, QStringLiteral("Engine.Rpm"), QStringLiteral("minimum"), 1);
  ASSERT_EQ(deleteLabels(*w).size(), 1);
  QLabel* label = deleteLabels(*w).first();
  EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(label->toolTip(), QStringLiteral("Remove this condition"));
  EXPECT_EQ(label->property("filterValue").toString(), QStringLiteral("1"));
}

TEST(Conditions, ItemsOfANewlyLoadedFileTakeAliasesAndFunnelsFromTheLists) {
  auto w = uitest::makeWindow();
  for (const QStringList& a : QList<QStringList>{{"Engine.Rpm", "Regime"}}) w->session().setAlias(a[0], a[1]);
  for (const QStringList& c : QList<QStringList>{{"Engine.Rpm", "minimum", "10"}}) w->session().addCondition({c[0], c[1], c[2]});
  uitest::loadLog(*w, uitest::writeLog("lists.zrl"));
  EXPECT_EQ(item(*w, "Engine.Rpm")->text(), QStringLiteral("Regime [Engine.Rpm]"));
  EXPECT_TRUE(hasFunnel(item(*w, "Engine.Rpm")));
  EXPECT_FALSE(hasFunnel(item(*w, "Engine.Speed")));
}

TEST(Conditions, FunnelMarkerIsDrawnFromTheWorkingDirectoryImage) {
  const QString typeName = QStringLiteral("DATALOGGER_FLOAT_TYPE");
  const QString previous = QDir::currentPath();
  const QString dir = QString::fromStdString(zrltest::makeTempSubdir("funnel"));
  ASSERT_TRUE(QDir::setCurrent(dir));
  const QImage without = variablelook::conditionIcon(typeName, true).pixmap(24, 16).toImage();
  const bool foundElsewhere = !variablelook::funnelImagePath().isEmpty();
  QDir().mkpath(QStringLiteral("images"));
  QImage red(8, 16, QImage::Format_ARGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(red.save(QStringLiteral("images/funnel-icon.png")));
  const QImage with = variablelook::conditionIcon(typeName, true).pixmap(24, 16).toImage();
  QDir::setCurrent(previous);

  EXPECT_EQ(with.size(), QSize(24, 16));
  EXPECT_EQ(with.pixelColor(8, 8), QColor("#FF8C00"));
  EXPECT_EQ(with.pixelColor(20, 8), QColor(Qt::red));
  if (!foundElsewhere) {
    EXPECT_EQ(without.pixelColor(20, 8).alpha(), 0);
  }
  // Without a condition the icon is the plain 16 x 16 disc.
  EXPECT_EQ(variablelook::conditionIcon(typeName, false).availableSizes().value(0), QSize(16, 16));
}

TEST(Conditions, ConditionsRestoredAtStartUpShareARowOnceShown) {
  const QString path = QDir::homePath() + QStringLiteral("/restored.json");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(R"({"maxVar": ["Engine.Speed"], "maxVal": ["120"], "minVar": ["Engine.Rpm"], "minVal": ["5"]})");
  file.close();
  StartupOptions options;
  options.confPath = path.toStdString();
  MonitorWindow w(options);
  w.show();
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(chipRows(w), 1);
  EXPECT_EQ(chipTexts(w).size(), 2);
}
