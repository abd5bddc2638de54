// Twenty load/write cycles in one process: every cycle succeeds (under AddressSanitizer
// the run also shows that none leaks).
#include <gtest/gtest.h>
#include <unistd.h>

#include "base/timing.h"
#include "support/soak_cycle.h"

TEST(CliSoak, TwentyLoadWriteCyclesAllSucceed) {
  Timing::SetScale(0.1);
  RtuSimulator sim;
  ASSERT_TRUE(sim.Start());
  const std::string file = "/tmp/qx310-soak-" + std::to_string(getpid()) + ".cfg";
  for (int cycle = 1; cycle <= 20; ++cycle) {
    const SoakResult r = SoakCycle(sim, file, cycle);
    ASSERT_EQ(r.loadStatus, 0) << "cycle " << cycle;
    ASSERT_EQ(r.applyStatus, 0) << "cycle " << cycle;
    ASSERT_TRUE(r.written) << "cycle " << cycle;
  }
  std::remove(file.c_str());
  sim.Stop();
  Timing::SetScale(1.0);
}
