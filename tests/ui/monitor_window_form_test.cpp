// The window as built: names the style sheets and slots rely on, shortcuts,
// initial enabled states and texts.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "tests/ui/WindowTestSupport.h"

TEST(MonitorWindowForm, ActionsCarryTheirShortcuts) {
  auto window = uitest::makeWindow();
  const struct {
    const char* name;
    const char* text;
    const char* shortcut;
  } expected[] = {
      {"actionA_Propos", "Version", ""},
      {"actionLoadZRL", "Load ZRL", "Ctrl+O"},
      {"actionSauvegarder", "Save config as...", "Ctrl+S"},
      {"actionCharger", "Load config", "Ctrl+L"},
      {"actionDestDir", "Select destination", "Ctrl+D"},
      {"actionSaveConfig", "Save Config", "Ctrl+Shift+S"},
      {"actionExit", "Exit", "Ctrl+Q"},
  };
  for (const auto& e : expected) {
    auto* action = window->findChild<QAction*>(QString::fromLatin1(e.name));
    ASSERT_NE(action, nullptr) << e.name;
    EXPECT_EQ(action->text().toStdString(), e.text);
    EXPECT_EQ(action->shortcut().toString().toStdString(), e.shortcut) << e.name;
  }
}

TEST(MonitorWindowForm, StartsWithPlaceholdersAndDisabledDecodeControls) {
  auto window = uitest::makeWindow();
  auto* f = window->form();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("ZRL Decoder"));
  EXPECT_EQ(f->inputFileNameLabel->text(), QStringLiteral("<b>File:</b> -"));
  EXPECT_EQ(f->displayStartTimeLabel->text(), QStringLiteral("<b>From:</b> -"));
  EXPECT_EQ(f->decodeButton->text(), QString::fromUtf8("\u25B6\uFE0F Decode"));
  EXPECT_FALSE(f->decodeButton->isEnabled());
  EXPECT_FALSE(f->cellFillComboBox->isEnabled());
  EXPECT_FALSE(f->startDateTimeEdit->isEnabled());
  EXPECT_FALSE(f->endDateTimeEdit->isEnabled());
  EXPECT_TRUE(f->resamplingBox->isEnabled());
  EXPECT_EQ(f->frequencyComboBox->currentText(), QStringLiteral("None"));
  EXPECT_FALSE(f->methodComboBox->isEnabled());
  EXPECT_EQ(f->progressBar->format(), QStringLiteral("Ready"));
  EXPECT_EQ(f->progressBar->property("state").toString(), QStringLiteral("ready"));
  EXPECT_EQ(f->varsView->contextMenuPolicy(), Qt::CustomContextMenu);
  EXPECT_EQ(f->startDateTimeEdit->displayFormat(), QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

TEST(MonitorWindowForm, NothingIsSqueezedBelowItsNeedsAtTheInitialSize) {
  auto window = uitest::windowWithLog();
  window->show();
  QCoreApplication::processEvents();
  EXPECT_GE(window->width(), 1161);
  EXPECT_GE(window->height(), 928);
  QStringList squeezed;
  for (QWidget* widget : window->findChildren<QWidget*>()) {
    if (!widget->isVisible() || widget->objectName().isEmpty()) continue;
    if (!qobject_cast<QLabel*>(widget) && !qobject_cast<QAbstractButton*>(widget)) continue;
    // Wrapping labels and the scaled logo are meant to adapt.
    if (auto* label = qobject_cast<QLabel*>(widget); label && (label->wordWrap() || label->hasScaledContents()))
      continue;
    const QSize need = widget->minimumSizeHint().expandedTo(widget->sizeHint());
    const QSize room = need.boundedTo(widget->maximumSize());
    if (widget->width() < room.width() || widget->height() < room.height())
      squeezed << QStringLiteral("%1 %2x%3 < %4x%5")
                      .arg(widget->objectName())
                      .arg(widget->width())
                      .arg(widget->height())
                      .arg(room.width())
                      .arg(room.height());
  }
  EXPECT_TRUE(squeezed.isEmpty()) << squeezed.join(", ").toStdString();
}
