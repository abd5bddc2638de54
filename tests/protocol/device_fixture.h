#pragma once
// The protocol core against the device: the simulator on a pseudo-terminal, reached
// through a real CSerial, with a receive loop feeding the exchange. Time is scaled
// (the device's delays too); the device starts in its configuration state.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "base/timing.h"
#include "protocol/exchange.h"
#include "protocol/param_table.h"
#include "receive_loop.h"
#include "serial/serial.h"
#include "sim/rtu_sim.h"
#include "write_back_support.h"

class DeviceFixture : public ::testing::Test {
 protected:
  // A parameter's 1000 ms limit becomes 200 ms: long enough for a busy machine.
  static constexpr double kScale = 0.2;

  void SetUp() override {
    Timing::SetScale(kScale);
    ResetParamValues();
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(serial.Open(sim.PortName(), 115200, 8, serial::kOneStopBit, serial::kParityNone))
        << serial.LastOpenError();
    loop = std::make_unique<ReceiveLoop>(serial, exchange);
    std::string line;
    ASSERT_EQ(exchange.RunCommand(kCmdProbe, 0, line), 1);
    ASSERT_EQ(sim.GetState(), RtuSimulator::State::Config);
    sim.ClearReceived();
  }
  void TearDown() override {
    loop.reset();
    serial.Close();
    sim.Stop();
    Timing::SetScale(1.0);
  }

  // Reads the whole listing into the table, as a load does.
  void Load() {
    std::string line;
    ASSERT_EQ(exchange.RunCommand(kCmdShow, 0, line), 1);
    exchange.TakeReceivedText();
    sim.ClearReceived();
  }

  RtuSimulator sim;
  CSerial serial;
  CommandExchange exchange{serial};
  std::unique_ptr<ReceiveLoop> loop;  // declared last: stops first
};
