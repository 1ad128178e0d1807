// Time as the command lines see it: injectable, so runs and tests can fix it.
#pragma once

#include <cstdint>

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds on a steady clock (only differences mean anything).
  virtual double seconds() = 0;
  // A seed drawn from the wall clock.
  virtual std::uint64_t seedFromTime() = 0;
};

// The machine's clocks.
Clock& systemClock();
