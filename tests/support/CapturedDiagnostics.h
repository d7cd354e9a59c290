// Collects what the program prints through its diagnostics printer while
// alive, instead of redirecting standard output.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "values/Diagnostics.h"

namespace zrltest {

class CapturedDiagnostics : public zrl::DiagnosticSink {
 public:
  CapturedDiagnostics() : previous_(zrl::setDiagnosticSink(this)) {}
  ~CapturedDiagnostics() { zrl::setDiagnosticSink(previous_); }
  CapturedDiagnostics(const CapturedDiagnostics&) = delete;
  CapturedDiagnostics& operator=(const CapturedDiagnostics&) = delete;

  void write(std::string_view text) override {
    std::lock_guard<std::mutex> guard(lock_);
    text_.append(text);
  }
  std::string text() const {
    std::lock_guard<std::mutex> guard(lock_);
    return text_;
  }

 private:
  zrl::DiagnosticSink* previous_;
  mutable std::mutex lock_;
  std::string text_;
};

}  // namespace zrltest
