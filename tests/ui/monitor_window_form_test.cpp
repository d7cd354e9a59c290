// The window as built: names the style sheets and slots rely on, shortcuts,
// initial enabled states and texts.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QDockWidget>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <QMenu>

#include "tests/ui/WindowTestSupport.h"

TEST(MonitorWindowForm, ActionsCarryTheirShortcuts) {
  auto window = uitest::makeWindow();
  const struct {
    const char* name;
    const char* text;
    const char* shortcut;
  } expected[] = {
      {"actionAbout", "About", ""},
      {"actionOpenLog", "Load ZRL", "Ctrl+O"},
      {"actionSaveConfigAs", "Save config as...", "Ctrl+Shift+S"},
      {"actionLoadConfig", "Load config", "Ctrl+L"},
      {"actionChooseDestination", "Select destination", "Ctrl+D"},
      {"actionSaveConfig", "Save Config", "Ctrl+S"},
      {"actionExit", "Exit", "Ctrl+Q"},
      {"actionPreview", "Preview", "Ctrl+P"},
  };
  for (const auto& e : expected) {
    auto* action = window->findChild<QAction*>(QString::fromLatin1(e.name));
    ASSERT_NE(action, nullptr) << e.name;
    EXPECT_EQ(action->text().toStdString(), e.text);
    EXPECT_EQ(action->shortcut().toString().toStdString(), e.shortcut) << e.name;
  }
  EXPECT_EQ(window->findChild<QMenu*>(QStringLiteral("menuHelp"))->title(), QStringLiteral("Help"));
}

TEST(MonitorWindowForm, StartsWithPlaceholdersAndDisabledDecodeControls) {
  auto window = uitest::makeWindow();
  MonitorWindow* f = window.get();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("ZRL Decoder"));
  EXPECT_EQ(f->informationPanel()->fileLabel()->text(), QStringLiteral("<b>File:</b> -"));
  EXPECT_EQ(f->informationPanel()->startLabel()->text(), QStringLiteral("<b>From:</b> -"));
  // The idle face as built, its signs drawn where a font has them.
  EXPECT_EQ(f->decodePanel()->button()->text(), f->decodePanel()->idleText());
  EXPECT_EQ(f->decodePanel()->idleText(), QString::fromUtf8("\u25B6\uFE0F Decode"));
  EXPECT_FALSE(f->decodePanel()->button()->isEnabled());
  EXPECT_FALSE(f->csvOptionsPanel()->cellFillBox()->isEnabled());
  EXPECT_FALSE(f->csvOptionsPanel()->startEdit()->isEnabled());
  EXPECT_FALSE(f->csvOptionsPanel()->endEdit()->isEnabled());
  EXPECT_TRUE(f->resamplingPanel()->isEnabled());
  EXPECT_EQ(f->resamplingPanel()->frequencyBox()->currentText(), QStringLiteral("None"));
  EXPECT_FALSE(f->resamplingPanel()->methodBox()->isEnabled());
  EXPECT_EQ(f->progressPanel()->bar()->format(), QStringLiteral("Ready"));
  EXPECT_EQ(f->progressPanel()->bar()->property("state").toString(), QStringLiteral("ready"));
  EXPECT_EQ(f->variableListPanel()->list()->contextMenuPolicy(), Qt::CustomContextMenu);
  EXPECT_EQ(f->csvOptionsPanel()->startEdit()->displayFormat(), QStringLiteral("dd/MM/yyyy HH:mm:ss"));
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

// Laptop screens of 1280 x 800 and 1366 x 768 hold the window with the
// preview open: the option column scrolls and the list gives up height.
TEST(MonitorWindowForm, MinimumSizeFitsSmallScreensWithAndWithoutThePreview) {
  auto window = uitest::windowWithLog();
  window->show();
  for (bool preview : {false, true}) {
    window->previewDock()->setVisible(preview);
    QCoreApplication::processEvents();
    const QSize minimum = window->minimumSizeHint().expandedTo(window->minimumSize());
    EXPECT_LE(minimum.width(), 1024) << "preview " << preview;
    EXPECT_LE(minimum.height(), 640) << "preview " << preview;
    std::printf("minimum size with%s the preview: %dx%d\n", preview ? "" : "out", minimum.width(),
                minimum.height());
  }
}
