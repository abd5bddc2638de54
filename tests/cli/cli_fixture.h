#pragma once
// qx310-cli in this process through CliMain or as a separate process, and the simulated
// device on a pseudo-terminal, both at the same small time scale.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/link_machine.h"
#include "base/cp936.h"
#include "base/timing.h"
#include "cli/cli_main.h"
#include "protocol/exchange.h"
#include "protocol/param_table.h"
#include "sim/rtu_sim.h"
#include "support/wait.h"

struct CliRun {
  int status = -1;  // exit status; 128 + signal; -1 when it did not end in time
  std::string out, err;
  long long elapsedMs = 0;
};

struct CliRunOptions {
  bool process = false;       // run the built program; a watch, a user or a scale given imply it
  std::string timeScale{};    // QX310_TIME_SCALE as given; "": not set
  int uid = -1;               // run as this user (needs root); -1: as we are
  int limitMs = 120000;       // killed after this long (unscaled)
  // Called about every 100 ms while the program runs, with its process id and its
  // standard error so far: a test acts on the device or signals the program.
  std::function<void(int pid, const std::string& err)> watch{};
};

extern char** environ;

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Runs the built program, killed after options.limitMs.
inline CliRun RunCli(const std::vector<std::string>& args, const CliRunOptions& options) {
  // Everything the child needs is prepared before fork: after it only dup2, close, setuid
  // and execve run (the test process has threads).
  std::vector<std::string> argStore{QX310_CLI_PATH}, envStore;
  argStore.insert(argStore.end(), args.begin(), args.end());
  for (char** e = environ; *e != nullptr; ++e)
    if (std::strncmp(*e, "QX310_TIME_SCALE=", 17) != 0) envStore.push_back(*e);
  if (!options.timeScale.empty()) envStore.push_back("QX310_TIME_SCALE=" + options.timeScale);
  std::vector<char*> argv, envp;
  for (std::string& a : argStore) argv.push_back(a.data());
  for (std::string& e : envStore) envp.push_back(e.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  // Standard output and error go to files, read once it has ended (the watch reads the
  // error so far); the files are removed afterwards.
  CliRun run;
  std::string names[2] = {"/tmp/qx-cli-out-XXXXXX", "/tmp/qx-cli-err-XXXXXX"};
  const int out = mkostemp(names[0].data(), O_CLOEXEC), err = mkostemp(names[1].data(), O_CLOEXEC);
  const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
  const long long start = Timing::NowMs();
  const pid_t pid = out < 0 || err < 0 ? -1 : fork();
  if (pid == 0) {
    dup2(devNull, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (options.uid >= 0 && (setgid(options.uid) != 0 || setuid(options.uid) != 0)) _exit(126);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  for (int fd : {out, err, devNull}) if (fd >= 0) close(fd);
  int status = 0;
  bool ended = false;
  for (int turn = 0; pid > 0 && !(ended = waitpid(pid, &status, WNOHANG) == pid); ++turn) {
    if (Timing::NowMs() >= start + options.limitMs) { kill(pid, SIGKILL); waitpid(pid, &status, 0); break; }
    if (options.watch && turn % 20 == 0) options.watch(static_cast<int>(pid), ReadFile(names[1]));
    usleep(5000);
  }
  run.elapsedMs = Timing::NowMs() - start;
  if (ended) run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = ReadFile(names[0]);
  run.err = ReadFile(names[1]);
  for (const std::string& n : names) unlink(n.c_str());
  return run;
}

using Commands = std::vector<std::string>;

// How often what occurs in text.
inline int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}
// The lines of text, each ended by a line feed (a last line without it counts).
inline int LineCount(const std::string& text) { return CountOf(text, "\n") + (!text.empty() && text.back() != '\n'); }

// Time (unscaled ms) a run may take beyond its protocol waits: starting the process
// (under a sanitizer, too), the replies themselves, the exit.
constexpr long long kRunMarginMs = 2 * kTestMarginMs;

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
    const bool scaleGiven = !o.timeScale.empty();
    if (!scaleGiven) o.timeScale = std::to_string(scale);
    if (o.process || o.watch || o.uid >= 0 || scaleGiven) return RunCli(args, o);
    // Otherwise through CliMain in this process (standard input is not a terminal).
    std::ostringstream out, err;
    const long long start = Timing::NowMs();
    const int status = CliMain(args, out, err);
    return {status, out.str(), err.str(), Timing::NowMs() - start};
  }
  // A device command on the simulator's port, with more arguments.
  CliRun Device(const std::string& command, std::vector<std::string> more = {}, CliRunOptions o = {}) {
    std::vector<std::string> args = {command, "--port", sim.PortName()};
    args.insert(args.end(), more.begin(), more.end());
    return Cli(args, std::move(o));
  }
  std::string Path(const std::string& name) const { return dir + "/" + name; }
  // The device's values loaded (by the program, as a process) into the file name, with the
  // save length of channels 1..channels changed from 4 to 8: a file that changes that many
  // instances, sent in channel order. Its path.
  std::string LoadWithSaveLengths(const std::string& name, int channels) {
    EXPECT_EQ(Device("load", {"-o", Path(name)}, {.process = true}).status, 0);
    std::string t = ReadFile(Path(name));
    for (int c = 1; c <= channels; ++c) {
      char line[40];
      std::snprintf(line, sizeof line, "Channel%02d save length:  4\r\n", c);
      const size_t at = t.find(line);
      EXPECT_NE(at, std::string::npos) << line;
      if (at != std::string::npos) t[at + std::strlen(line) - 3] = '8';
    }
    WriteFile(Path(name), t);
    return Path(name);
  }
  long long Scaled(long long ms) const { return static_cast<long long>(ms * scale); }

  // Command lines the device received that set something ("WORD=value").
  std::vector<std::string> Setters() const {
    std::vector<std::string> out;
    for (const std::string& c : sim.ReceivedCommands()) if (c.find('=') != std::string::npos) out.push_back(c);
    return out;
  }

  // The device's and the program's time scale (a fixture may choose another one in its
  // constructor): the 5 s probe wait becomes 1250 ms, a command's 1 s limit and the pause
  // after every answer 250 ms (at 100 ms a loaded machine under ThreadSanitizer missed a
  // setter's and a record batch's limit).
  double scale = 0.25;
  RtuSimulator sim;
  std::string dir;
};
