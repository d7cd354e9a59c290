#include <gtest/gtest.h>

#include <QApplication>

#include "tests/support/IsolatedEnvironment.h"

// Widgets need an application object; the environment (offscreen platform,
// private HOME and TMPDIR) is set before it exists so Qt picks it up.
int main(int argc, char** argv) {
  zrltest::setUpIsolatedEnvironment();
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  const int result = RUN_ALL_TESTS();
  zrltest::finishIsolatedEnvironment(result == 0);
  return result;
}
