#pragma once
// Runs a step when the scope ends, however it ends (a return, an exception):
// for putting back what a scope changed, where no owner type fits.
#include <utility>

template <class Step>
class ScopeExit {
 public:
  explicit ScopeExit(Step step) : step_(std::move(step)) {}
  ~ScopeExit() {
    if (armed_) step_();
  }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  // The step is no longer wanted (the scope's work went through).
  void Dismiss() { armed_ = false; }

 private:
  Step step_;
  bool armed_ = true;
};
