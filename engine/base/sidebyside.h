// Two pieces of work run at the same time: the first on a second thread, the
// second on the calling one. Used for result files that only read a circuit.
#pragma once

#include <functional>

// Runs `beside` on a new thread while `here` runs on this one, and returns
// when both are done; runs them one after the other when no thread can be
// started. `beside` may neither print nor report errors; an exception it
// throws is thrown again here once both are done.
void runBeside(const std::function<void()>& beside, const std::function<void()>& here);
