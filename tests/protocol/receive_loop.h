#pragma once
// The receive side of a protocol test: every block goes to the exchange, as the
// workspace's receive entry hands it on in the program.
#include "protocol/exchange.h"
#include "support/port_reader.h"

class ReceiveLoop : public PortReader {
 public:
  ReceiveLoop(ISerialPort& port, CommandExchange& exchange)
      : PortReader(port, [&exchange](const char* d, int n) { exchange.MatchReply(d, n); }) {}
};
