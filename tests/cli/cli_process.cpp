#include "cli_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <sstream>

#include "base/timing.h"
#include "cli/cli_main.h"

extern char** environ;

namespace {

// Everything the child needs is prepared before fork: after it only dup2, close,
// setuid and execve run (the test process has threads).
struct ExecImage {
  std::vector<std::string> argStore, envStore;
  std::vector<char*> argv, envp;
};

ExecImage Prepare(const std::vector<std::string>& args, const CliRunOptions& options) {
  ExecImage img;
  img.argStore.push_back(QX310_CLI_PATH);
  for (const std::string& a : args) img.argStore.push_back(a);
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "QX310_TIME_SCALE=", 17) == 0) continue;
    img.envStore.push_back(*e);
  }
  if (!options.timeScaleText.empty()) {
    img.envStore.push_back("QX310_TIME_SCALE=" + options.timeScaleText);
  } else if (options.timeScale > 0) {
    img.envStore.push_back("QX310_TIME_SCALE=" + std::to_string(options.timeScale));
  }
  for (std::string& a : img.argStore) img.argv.push_back(a.data());
  img.argv.push_back(nullptr);
  for (std::string& e : img.envStore) img.envp.push_back(e.data());
  img.envp.push_back(nullptr);
  return img;
}

}  // namespace

CliRun RunCli(const std::vector<std::string>& args, const CliRunOptions& options) {
  CliRun run;
  ExecImage img = Prepare(args, options);
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0) return run;
  if (pipe2(err, O_CLOEXEC) != 0) {
    close(out[0]);
    close(out[1]);
    return run;
  }
  const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
  const long long start = Timing::NowMs();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(devNull, 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    if (options.uid >= 0 && (setgid(options.uid) != 0 || setuid(options.uid) != 0)) _exit(126);
    execve(img.argv[0], img.argv.data(), img.envp.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  if (devNull >= 0) close(devNull);
  if (pid < 0) {
    close(out[0]);
    close(err[0]);
    return run;
  }

  bool outOpen = true, errOpen = true;
  const long long deadline = start + options.limitMs;
  while ((outOpen || errOpen) && Timing::NowMs() < deadline) {
    pollfd p[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    if (!outOpen) p[0].fd = -1;
    if (!errOpen) p[1].fd = -1;
    if (options.watch) options.watch(static_cast<int>(pid), run.err);
    if (poll(p, 2, 100) <= 0) continue;
    char buf[4096];
    for (int i = 0; i < 2; ++i) {
      if (p[i].revents == 0) continue;
      const ssize_t n = read(p[i].fd, buf, sizeof buf);
      if (n > 0) {
        (i == 0 ? run.out : run.err).append(buf, static_cast<size_t>(n));
      } else {
        (i == 0 ? outOpen : errOpen) = false;
      }
    }
  }
  close(out[0]);
  close(err[0]);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) != pid) {
    if (Timing::NowMs() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      run.elapsedMs = Timing::NowMs() - start;
      return run;
    }
    usleep(2000);
  }
  run.elapsedMs = Timing::NowMs() - start;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

CliRun RunCliInProcess(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  CliRun run;
  const long long start = Timing::NowMs();
  run.status = CliMain(args, out, err);
  run.elapsedMs = Timing::NowMs() - start;
  run.out = out.str();
  run.err = err.str();
  return run;
}

std::vector<std::string> SplitLines(const std::string& text, const std::string& eol) {
  std::vector<std::string> out;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find(eol, start), text.size());
    out.push_back(text.substr(start, end - start));
    start = end + eol.size();
  }
  return out;
}

int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}
