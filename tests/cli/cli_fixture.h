#pragma once
// qx310-cli run in this process through CliMain, or as a separate process (standard
// input from /dev/null, output and error captured), and the simulated device on a
// pseudo-terminal in this process, both at the same small time scale. Backups go to the
// test's own folder.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/link_machine.h"
#include "base/cp936.h"
#include "base/timing.h"
#include "protocol/exchange.h"
#include "protocol/param_table.h"
#include "sim/rtu_sim.h"

struct CliRun {
  int status = -1;  // exit status; 128 + signal; -1 when it did not end in time
  std::string out, err;
  long long elapsedMs = 0;
};

struct CliRunOptions {
  bool process = false;       // run the built program; a watch, a user or a scale text imply it
  double timeScale = 0;       // QX310_TIME_SCALE; 0: not set
  std::string timeScaleText{};  // QX310_TIME_SCALE as given (overrides timeScale)
  int uid = -1;               // run as this user (needs root); -1: as we are
  int limitMs = 120000;       // killed after this long (unscaled)
  // Called about every 100 ms while the program runs, with its process id and its
  // standard error so far: a test acts on the device or signals the program.
  std::function<void(int pid, const std::string& err)> watch{};
};

CliRun RunCli(const std::vector<std::string>& args, const CliRunOptions& options);
// The same through CliMain in this process (standard input is not a terminal).
CliRun RunCliInProcess(const std::vector<std::string>& args);

// The lines of text ended by eol (a last line without it counts).
std::vector<std::string> SplitLines(const std::string& text, const std::string& eol = "\n");
inline int LineCount(const std::string& text) { return static_cast<int>(SplitLines(text).size()); }
// How often what occurs in text.
int CountOf(const std::string& text, const std::string& what);

// The device's and the program's time scale: the 5 s probe wait becomes 500 ms, a
// command's 1 s limit and the pause after every answer 100 ms (enough on a busy machine).
constexpr double kCliTestScale = 0.1;
// Time (unscaled ms) a run may take beyond its protocol waits: starting the process
// (under a sanitizer, too), the replies themselves, the exit.
constexpr long long kRunMarginMs = 10000;

class CliDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Timing::SetScale(scale);
    ASSERT_TRUE(sim.Start());
    char tmpl[] = "/tmp/qx-cli-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    setenv("QX310_BACKUP_DIR", Path("backups").c_str(), 1);  // the backups before each write
  }
  void TearDown() override {
    sim.Stop();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    Timing::SetScale(1.0);
  }

  CliRun Cli(std::vector<std::string> args, CliRunOptions o = {}) {
    if (o.timeScaleText.empty()) o.timeScale = scale;
    if (o.process || o.watch || o.uid >= 0 || !o.timeScaleText.empty()) return RunCli(args, o);
    return RunCliInProcess(args);
  }
  // A device command on the simulator's port, with more arguments.
  CliRun Device(const std::string& command, std::vector<std::string> more = {}, CliRunOptions o = {}) {
    std::vector<std::string> args = {command, "--port", sim.PortName()};
    args.insert(args.end(), more.begin(), more.end());
    return Cli(args, std::move(o));
  }
  std::string Path(const std::string& name) const { return dir + "/" + name; }
  long long Scaled(long long ms) const { return static_cast<long long>(ms * scale); }

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
