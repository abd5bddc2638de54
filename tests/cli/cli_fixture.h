#pragma once
// The simulated device on a pseudo-terminal, in this process, and qx310-cli run
// against it as a separate process, both at the same small time scale.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/cp936.h"
#include "app/link_machine.h"
#include "base/timing.h"
#include "cli_process.h"
#include "protocol/exchange.h"
#include "protocol/param_table.h"
#include "sim/rtu_sim.h"

// The device's and the program's time scale: the 5 s probe wait becomes 250 ms, the
// 1 s pause after every answer 50 ms.
constexpr double kCliTestScale = 0.05;
// Time (unscaled ms) a run may take beyond its protocol waits: starting the process
// (under a sanitizer, too), the replies themselves, the exit.
constexpr long long kRunMarginMs = 6000;

// The timing checks derive from the production constants: linkstate::kProbeWaitMs and
// linkstate::kEntryTries of the entry, kReplyPauseMs after every answered command, and
// the commands' own limits in the parameter table.

inline long long Scaled(long long ms) { return static_cast<long long>(ms * kCliTestScale); }

class CliDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Timing::SetScale(scale);
    ASSERT_TRUE(sim.Start());
    char tmpl[] = "/tmp/qx-cli-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    sim.Stop();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    Timing::SetScale(1.0);
  }

  CliRun Cli(std::vector<std::string> args, int uid = -1) {
    CliRunOptions o;
    o.timeScale = scale;
    o.uid = uid;
    return RunCli(args, o);
  }
  // A device command on the simulator's port, with more arguments.
  CliRun Device(const std::string& command, std::vector<std::string> more = {}) {
    std::vector<std::string> args = {command, "--port", sim.PortName()};
    args.insert(args.end(), more.begin(), more.end());
    return Cli(args);
  }
  std::string Path(const std::string& name) const { return dir + "/" + name; }

  // Command lines the device received that set something ("WORD=value").
  std::vector<std::string> Setters() const {
    std::vector<std::string> out;
    for (const std::string& c : sim.ReceivedCommands())
      if (c.find('=') != std::string::npos) out.push_back(c);
    return out;
  }

  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string G(const char* utf8) { return GBK(utf8); }

  // The device's and the program's time scale (a fixture may choose another one in
  // its constructor).
  double scale = kCliTestScale;
  RtuSimulator sim;
  std::string dir;
};
