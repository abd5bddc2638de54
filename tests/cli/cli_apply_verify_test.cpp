// apply's verification and fast writing, in-process against the simulator: a device
// that keeps an old value is caught (exit 5), a slow device that loses fast writes still
// ends with every value, and the options parse as documented.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/timing.h"
#include "cli/cli_main.h"
#include "cli/cli_options.h"
#include "sim/rtu_sim.h"

namespace {

// Four values that differ from the simulator's.
const char kFile[] =
    "Modem Apn:  CMIOT\r\n"
    "Server2's port:  7002\r\n"
    "Server3's port:  7003\r\n"
    "Server4's port:  7004\r\n";

bool Has(const std::string& text, const std::string& what) {
  return text.find(what) != std::string::npos;
}

class ApplyVerify : public ::testing::Test {
 protected:
  // A setter's limit and pause become 250 ms (a loaded machine meets them), the quiet time 5 ms.
  void SetUp() override { Timing::SetScale(0.25); }
  void TearDown() override {
    std::remove(path_.c_str());
    Timing::SetScale(1.0);
  }
  // apply FILE with more arguments on sim's port: exit status and standard output.
  std::pair<int, std::string> Apply(RtuSimulator& sim, std::vector<std::string> more) {
    std::ofstream(path_, std::ios::binary) << kFile;
    std::vector<std::string> args = {"apply", "--port", sim.PortName(), path_};
    args.insert(args.end(), more.begin(), more.end());
    std::ostringstream out, err;
    const int status = CliMain(args, out, err);
    return {status, out.str()};
  }

  std::string path_ = "/tmp/qx-apply-verify-" + std::to_string(getpid()) + ".cfg";
};

TEST_F(ApplyVerify, VerificationCatchesKeptValuesAndFastWritingSurvivesASlowDevice) {
  struct Case {
    const char* name;
    bool keepOld;  // the device answers OK to AT+APN but keeps CMNET
    int slowMs;    // the device drops lines for this long after each stored setter
    std::vector<std::string> args;
    int status;
    bool fellBack;
    const char* apnHeld;
  };
  const Case cases[] = {
      {"kept value", true, 0, {}, 5, false, "CMNET"},
      {"kept value, not verified", true, 0, {"--no-verify"}, 0, false, "CMNET"},
      {"fast", false, 0, {"--fast"}, 0, false, "CMIOT"},
      // 125 ms: far above the quiet time, well below the normal pause.
      {"slow device, fast", false, 500, {"--fast"}, 0, true, "CMIOT"},
      {"slow device, normal pace", false, 500, {}, 0, false, "CMIOT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RtuSimulator sim;
    ASSERT_TRUE(sim.Start());
    if (c.keepOld) sim.SetKeepOldValue("AT+APN");
    sim.SetSlowDevice(c.slowMs);
    const auto [status, out] = Apply(sim, c.args);
    EXPECT_EQ(status, c.status) << out;
    EXPECT_EQ(sim.Value("Modem Apn:"), c.apnHeld);
    for (const char* port : {"7002", "7003", "7004"})
      EXPECT_EQ(sim.Value(std::string("Server") + port[3] + "'s port:"), port);
    EXPECT_EQ(Has(out, "fell back"), c.fellBack) << out;
    if (c.slowMs > 0) {
      EXPECT_EQ(sim.DroppedLines() > 0, c.fellBack);
    }
    const bool verifies = c.args.empty() || c.args[0] == "--fast";
    EXPECT_EQ(Has(out, "differs Modem Apn: sent CMIOT, device holds CMNET"),
              c.keepOld && verifies) << out;
    EXPECT_EQ(Has(out, "verified, the device holds every written value"),
              !c.keepOld && verifies) << out;
  }
}

TEST(ApplyOptions, FastAndNoVerifyBelongToApplyAndFastAlwaysVerifies) {
  struct Case {
    std::vector<std::string> args;
    bool ok, verify, fast;
  };
  const Case cases[] = {
      {{"apply", "--port", "p", "f"}, true, true, false},
      {{"apply", "--port", "p", "--fast", "f"}, true, true, true},
      {{"apply", "--no-verify", "--port", "p", "f"}, true, false, false},
      {{"apply", "--port", "p", "--fast", "--no-verify", "f"}, false, true, true},
      {{"load", "--port", "p", "--fast"}, false, true, true},
      {{"load", "--port", "p", "--no-verify"}, false, false, false},
  };
  for (const Case& c : cases) {
    const CliParse p = ParseCliArgs(c.args);
    EXPECT_EQ(p.error.empty(), c.ok) << c.args[0] << " " << p.error;
    if (!c.ok) continue;
    EXPECT_EQ(p.options.verify, c.verify) << c.args[3];
    EXPECT_EQ(p.options.fast, c.fast) << c.args[3];
  }
}

}  // namespace
