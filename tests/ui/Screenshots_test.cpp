// Not a test: renders the window and the About dialog to PNG files for a
// visual check. Run with `make screenshots` (it is disabled in the suite).
#include <gtest/gtest.h>

#include <QDir>
#include <QPixmap>

#include "tests/support/ProcessRunner.h"
#include "tests/ui/WindowTestSupport.h"
#include "ui/APropos.h"

namespace {

QString screenshotDir() {
  const QString dir = QString::fromStdString(zrltest::buildDir()) + QStringLiteral("/screenshots");
  QDir().mkpath(dir);
  return dir;
}

void save(QWidget& widget, const QString& name) {
  QCoreApplication::processEvents();
  const QString path = screenshotDir() + QLatin1Char('/') + name;
  ASSERT_TRUE(widget.grab().save(path)) << path.toStdString();
  std::printf("wrote %s\n", qPrintable(path));
}

}  // namespace

TEST(Screenshots, DISABLED_RenderWindowAndAbout) {
  const std::string log = zrltest::makeTempSubdir("screenshots") + "/sample.zrl";
  const auto generated =
      zrltest::runProgram(zrltest::generatorProgram(), {"--preset", "sample", "--output", log}, {}, 60, "");
  ASSERT_EQ(generated.exitStatus, 0) << generated.out << generated.err;

  auto window = uitest::makeWindow();
  window->controller().config()["outputDirName"] = "/home/user/measurements/campaign2026/benchA/exports/day01/run17/out";
  window->show();
  uitest::loadLog(*window, log);
  const QStringList names = uitest::allNames(*window);
  ASSERT_GE(names.size(), 4);
  // A few variables checked, an alias and two conditions on numeric ones.
  QStringList numeric;
  for (const QString& name : names) {
    const QString type = window->typeNameOf(name);
    if (type == QLatin1String("DATALOGGER_FLOAT_TYPE") || type == QLatin1String("DATALOGGER_INTEGER_TYPE"))
      numeric << name;
  }
  ASSERT_GE(numeric.size(), 2);
  for (int i = 0; i < 3 && i < names.size(); ++i) uitest::item(*window, names[i])->setCheckState(Qt::Checked);
  uitest::item(*window, numeric[0])->setCheckState(Qt::Checked);
  window->setAlias(numeric[0], QStringLiteral("Gear"));
  window->addCondition(numeric[0], QStringLiteral("minimum"), 5);
  window->addCondition(numeric[1], QStringLiteral("maximum"), 1234567);
  save(*window, QStringLiteral("window.png"));

  const QString iconPath = screenshotDir() + QStringLiteral("/icon.png");
  ASSERT_TRUE(window->windowIcon().pixmap(32, 32).scaled(128, 128).save(iconPath));
  std::printf("wrote %s\n", qPrintable(iconPath));

  APropos about(window.get());
  about.show();
  save(about, QStringLiteral("about.png"));
}
