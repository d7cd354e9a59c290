// Helpers shared by the value tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace valuetest {

// Standard output written while `action` runs.
inline std::string stdoutOf(const std::function<void()>& action) {
  testing::internal::CaptureStdout();
  action();
  return testing::internal::GetCapturedStdout();
}

}  // namespace valuetest
