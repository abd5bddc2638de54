#pragma once
// A command's exit status from the typed outcome of what it ran (never from a text).
#include "app/link_view.h"
#include "config/cfg_outcome.h"
#include "download/download_view.h"

// What the command saw of the line while the operation ran.
struct LineSigns {
  bool vanished = false;  // the port went away
  bool answered = false;  // the device sent bytes in answer to command lines
};

// A configuration operation: kExitOk when done; else kExitPort when the port went away,
// kExitRefused for failed writes or a device that answered, kExitNoAnswer for silence.
int ExitStatusOf(const CfgOutcome& outcome, LineSigns signs);
// A detection or a tool entry: kExitOk when found or entered; else kExitPort when the
// port went away, kExitNoAnswer otherwise.
int ExitStatusOf(const LinkOutcome& outcome, LineSigns signs);
// A download: kExitOk when completed; else kExitPort when the port went away,
// kExitCancelled when Ctrl-C stopped it, kExitRefused otherwise.
int ExitStatusOf(DownloadEnd end, bool interrupted, LineSigns signs);
