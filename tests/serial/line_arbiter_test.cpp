// The line arbiter: who owns the line when operations hold it, which background writes
// go out, and that none goes out once a lease has begun.
#include "serial/line_arbiter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "support/wait.h"

namespace {

using O = LineOwner;

TEST(LineArbiter, TheFirstHolderInReceiveOrderOwnsTheLineAndOnlyItsWritesGoOut) {
  struct Case {
    std::vector<O> holders;
    O self;
    O owner;
    bool writes;
  };
  const Case cases[] = {
      {{}, O::kNone, O::kNone, true},
      {{}, O::kConfig, O::kNone, true},
      {{O::kConfig}, O::kNone, O::kConfig, false},
      {{O::kConfig}, O::kConfig, O::kConfig, true},
      {{O::kConfig, O::kDownload}, O::kConfig, O::kDownload, false},
      {{O::kConfig, O::kDownload}, O::kDownload, O::kDownload, true},
      {{O::kConfig, O::kModeDialogue}, O::kModeDialogue, O::kModeDialogue, true},
      {{O::kModeDialogue, O::kDownload}, O::kModeDialogue, O::kDownload, false},
      {{O::kModeDialogue}, O::kDownload, O::kModeDialogue, false},
  };
  for (const Case& c : cases) {
    LineArbiter line;
    std::vector<LineArbiter::Lease> leases;
    for (O h : c.holders) leases.push_back(line.Hold(h));
    bool ran = false;
    EXPECT_EQ(line.WriteIfFree(c.self, [&] { ran = true; }), c.writes) << static_cast<int>(c.self);
    EXPECT_EQ(ran, c.writes);
    EXPECT_EQ(line.Owner(), c.owner);
    leases.clear();
    EXPECT_EQ(line.Owner(), O::kNone) << "every lease released";
  }
}

TEST(LineArbiter, LeasesEndWithTheirLastCopyOnly) {
  LineArbiter line;
  EXPECT_FALSE(line.Hold(O::kNone).Held());
  LineArbiter::Lease a = line.Hold(O::kConfig);
  {
    LineArbiter::Lease second = line.Hold(O::kConfig);
    LineArbiter::Lease moved = std::move(second);
    EXPECT_FALSE(second.Held());
  }
  EXPECT_EQ(line.Owner(), O::kConfig) << "the other lease of the same owner still holds";
  LineArbiter::Lease b = line.Hold(O::kDownload);
  b = std::move(a);  // b's download lease ends, a's configuration lease moves over
  EXPECT_EQ(line.Owner(), O::kConfig);
  b.Release();
  b.Release();
  EXPECT_EQ(line.Owner(), O::kNone);
}

TEST(LineArbiter, NoBackgroundWriteRunsOnceALeaseHasBegun) {
  LineArbiter line;
  std::atomic<bool> stop{false}, writing{false};
  std::atomic<int> attempts{0}, writes{0};
  std::thread background([&] {
    while (!stop) {
      line.WriteIfFree(O::kConfig, [&] {
        writing = true;
        std::this_thread::yield();  // a write takes a while
        ++writes;
        writing = false;
      });
      ++attempts;
    }
  });
  for (int round = 0; round < 200; ++round) {
    LineArbiter::Lease lease = line.Hold(O::kDownload);
    EXPECT_FALSE(writing.load()) << "a write was still under way in round " << round;
    const int written = writes.load(), tried = attempts.load();
    ASSERT_TRUE(WaitUntil([&] { return attempts.load() >= tried + 3; }, kTestMarginMs));
    EXPECT_EQ(writes.load(), written) << "a write went out under the lease in round " << round;
  }
  ASSERT_TRUE(WaitUntil([&] { return writes.load() > 0; }, kTestMarginMs));
  stop = true;
  background.join();
}

}  // namespace
