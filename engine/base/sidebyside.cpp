#include "base/sidebyside.h"

#include <exception>
#include <system_error>
#include <thread>

void runBeside(const std::function<void()>& beside, const std::function<void()>& here) {
  std::exception_ptr failure;
  auto guarded = [&] {
    try {
      beside();
    } catch (...) {
      failure = std::current_exception();
    }
  };
  std::thread side;
  try {
    side = std::thread(guarded);
  } catch (const std::system_error&) {
    guarded();
  }
  {
    // The thread is joined even when `here` throws.
    struct Join {
      std::thread& t;
      ~Join() {
        if (t.joinable()) t.join();
      }
    } join{side};
    here();
  }
  if (failure) std::rethrow_exception(failure);
}
