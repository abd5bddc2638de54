#pragma once
// How an operation of the configuration machine ended. The machine reports one outcome
// at the end of every operation (ICfgView::OnOutcome); front ends decide what to show
// from it and never from the log's texts.
#include <string>

enum class CfgEnd {
  kDone,         // the device confirmed the operation
  kFailed,       // not confirmed, also after the recovery (silence or a refusal)
  kPowerCycle,   // given up: the machine waits for the device to be switched off and on
  kNothingSent,  // nothing to do (an empty request, an operation without a handler)
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
};

// The "提示" text an outcome brings (code page 936), or "" when it brings none.
std::string TipOf(const CfgOutcome& outcome);
