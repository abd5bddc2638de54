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
#include <streambuf>
#include <string>
#include <vector>

#include "base/timing.h"
#include "cli/cli_main.h"
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

// Standard error of the command: notes when the writing starts.
class WritingClock : public std::streambuf {
 public:
  Clock::time_point writing{};

 protected:
  int overflow(int c) override {
    if (c == '\n') {
      if (line_.find("Writing the values") != std::string::npos && writing == Clock::time_point{})
        writing = Clock::now();
      line_.clear();
    } else if (c != EOF) {
      line_ += static_cast<char>(c);
    }
    return c == EOF ? 0 : c;
  }

 private:
  std::string line_;
};

Run Apply(bool fast, const std::string& file) {
  RtuSimulator sim;
  if (!sim.Start()) return {};
  sim.SetBaudPacing(kBaud);
  WritingClock clock;
  std::ostream err(&clock);
  std::ostringstream out;
  std::vector<std::string> args = {"apply", "--no-backup", "--port", sim.PortName(), file};
  if (fast) args.push_back("--fast");
  Run r;
  r.status = CliMain(args, out, err);
  const Clock::time_point end = Clock::now();
  sim.Stop();
  r.writeSeconds = std::chrono::duration<double>(end - clock.writing).count();
  std::istringstream results(out.str());
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
