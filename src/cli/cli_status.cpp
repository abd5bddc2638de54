#include "cli/cli_status.h"

#include "cli/cli_options.h"
#include "config/cfg_machine.h"

int ExitStatusOf(const CfgOutcome& outcome, LineSigns signs) {
  if (outcome.end == CfgEnd::kDone) return kExitOk;
  if (signs.vanished) return kExitPort;
  const bool writeBack = outcome.op == kOpWriteAll || outcome.op == kOpWriteFromFile;
  if (writeBack && (outcome.failed > 0 || outcome.verified)) return kExitRefused;
  return signs.answered ? kExitRefused : kExitNoAnswer;
}

int ExitStatusOf(const LinkOutcome& outcome, LineSigns signs) {
  if (outcome.end == LinkEnd::kFound || outcome.end == LinkEnd::kEntered) return kExitOk;
  return signs.vanished ? kExitPort : kExitNoAnswer;
}

int ExitStatusOf(DownloadEnd end, bool interrupted, LineSigns signs) {
  if (end == DownloadEnd::kCompleted) return kExitOk;
  if (signs.vanished) return kExitPort;
  return interrupted ? kExitCancelled : kExitRefused;
}
