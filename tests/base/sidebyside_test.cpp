// Work run side by side: both pieces run, and a failure on the second thread
// reaches the caller only after the work on this one is done.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "base/sidebyside.h"

TEST(SideBySide, BothRunOnTwoThreads) {
  std::thread::id besideThread, hereThread;
  runBeside([&] { besideThread = std::this_thread::get_id(); }, [&] { hereThread = std::this_thread::get_id(); });
  EXPECT_EQ(hereThread, std::this_thread::get_id());
  EXPECT_NE(besideThread, std::thread::id());
}

TEST(SideBySide, FailureBesideIsThrownAfterBothAreDone) {
  std::atomic<bool> hereDone{false};
  EXPECT_THROW(runBeside([] { throw std::runtime_error("disk full"); }, [&] { hereDone = true; }),
               std::runtime_error);
  EXPECT_TRUE(hereDone);
}

TEST(SideBySide, FailureHereStillJoinsTheOtherThread) {
  std::atomic<bool> besideDone{false};
  EXPECT_THROW(runBeside([&] { besideDone = true; }, [] { throw std::logic_error("bad"); }), std::logic_error);
  EXPECT_TRUE(besideDone);
}
