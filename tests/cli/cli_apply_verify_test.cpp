// apply's verification and fast writing, in-process against the simulator: a device
// that keeps an old value is caught (exit 5), a slow device that loses fast writes still
// ends with every value, and the options parse as documented.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "base/timing.h"
#include "cli/cli_main.h"
#include "cli/cli_options.h"
#include "sim/rtu_sim.h"

TEST(ApplyVerify, VerificationCatchesKeptValuesAndFastWritingSurvivesASlowDevice) {
  // A setter's limit and pause become 250 ms (a loaded machine meets them), the quiet
  // time 5 ms, the slow device's busy time (500) 125 ms.
  Timing::SetScale(0.25);
  const std::string path = "/tmp/qx-apply-verify-" + std::to_string(getpid()) + ".cfg";
  std::ofstream(path, std::ios::binary) << "Modem Apn:  CMIOT\r\nServer2's port:  7002\r\n"
                                           "Server3's port:  7003\r\n";
  const std::string differs = "differs Modem Apn: sent CMIOT, device holds CMNET";
  const std::string verified = "verified, the device holds every written value";
  struct Case {
    bool keepOld;  // the device answers OK to AT+APN but keeps CMNET
    int slowMs;
    const char* option;
    int status;
    const char* apnHeld;
    bool fellBack, differs, verified;
  } cases[] = {
      {true, 0, "--quiet", 5, "CMNET", false, true, false},
      {true, 0, "--no-verify", 0, "CMNET", false, false, false},
      {false, 0, "--fast", 0, "CMIOT", false, false, true},
      {false, 500, "--fast", 0, "CMIOT", true, false, true},
      {false, 500, "--quiet", 0, "CMIOT", false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.option) + (c.keepOld ? " keep-old" : "") + (c.slowMs ? " slow" : ""));
    RtuSimulator sim;
    ASSERT_TRUE(sim.Start());
    if (c.keepOld) sim.SetKeepOldValue("AT+APN");
    sim.SetSlowDevice(c.slowMs);
    std::ostringstream out, err;
    EXPECT_EQ(CliMain({"apply", "--no-backup", c.option, "--port", sim.PortName(), path}, out, err),
              c.status) << out.str();
    EXPECT_EQ(sim.Value("Modem Apn:"), c.apnHeld);
    EXPECT_EQ(sim.Value("Server2's port:") + sim.Value("Server3's port:"), "70027003");
    EXPECT_EQ(out.str().find("fell back") != std::string::npos, c.fellBack) << out.str();
    EXPECT_EQ(sim.DroppedLines() > 0, c.fellBack);
    EXPECT_EQ(out.str().find(differs) != std::string::npos, c.differs) << out.str();
    EXPECT_EQ(out.str().find(verified) != std::string::npos, c.verified) << out.str();
  }
  std::remove(path.c_str());
  Timing::SetScale(1.0);
}

TEST(ApplyOptions, FastAndNoVerifyBelongToApplyAndFastAlwaysVerifies) {
  const std::pair<std::vector<std::string>, bool> cases[] = {
      {{"apply", "--port", "p", "--fast", "f"}, true},
      {{"apply", "--port", "p", "--fast", "--no-verify", "f"}, false},
      {{"load", "--port", "p", "--no-verify"}, false},
  };
  for (const auto& [args, ok] : cases) EXPECT_EQ(ParseCliArgs(args).error.empty(), ok) << args[3];
}
