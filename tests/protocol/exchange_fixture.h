#pragma once
// An exchange on a scripted port with a running receive loop, time scaled down.
#include <gtest/gtest.h>

#include <memory>

#include "base/timing.h"
#include "fake_port.h"
#include "protocol/exchange.h"
#include "protocol/param_table.h"
#include "receive_loop.h"
#include "write_back_support.h"

class ExchangeFixture : public ::testing::Test {
 protected:
  // A parameter's 1000 ms limit becomes 50 ms, ample for a thread hand-over.
  static constexpr double kScale = 0.05;

  void SetUp() override {
    Timing::SetScale(kScale);
    ResetParamValues();
    port.SetResponder([this](const std::string& written) { return device.Reply(written); });
    loop = std::make_unique<ReceiveLoop>(port, exchange);
  }
  void TearDown() override {
    loop.reset();
    Timing::SetScale(1.0);
  }

  // Makes the exchange await id's reply with nothing pending: one silent exchange.
  void AwaitReplyOf(int id) {
    device.SetSilent(true);
    std::string line;
    ASSERT_EQ(exchange.RunCommand(id, 0, line), 0);
    device.SetSilent(false);
    ASSERT_EQ(exchange.CurrentCommandId(), id);
    ASSERT_FALSE(exchange.ReplyEvent().IsSet());
  }

  FakePort port;
  CommandExchange exchange{port};
  ScriptedDevice device;
  std::unique_ptr<ReceiveLoop> loop;  // declared last: stops before the rest goes
};
