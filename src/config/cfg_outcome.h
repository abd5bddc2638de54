#pragma once
// How an operation of the configuration machine ended. The machine reports one outcome
// at the end of every operation (ICfgView::OnOutcome); front ends decide what to show
// from it and never from the log's texts.
#include <string>
#include <vector>

enum class CfgEnd {
  kDone,         // the device confirmed the operation
  kFailed,       // not confirmed, also after the recovery (silence or a refusal)
  kPowerCycle,   // given up: the machine waits for the device to be switched off and on
  kNothingSent,  // nothing to do (an empty request, an operation without a handler)
};

// A written instance that the listing read back after the writes shows otherwise, or
// does not show at all (listed false: the table keeps the value sent, held is empty).
struct WriteDifference {
  std::string label;  // listing label, e.g. "Modem Apn:"
  std::string sent;   // value texts as the command lines carry them (device bytes)
  std::string held;
  bool listed = true;
};

struct CfgOutcome {
  int op = 0;  // the CfgOperation that ended
  CfgEnd end = CfgEnd::kFailed;
  // Load: it was the load a tool entry requested (its success is announced).
  bool afterEntry = false;
  // Queries (AT+VER, AT+RESET, AT+CSQ, AT+GSN): the device's reply to the query.
  std::string reply{};
  // Modem queries: the device confirmed its return to the configuration state.
  bool backInConfig = false;
  // Write-back: instances written, and instances whose write failed for good.
  int written = 0;
  int failed = 0;
  // Write-back with verification: the listing was read back after the writes, and the
  // written instances it shows otherwise (each makes the operation fail).
  bool verified = false;
  std::vector<WriteDifference> differences{};
  // Fast writing fell back to the full pause after a setter.
  bool fellBack = false;
  // Ended early by the halt flag (CfgMachine::SetHaltFlag): what was still to be sent was not.
  bool halted = false;
};

// The "提示" text an outcome brings (code page 936), or "" when it brings none.
std::string TipOf(const CfgOutcome& outcome);
