#pragma once
// The walks pump once per item, far more often than a user interface needs:
// the pump drains the queue only when enough wall time has passed, so an
// item costs a clock read, not a round trip to the window system.
#include <cstdint>

class PumpThrottle {
 public:
  explicit PumpThrottle(std::int64_t intervalMs = 15) : intervalMs_(intervalMs) {}
  // True when the queue should be drained now.
  bool Due(std::int64_t nowMs) {
    if (started_ && nowMs - last_ < intervalMs_ && nowMs >= last_) return false;
    started_ = true;
    last_ = nowMs;
    return true;
  }

 private:
  std::int64_t intervalMs_;
  std::int64_t last_ = 0;
  bool started_ = false;
};
