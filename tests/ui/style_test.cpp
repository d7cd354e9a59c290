// What the user sees of the style: tooltips, signs the fonts lack, list
// check boxes and disabled controls.
#include <gtest/gtest.h>

#include "session/Session.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolTip>

#include "tests/ui/WindowTestSupport.h"

namespace {

// Average lightness (0-255) of a widget as drawn.
int lightnessOf(QWidget* widget) {
  const QImage image = widget->grab().toImage();
  long long sum = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) sum += QColor(image.pixel(x, y)).lightness();
  return image.isNull() ? 0 : static_cast<int>(sum / (image.width() * image.height()));
}

QWidget* shownToolTip() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->inherits("QTipLabel") && widget->isVisible()) return widget;
  return nullptr;
}

}  // namespace

TEST(Style, ToolTipsOfTheLeftColumnAreLight) {
  auto window = uitest::windowWithLog();
  uitest::addCondition(*window, QStringLiteral("Engine.Rpm"), QStringLiteral("minimum"), 5);
  window->show();
  QApplication::processEvents();
  const MonitorWindow& ui = *window;
  QLabel* chipDelete = nullptr;
  for (QLabel* label : ui.conditionsPanel()->chipContainer()->findChildren<QLabel*>())
    if (label->property("isDeleteLabel").toBool()) chipDelete = label;
  ASSERT_NE(chipDelete, nullptr);
  for (QWidget* widget : std::initializer_list<QWidget*>{ui.csvOptionsPanel()->utcBox(), ui.csvOptionsPanel()->millisecondsBox(), ui.csvOptionsPanel()->unitLineBox(),
                                                         ui.resamplingPanel()->methodBox(), ui.informationPanel()->configurationLabel(), chipDelete}) {
    QToolTip::showText(widget->mapToGlobal(QPoint(2, 2)), QStringLiteral("Some tip text"), widget);
    QApplication::processEvents();
    QWidget* tip = shownToolTip();
    ASSERT_NE(tip, nullptr) << widget->objectName().toStdString();
    EXPECT_GT(lightnessOf(tip), 180) << widget->objectName().toStdString();
    QToolTip::hideText();
    QApplication::processEvents();
  }
}

TEST(Style, EverySignOfTheWindowIsDrawable) {
  auto window = uitest::windowWithLog();
  uitest::addCondition(*window, QStringLiteral("Engine.Rpm"), QStringLiteral("minimum"), 5);
  MonitorWindow& ui = *window;
  QLabel* chipDelete = ui.conditionsPanel()->chipContainer()->findChild<QLabel*>(QStringLiteral("conditionChipDelete"));
  ASSERT_NE(chipDelete, nullptr);
  window->progressPanel()->setStatus(QString::fromUtf8("✅ Processing completed successfully"), QStringLiteral("success"));
  EXPECT_EQ(ui.progressPanel()->bar()->format(), QString::fromUtf8("✅ Processing completed successfully"));
  const std::pair<QString, QFont> shown[] = {
      {ui.progressPanel()->bar()->text(), ui.progressPanel()->bar()->font()},
      {ui.decodePanel()->button()->text(), ui.decodePanel()->button()->font()},
      {ui.filtersPanel()->clearSearchButton()->text(), ui.filtersPanel()->clearSearchButton()->font()},
      {ui.filtersPanel()->searchEdit()->placeholderText(), ui.filtersPanel()->searchEdit()->font()},
      {chipDelete->text(), chipDelete->font()},
  };
  for (const auto& [text, font] : shown) {
    for (uint c : text.toUcs4())
      EXPECT_TRUE(c == 0xFE0F || QFontMetrics(font).inFontUcs4(c)) << text.toStdString() << " U+" << std::hex << c;
  }
}

TEST(Style, ListCheckBoxesAreDrawnLikeTheOtherCheckBoxes) {
  auto window = uitest::windowWithLog();
  window->show();
  QListWidget* view = uitest::list(*window);
  VarItem* item = uitest::item(*window, QStringLiteral("Engine.Rpm"));
  view->setCurrentItem(item);
  for (Qt::CheckState state : {Qt::Unchecked, Qt::Checked}) {
    item->setCheckState(state);
    QApplication::processEvents();
    // The check box part of the item, inside its border, as the window draws it.
    const QRect rect = view->visualItemRect(item);
    const QImage image = window->grab(QRect(view->viewport()->mapTo(window.get(), rect.topLeft()) + QPoint(3, 3),
                                            QSize(30, rect.height() - 6)))
                             .toImage();
    int black = 0, accent = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const QColor colour(image.pixel(x, y));
        if (colour.lightness() < 30) ++black;
        if (std::abs(colour.red() - 0x00) < 20 && std::abs(colour.green() - 0x7A) < 20 && std::abs(colour.blue() - 0xCC) < 20) ++accent;
      }
    }
    EXPECT_LT(black, 20) << state;
    if (state == Qt::Checked) EXPECT_GT(accent, 100);
    else EXPECT_LT(accent, 20);
  }
}

TEST(Style, DisabledCheckBoxesLookDisabled) {
  auto window = uitest::windowWithLog();
  window->show();
  QCheckBox* box = window->csvOptionsPanel()->utcBox();
  for (bool checked : {false, true}) {
    box->setChecked(checked);
    box->setEnabled(true);
    QApplication::processEvents();
    const QImage enabled = box->grab().toImage();
    box->setEnabled(false);
    QApplication::processEvents();
    EXPECT_NE(enabled, box->grab().toImage()) << checked;
  }
}

TEST(Style, ALongDestinationWrapsInsteadOfBeingCut) {
  auto window = uitest::makeWindow();
  window->session().setConfigValue("outputDirName", "/home/user/measurements/campaign2026/benchA/exports/day01/run17/out");
  uitest::loadLog(*window, uitest::writeLog("test.zrl"));
  window->show();
  QApplication::processEvents();
  QLabel* label = window->informationPanel()->destinationLabel();
  EXPECT_GT(label->heightForWidth(label->width()), 30);  // more than one line is needed
  EXPECT_GE(label->height(), label->heightForWidth(label->width()));
}
