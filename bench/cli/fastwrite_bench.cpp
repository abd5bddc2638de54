// Applying a file that changes every writable instance against the simulator paced at
// 115200 baud, at the normal pace and with fast writing (both verify). Prints both times
// of the write and verification (from the start of the writing to the command's end)
// and the fast time ÷ the ideal: wire time of the setters and their replies + the
// verifying listing with its pause + one quiet time per setter.
//   bench_fastwrite [--fast-only]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "base/timing.h"
#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/cli_output.h"
#include "protocol/exchange.h"
#include "sim/rtu_sim.h"

namespace {
constexpr int kBaud = 115200;
using Clock = std::chrono::steady_clock;

double WireSeconds(double bytes) { return bytes * 10.0 / kBaud; }

// The simulator's listing with every value changed (the debug port's parity to another
// of its forms, every other value extended by one digit), as a .cfg text.
std::string EveryValueChanged(const std::string& listing) {
  std::istringstream in(listing);
  std::string line, out;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t sep = line.find(":  ");
    if (sep == std::string::npos) continue;
    const std::string label = line.substr(0, sep + 1);
    std::string value = line.substr(sep + 3);
    if (label == "Debug com parity:") {
      value = value == "8-EVN-1" ? "8-ODD-1" : "8-EVN-1";
    } else {
      value += "7";
    }
    out += label + "  " + value + "\r\n";
  }
  return out;
}

struct Run {
  double writeSeconds = 0;  // from "Writing the values" to the command's end
  int status = -1;
  int setters = 0;
  double setterBytes = 0;  // lines and their replies (echo + OK)
  bool verified = false;
  bool fellBack = false;
};

Run Apply(bool fast, const std::string& file) {
  RtuSimulator sim;
  if (!sim.Start()) return {};
  sim.SetBaudPacing(kBaud);
  int errPipe[2];
  if (pipe(errPipe) != 0) return {};
  std::FILE* err = fdopen(errPipe[1], "w");
  std::setvbuf(err, nullptr, _IOLBF, 0);
  const std::string outPath = file + (fast ? ".fast.out" : ".normal.out");
  std::FILE* out = std::fopen(outPath.c_str(), "w");
  Clock::time_point writing{};
  std::thread reader([&] {
    std::FILE* in = fdopen(errPipe[0], "r");
    char buf[4096];
    while (std::fgets(buf, sizeof buf, in)) {
      if (std::strstr(buf, "Writing the values") && writing == Clock::time_point{})
        writing = Clock::now();
    }
    std::fclose(in);
  });
  Run r;
  {
    CliOutput output(out, err, false);
    CliOptions o;
    o.command = CliCommand::kApply;
    o.ports = {sim.PortName()};
    o.input = file;
    o.fast = fast;
    r.status = RunCliCommand(o, output);
  }
  const Clock::time_point end = Clock::now();
  std::fclose(err);
  reader.join();
  std::fclose(out);
  sim.Stop();
  r.writeSeconds = std::chrono::duration<double>(end - writing).count();
  std::ifstream results(outPath);
  std::string line;
  while (std::getline(results, line)) {
    if (line.rfind("ok      ", 0) == 0) {
      const double sent = line.size() - 8 + 2;
      r.setterBytes += sent + sent + std::strlen("\r\nOK\r\n");
      ++r.setters;
    }
    if (line.find("verified, the device holds every written value") != std::string::npos)
      r.verified = true;
    if (line.find("fell back") != std::string::npos) r.fellBack = true;
  }
  std::remove(outPath.c_str());
  return r;
}

void Print(const char* name, const Run& r) {
  std::printf("%-7s exit %d, %d setters, %.1f s (writing and verification)%s%s\n", name, r.status,
              r.setters, r.writeSeconds, r.verified ? ", every value verified" : ", NOT verified",
              r.fellBack ? ", fell back" : "");
}
}  // namespace

int main(int argc, char** argv) {
  const bool fastOnly = argc > 1 && std::strcmp(argv[1], "--fast-only") == 0;
  Timing::SetScale(1.0);
  std::string listing;
  {
    RtuSimulator sim;
    listing = sim.Listing();
  }
  const std::string file = "/tmp/qx310-fastwrite-bench-" + std::to_string(getpid()) + ".cfg";
  std::ofstream(file, std::ios::binary) << EveryValueChanged(listing);

  const Run fast = Apply(true, file);
  Print("fast", fast);
  const double listingBytes = std::strlen("AT+SHOW\r\n") * 2 + listing.size() + 6;
  const double ideal = WireSeconds(fast.setterBytes + listingBytes) + kReplyPauseMs / 1000.0 +
                       fast.setters * kQuietPauseMs / 1000.0;
  std::printf("ideal   %.2f s = wire %.2f s (setters and replies) + %.2f s (listing) + %.1f s "
              "pause + %d x %d ms quiet\n",
              ideal, WireSeconds(fast.setterBytes), WireSeconds(listingBytes),
              kReplyPauseMs / 1000.0, fast.setters, kQuietPauseMs);
  std::printf("fast / ideal = %.3f (target < 1.2)\n", fast.writeSeconds / ideal);
  if (!fastOnly) {
    const Run normal = Apply(false, file);
    Print("normal", normal);
    std::printf("fast / normal = %.3f (target <= 0.1)\n", fast.writeSeconds / normal.writeSeconds);
  }
  std::remove(file.c_str());
  return 0;
}
