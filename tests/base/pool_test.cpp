// The circuit's object pools: slots are reused, objects keep their values
// across chunks, and chunks filled ahead by the prefaulter hold what is
// written into them meanwhile.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "base/bigmemory.h"
#include "base/pool.h"

namespace {

struct Record {
  explicit Record(std::uint64_t v) : value(v), check(~v) {}
  std::uint64_t value;
  std::uint64_t check;
  char payload[48] = {};
};

// Fills a pool well past the chunks that are prefaulted ahead, frees every
// other object, refills, and checks every value.
void fillAndCheck(Prefaulter* prefaulter) {
  Pool<Record> pool;
  pool.prefaultWith(prefaulter);
  std::vector<Record*> made;
  const std::uint64_t n = 300000;  // about 19 MB of slots
  for (std::uint64_t k = 0; k < n; ++k) made.push_back(pool.create(k));
  for (std::uint64_t k = 0; k < n; k += 2) pool.destroy(made[k]);
  for (std::uint64_t k = 0; k < n; k += 2) made[k] = pool.create(k + n);
  for (std::uint64_t k = 0; k < n; ++k) {
    const std::uint64_t expected = k % 2 ? k : k + n;
    ASSERT_EQ(made[k]->value, expected);
    ASSERT_EQ(made[k]->check, ~expected);
  }
  for (Record* r : made) pool.destroy(r);
}

TEST(Pool, ObjectsKeepTheirValuesWithAndWithoutPrefaulting) {
  fillAndCheck(nullptr);
  Prefaulter prefaulter;
  fillAndCheck(&prefaulter);
}

TEST(Pool, FreedSlotsAreReusedFirst) {
  Pool<Record> pool;
  Record* a = pool.create(1);
  pool.destroy(a);
  EXPECT_EQ(pool.create(2), a);
  pool.destroy(a);
}

TEST(Prefaulter, StopsWithRequestsStillWaiting) {
  std::vector<void*> blocks;
  {
    Prefaulter prefaulter;
    for (int k = 0; k < 8; ++k) {
      blocks.push_back(allocateBig(kHugePageBytes * 4));
      prefaulter.populate(blocks.back(), kHugePageBytes * 4);
    }
  }  // destroyed at once: the waiting requests are dropped, the running one finishes
  for (void* b : blocks) freeBig(b, kHugePageBytes * 4);
}

TEST(BigVector, GrowsAcrossTheHugePageSize) {
  BigVector<std::uint32_t> v;
  for (std::uint32_t k = 0; k < 3000000; ++k) v.push_back(k);
  std::uint64_t sum = 0;
  for (std::uint32_t x : v) sum += x;
  EXPECT_EQ(sum, std::uint64_t{3000000} * 2999999 / 2);
}

}  // namespace
