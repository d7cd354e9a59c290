// Not a test: renders the window and the About dialog to PNG files for a
// visual check. Run with `make screenshots` (it is disabled in the suite).
#include <gtest/gtest.h>

#include <QDir>
#include <QPixmap>

#include "tests/support/IsolatedEnvironment.h"
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
  auto window = uitest::makeWindow();
  window->show();
  uitest::loadCatalog(*window, uitest::everyTypeCatalog(), 10.0f);
  for (const char* name : {"Engine.Speed", "Engine.Rpm", "Status.Ok"})
    uitest::item(*window, name)->setCheckState(Qt::Checked);
  window->setAlias(QStringLiteral("Engine.Speed"), QStringLiteral("Vitesse"));
  window->addCondition(QStringLiteral("Engine.Speed"), QStringLiteral("minimum"), 5);
  window->addCondition(QStringLiteral("Engine.Rpm"), QStringLiteral("maximum"), 1234567);
  save(*window, QStringLiteral("window.png"));

  APropos about(window.get());
  about.show();
  save(about, QStringLiteral("about.png"));
}
