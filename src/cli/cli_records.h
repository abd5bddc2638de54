#pragma once
// qx310-cli records and snapshot: the storage page's record read and the camera page's
// snapshot on the configuration machine, written to a file only when they succeed.
#include <functional>
#include <string>

class CliDevice;
class CliOutput;
struct CliOptions;

// Prints "what: <why>" for a failed command and returns the exit status (silence,
// refusal or a vanished port, from what the line showed).
using CliFailure = std::function<int(const std::string& what)>;

// Reads o.channel's records from o.from to o.to into o.output. inPlace: the count is
// updated in place (a terminal), else one line per batch.
int ReadRecordsToFile(CliDevice& device, const CliOptions& o, CliOutput& out, bool inPlace,
                      const CliFailure& failed);
// Camera o.camera's picture into o.output.
int SnapshotToFile(CliDevice& device, const CliOptions& o, CliOutput& out,
                   const CliFailure& failed);
