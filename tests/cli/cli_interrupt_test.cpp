// Ctrl-C (SIGINT) and SIGTERM during qx310-cli apply, load and records, as a separate process
// against the simulated device: the command ends after the command in flight, says what was
// done, writes no file and exits 1.
#include <set>

#include "cli_fixture.h"

namespace {

class CliInterruptTest : public CliDeviceTest {
 protected:
  // A watch that sends sig once when ready() holds.
  std::function<void(int, const std::string&)> SignalWhen(int sig, std::function<bool(const std::string&)> ready,
                                                           bool& sent) {
    return [sig, ready = std::move(ready), &sent](int pid, const std::string& err) {
      if (!sent && ready(err)) {
        sent = true;
        kill(pid, sig);
      }
    };
  }
};

TEST_F(CliInterruptTest, SigintDuringApplyEndsAfterTheSetterInFlightAndASecondApplySendsOnlyTheRest) {
  const std::string file = LoadWithSaveLengths("site.cfg", 20);
  sim.ClearReceived();
  bool sent = false;
  const CliRun r = Device("apply", {file}, {.watch = SignalWhen(SIGINT, [this](const std::string&) {
                                               return Setters().size() >= 3;
                                             }, sent)});
  ASSERT_TRUE(sent) << r.err;
  EXPECT_EQ(r.status, 1) << r.err;
  const std::vector<std::string> first = Setters();
  const int n = static_cast<int>(first.size());
  ASSERT_GE(n, 3);
  ASSERT_LT(n, 20) << "every value went out before the interruption took effect";
  // Every setter that went out is whole, was answered and is reported; the rest is counted.
  for (const std::string& s : first) EXPECT_EQ(s.size(), std::strlen("AT+CHNSVLEN01=8")) << s;
  EXPECT_EQ(CountOf(r.out, "ok      AT+CHNSVLEN"), n) << r.out;
  EXPECT_NE(r.out.find("apply: " + std::to_string(n) + " written, 0 failed, " + std::to_string(20 - n) +
                       " cancelled\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.err.find("apply interrupted after " + std::to_string(n) + " write(s)"), std::string::npos) << r.err;
  // No verification after the interruption: the listing was read once, before the writes.
  EXPECT_EQ(sim.CountReceived("AT+SHOW"), 1);
  EXPECT_EQ(r.out.find("verif"), std::string::npos) << r.out;
  for (int c = 1; c <= 20; ++c) {
    char label[40];
    std::snprintf(label, sizeof label, "Channel%02d save length:", c);
    EXPECT_EQ(sim.Value(label), c <= n ? "8" : "4") << label;
  }

  // The same file again: only what the interruption left out goes to the device.
  sim.ClearReceived();
  const CliRun rest = Device("apply", {file, "-q"}, {.process = true});
  EXPECT_EQ(rest.status, 0) << rest.err;
  const std::vector<std::string> second = Setters();
  EXPECT_EQ(static_cast<int>(second.size()), 20 - n);
  std::set<std::string> all(first.begin(), first.end());
  for (const std::string& s : second) EXPECT_TRUE(all.insert(s).second) << s << " was sent twice";
  EXPECT_EQ(all.size(), 20u);
}

TEST_F(CliInterruptTest, SigtermDuringLoadWritesNoFileAndSigintDuringARecordReadNeither) {
  // A paced listing takes about 1.5 s (scaled): the signal comes while it arrives.
  const std::string listing = sim.Listing();
  sim.SetBaudPacing(static_cast<int>(listing.size() * 10 * scale / 1.5));
  bool sent = false;
  const CliRun load = Device("load", {"-o", Path("site.cfg")}, {.watch = SignalWhen(SIGTERM, [](const std::string& err) {
                                                                    return err.find("Loading the parameters") != std::string::npos;
                                                                  }, sent)});
  ASSERT_TRUE(sent) << load.err;
  EXPECT_EQ(load.status, 1) << load.err;
  EXPECT_NE(load.err.find("load cancelled (interrupted); no file written"), std::string::npos) << load.err;
  EXPECT_FALSE(std::filesystem::exists(Path("site.cfg")));
  EXPECT_EQ(sim.ReceivedCommands(), (Commands{"---", "AT+SHOW"}));  // no retry after it
  sim.SetBaudPacing(0);

  // A record read of 25 batches of 40, each acknowledged after the pause: interrupted
  // after the first one, it fetches no more than the batch under way.
  std::vector<RtuSimulator::Record> many;
  for (int i = 0; i < 1000; ++i)
    many.push_back({1, 2024, 1, 1 + i % 28, GBK("水位;12.50;m;2024/1/1,08:00:00")});
  sim.SetRecords(many);
  sim.ClearReceived();
  sent = false;
  const CliRun records = Device("records", {"--channel", "1", "--from", "2024/1/1", "--to", "2024/1/31", "-o", Path("r.csv")},
                                {.watch = SignalWhen(SIGINT, [](const std::string& err) {
                                   return err.find("40 records") != std::string::npos;
                                 }, sent)});
  ASSERT_TRUE(sent) << records.err;
  EXPECT_EQ(records.status, 1) << records.err;
  EXPECT_NE(records.err.find("cancelled (interrupted) after"), std::string::npos) << records.err;
  EXPECT_FALSE(std::filesystem::exists(Path("r.csv")));
  EXPECT_LT(sim.CountReceived("AT+RDCHNNLRCRD="), 25);  // not every batch was fetched
}

TEST_F(CliInterruptTest, ADeviceAnsweringCmdErrorToTheProbeIsNotCalledSilent) {
  sim.SetErrorFor("---");
  const CliRun r = Device("version", {}, {.limitMs = 60000});
  EXPECT_EQ(r.status, 4) << r.err;
  EXPECT_NE(r.err.find("answers \"CMD ERROR\" to \"---\": it is already in its configuration state or "
                       "another device"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("does not answer"), std::string::npos) << r.err;
  EXPECT_EQ(sim.CountReceived("AT+VER"), 0);
}

}  // namespace
