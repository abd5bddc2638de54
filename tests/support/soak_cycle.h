#pragma once
// One load/write cycle of qx310-cli against the simulator, in-process: "load -o FILE",
// then the device's value of one parameter changes, then "apply FILE" writes the file's
// value back. For the soak test and the soak benchmark.
#include <sstream>
#include <string>

#include "cli/cli_commands.h"
#include "cli/cli_output.h"
#include "sim/rtu_sim.h"

struct SoakResult {
  int loadStatus = -1;
  int applyStatus = -1;
  bool written = false;  // the device holds the file's value again
};

inline SoakResult SoakCycle(RtuSimulator& sim, const std::string& file, int cycle) {
  static const char* kLabel = "Server2's port:";
  const std::string value = std::to_string(5000 + cycle % 100);
  sim.SetValue(kLabel, value);
  std::ostringstream sink;
  CliOutput output(sink, sink, true);
  SoakResult r;
  CliOptions load;
  load.command = CliCommand::kLoad;
  load.ports = {sim.PortName()};
  load.output = file;
  r.loadStatus = RunCliCommand(load, output);
  sim.SetValue(kLabel, "1");
  CliOptions apply = load;
  apply.command = CliCommand::kApply;
  apply.output.clear();
  apply.input = file;
  r.applyStatus = RunCliCommand(apply, output);
  r.written = sim.Value(kLabel) == value;
  return r;
}
