// The stand-alone qx310-sim program.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "sim_port.h"
#include "support/wait.h"

extern char** environ;

namespace {

class SimProgram {
 public:
  explicit SimProgram(std::vector<std::string> args) {
    args.insert(args.begin(), QX310_SIM_PATH);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_addclose(&fa, out[0]);
    if (posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&fa);
    close(out[1]);
    out_ = out[0];
  }
  ~SimProgram() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }
  // The first line of the program's output ("" when none came within the limit).
  std::string FirstLine() {
    std::string line;
    char c;
    for (const int64_t end = Timing::NowMs() + kReplyLimitMs; Timing::NowMs() < end;) {
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      if (read(out_, &c, 1) != 1 || c == '\n') break;
      line += c;
    }
    return line;
  }
  void Signal(int sig) { kill(pid_, sig); }
  // Exit status, or -1 when it did not end within the limit.
  int WaitExit() {
    int status = 0;
    if (!WaitUntil([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, kReplyLimitMs)) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  bool Started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

}  // namespace

TEST(SimProgramTest, PrintsItsPortPlaysTheDeviceEndsOnSigtermAndRefusesUnknownOptions) {
  SimProgram prog({"--error", "AT+APN"});
  ASSERT_TRUE(prog.Started());
  std::string name = prog.FirstLine();
  ASSERT_EQ(name.rfind("/dev/", 0), 0u) << name;
  SimPort port(name);
  ASSERT_TRUE(port.IsOpen());
  EXPECT_EQ(port.Probe("---"), kCmdOk);
  EXPECT_EQ(port.Command("AT+APN=x"), "AT+APN=x\r\n\r\nERROR\r\n");
  EXPECT_EQ(port.Command("AT+USERNAME=x"), "AT+USERNAME=x\r\n\r\nOK\r\n");

  // A power cycle: polls during the boot window lead to configuration.
  {
    BytePump pump(port, 'S');
    prog.Signal(SIGUSR1);
    EXPECT_NE(port.ReadUntil("CONFIGURE PROGRAM\r\n").find("CONFIGURE PROGRAM\r\n"), std::string::npos);
  }
  prog.Signal(SIGTERM);
  EXPECT_EQ(prog.WaitExit(), 0);

  SimProgram refusing({"--no-such-option"});
  ASSERT_TRUE(refusing.Started());
  EXPECT_EQ(refusing.FirstLine(), "");
  EXPECT_EQ(refusing.WaitExit(), 2);
}
