// Helpers shared by the value tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/support/CapturedDiagnostics.h"

namespace valuetest {

// Messages printed while `action` runs.
inline std::string messagesOf(const std::function<void()>& action) {
  zrltest::CapturedDiagnostics captured;
  action();
  return captured.text();
}

}  // namespace valuetest
