#include <gtest/gtest.h>

#include "tests/support/IsolatedEnvironment.h"

int main(int argc, char** argv) {
  zrltest::setUpIsolatedEnvironment();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
