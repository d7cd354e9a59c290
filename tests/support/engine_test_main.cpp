#include <gtest/gtest.h>

#include "tests/support/IsolatedEnvironment.h"

int main(int argc, char** argv) {
  zrltest::setUpIsolatedEnvironment();
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  zrltest::finishIsolatedEnvironment(result == 0);
  return result;
}
