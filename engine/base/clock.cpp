#include "base/clock.h"

#include <chrono>
#include <ctime>

namespace {

class SystemClock final : public Clock {
 public:
  double seconds() override {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  }
  std::uint64_t seedFromTime() override { return static_cast<std::uint64_t>(std::time(nullptr)); }
};

}  // namespace

Clock& systemClock() {
  static SystemClock clock;  // holds no state: it only reads the machine's clocks
  return clock;
}
