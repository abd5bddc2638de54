// qx310-cli apply, load and flash on several simulated devices at once: each device gets
// its own values and exactly its own exchange, every line says whose it is, and --jobs 1
// and Ctrl-C behave.
#include <memory>
#include <regex>

#include "cli/cli_fleet.h"
#include "cli/cli_ports.h"
#include "cli_fixture.h"

namespace fs = std::filesystem;

namespace {

constexpr char kPowerUpMessage[] = "升级错误，请将设备重新上电！";

// The lines of text that start with prefix, without it.
std::vector<std::string> LinesOf(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) lines.push_back(line.substr(prefix.size()));
  return lines;
}

// The lines of text before the table's heading that start with none of the ports' prefixes.
std::vector<std::string> UnprefixedLines(const std::string& text, const std::vector<std::string>& ports) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("port ", 0) == 0) break;
    bool prefixed = false;
    for (const std::string& p : ports) prefixed = prefixed || line.rfind(FleetPrefix(p), 0) == 0;
    if (!prefixed) lines.push_back(line);
  }
  return lines;
}

// The table's rows, blanks squeezed and the seconds replaced by "s".
std::string TableRows(const std::string& out) {
  const size_t heading = out.rfind("seconds\n");
  if (heading == std::string::npos) return "(no table)";
  std::string rows = out.substr(heading + 8);
  rows = std::regex_replace(rows, std::regex(R"(\d+\.\d\n)"), "s\n");
  return std::regex_replace(rows, std::regex(" +"), " ");
}

class CliFleetTest : public CliDeviceTest {
 protected:
  // n more simulators; their ports after the fixture's own.
  void StartMore(int n) {
    for (int i = 0; i < n; ++i) {
      more.push_back(std::make_unique<RtuSimulator>());
      ASSERT_TRUE(more.back()->Start());
    }
  }
  void TearDown() override {
    for (auto& s : more) s->Stop();
    CliDeviceTest::TearDown();
  }
  RtuSimulator& Sim(size_t i) { return i == 0 ? sim : *more[i - 1]; }
  std::vector<std::string> Ports() {
    std::vector<std::string> ports{sim.PortName()};
    for (auto& s : more) ports.push_back(s->PortName());
    return ports;
  }
  static std::vector<std::string> SettersOf(const RtuSimulator& s) {
    std::vector<std::string> out;
    for (const std::string& c : s.ReceivedCommands()) if (c.find('=') != std::string::npos) out.push_back(c);
    return out;
  }
  // args, then "--port P" for each of ports.
  static std::vector<std::string> WithPorts(std::vector<std::string> args, const std::vector<std::string>& ports) {
    for (const std::string& p : ports) args.insert(args.end(), {"--port", p});
    return args;
  }
  std::vector<std::unique_ptr<RtuSimulator>> more;
};

TEST_F(CliFleetTest, ApplyToFourAtOnceSendsEachTheOneSetterAndTheFaultyOnesStatusWins) {
  StartMore(3);
  const std::vector<std::string> ports = Ports();
  // Each device holds its own value, so that values taken from another device would show.
  for (size_t i = 0; i < ports.size(); ++i) Sim(i).SetValue("Modem Apn:", "OLD" + std::to_string(i));
  Sim(2).SetErrorFor("AT+APN");  // refuses the setter: exit status 5 for this one
  WriteFile(Path("new.cfg"), "Modem Apn:  FIELDNET\r\n");

  const CliRun r = Cli(WithPorts({"apply", Path("new.cfg")}, ports));
  EXPECT_EQ(r.status, 5) << r.err;
  for (size_t i = 0; i < ports.size(); ++i) {
    const std::string prefix = FleetPrefix(ports[i]);
    if (i == 2) {
      // The refused value once more after the recovery, as on a single device.
      EXPECT_EQ(SettersOf(Sim(i)), (Commands{"AT+APN=FIELDNET", "AT+APN=FIELDNET"}));
      EXPECT_EQ(Sim(i).Value("Modem Apn:"), "OLD2");
      EXPECT_EQ(LinesOf(r.out, prefix), (Commands{"failed  AT+APN=FIELDNET", "apply: 0 written, 1 failed"}))
          << r.out;
      continue;
    }
    EXPECT_EQ(SettersOf(Sim(i)), Commands{"AT+APN=FIELDNET"}) << ports[i];
    EXPECT_EQ(Sim(i).Value("Modem Apn:"), "FIELDNET");
    // Whole lines, each after its own device's prefix.
    EXPECT_EQ(LinesOf(r.out, prefix), (Commands{"ok      AT+APN=FIELDNET", "apply: 1 written, 0 failed",
                                                "apply: verified, the device holds every written value"}))
        << r.out;
    EXPECT_FALSE(LinesOf(r.err, prefix + "Backed up the device's values to ").empty()) << r.err;
  }
  EXPECT_EQ(UnprefixedLines(r.out, ports), Commands{}) << r.out;
  EXPECT_EQ(UnprefixedLines(r.err, ports), Commands{}) << r.err;
  EXPECT_EQ(TableRows(r.out), ports[0] + " ok (0) 1 s\n" + ports[1] + " ok (0) 1 s\n" + ports[2] +
                                  " refused (5) 0 s\n" + ports[3] + " ok (0) 1 s\n")
      << r.out;
  // One backup per device, although all four have the same station address and back up
  // within the same second; each holds its own device's value.
  std::vector<std::string> backups;
  for (const fs::path& f : fs::directory_iterator(Path("backups"))) backups.push_back(ReadFile(f.string()));
  ASSERT_EQ(backups.size(), 4u);
  for (size_t i = 0; i < ports.size(); ++i) {
    const std::string line = "Modem Apn:  OLD" + std::to_string(i) + "\r\n";
    EXPECT_EQ(std::count_if(backups.begin(), backups.end(),
                            [&](const std::string& b) { return b.find(line) != std::string::npos; }),
              1)
        << line;
  }
}

TEST_F(CliFleetTest, LoadWithPortInTheFileNameWritesEachDeviceAsASingleLoadDoes) {
  StartMore(2);
  const std::vector<std::string> ports = Ports();
  for (size_t i = 0; i < ports.size(); ++i) {
    Sim(i).SetValue("Modem Apn:", "APN" + std::to_string(i));
    Sim(i).SetValue("Server2's Ip:", "10.0.0." + std::to_string(i + 1));
  }
  fs::create_directory(Path("fleet"));
  const CliRun r = Cli(WithPorts({"load", "-o", Path("fleet/{port}.cfg")}, ports));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(TableRows(r.out), ports[0] + " ok (0) - s\n" + ports[1] + " ok (0) - s\n" + ports[2] + " ok (0) - s\n");
  for (size_t i = 0; i < ports.size(); ++i) {
    // A process of its own, as a single load from a shell runs.
    const CliRun single = Cli({"load", "--port", ports[i], "-o", Path("single.cfg")}, {.process = true});
    ASSERT_EQ(single.status, 0) << single.err;
    const std::string file = OutputForPort(Path("fleet/{port}.cfg"), ports[i]);
    const std::string fleet = ReadFile(file);
    EXPECT_TRUE(fleet == ReadFile(Path("single.cfg"))) << file;
    EXPECT_NE(fleet.find("Modem Apn:  APN" + std::to_string(i) + "\r\n"), std::string::npos);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(Path("fleet")), {}), 3);
}

TEST_F(CliFleetTest, RecordsOfEachDeviceGoToItsOwnFileAsASingleReadWritesThem) {
  StartMore(1);
  const std::vector<std::string> ports = Ports();
  // Different records and batches on each device: a record of one in the other's file shows.
  for (size_t i = 0; i < ports.size(); ++i) {
    std::vector<RtuSimulator::Record> stored;
    for (int n = 0; n < 5 + static_cast<int>(i) * 3; ++n)
      stored.push_back({1, 2024, 1, 5 + n % 4, "L;" + std::to_string(i * 100 + n) + ";m;2024/1/" +
                                                    std::to_string(5 + n % 4) + ",08:00:00"});
    Sim(i).SetRecords(stored);
    Sim(i).SetRecordBatch(2 + static_cast<int>(i));
  }
  const Commands days{"--from", "2024/1/1", "--to", "2024/1/31"};
  Commands args{"records", "-o", Path("{port}.csv")};
  args.insert(args.end(), days.begin(), days.end());
  const CliRun r = Cli(WithPorts(args, ports));
  ASSERT_EQ(r.status, 0) << r.err;
  for (size_t i = 0; i < ports.size(); ++i) {
    Commands single{"records", "--port", ports[i], "-o", Path("single.csv")};
    single.insert(single.end(), days.begin(), days.end());
    ASSERT_EQ(Cli(single, {.process = true}).status, 0);
    const std::string fleet = ReadFile(OutputForPort(Path("{port}.csv"), ports[i]));
    EXPECT_TRUE(fleet == ReadFile(Path("single.csv"))) << fleet;
    EXPECT_EQ(LineCount(fleet), 1 + 5 + static_cast<int>(i) * 3) << fleet;
  }
}

TEST_F(CliFleetTest, CtrlCCancelsEveryDeviceAndStartsNoOther) {
  StartMore(2);
  const std::vector<std::string> ports = Ports();
  Sim(0).SetSilent(true);
  Sim(1).SetSilent(true);
  WriteFile(Path("new.cfg"), "Modem Apn:  FIELDNET\r\n");
  // Two at a time: the third waits for a free place and never gets one.
  bool sent = false;
  const CliRun r = Cli(WithPorts({"apply", "--jobs", "2", Path("new.cfg")}, ports),
                       {.watch = [&](int pid, const std::string&) {
                         if (!sent && Sim(0).CountReceived("---") >= 1 && Sim(1).CountReceived("---") >= 1) {
                           sent = true;
                           kill(pid, SIGINT);
                         }
                       }});
  ASSERT_TRUE(sent);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(TableRows(r.out), ports[0] + " cancelled (1) - s\n" + ports[1] + " cancelled (1) - s\n" +
                                  ports[2] + " cancelled (1) - s\n")
      << r.out;
  // Cut short: the entry's three probes were not all sent, and the third device was never touched.
  EXPECT_LT(Sim(0).CountReceived("---"), 3);
  EXPECT_LT(Sim(1).CountReceived("---"), 3);
  EXPECT_EQ(Sim(2).ReceivedBytes(), "");
  EXPECT_EQ(LinesOf(r.err, FleetPrefix(ports[0]) + "qx310-cli: apply cancelled (interrupted); nothing written").size(), 1u) << r.err;
  EXPECT_FALSE(fs::exists(Path("backups")));
}

TEST_F(CliFleetTest, SeveralPortsAndJobsAreCheckedBeforeAnyDeviceIsTouched) {
  for (const Commands& args :
       {Commands{"records", "--from", "2024/1/1", "--to", "2024/1/2", "-o", Path("r.csv"), "--port", "a", "--port", "b"},
        Commands{"load", "--port", "a", "--port", "b"},
        Commands{"version", "--port", "a", "--port", "b"},
        Commands{"load", "--jobs", "0", "-o", "{port}", "--port", "a", "--port", "b"},
        Commands{"load", "--jobs", "33", "-o", "{port}", "--port", "a"},
        Commands{"load", "--jobs", "x", "-o", "{port}", "--port", "a"},
        Commands{"version", "--jobs", "2", "--port", "a"}}) {
    const CliRun r = Cli(args);
    EXPECT_EQ(r.status, 2) << args[0] << " " << args[1] << ": " << r.err;
    EXPECT_NE(r.err.find("qx310-cli: "), std::string::npos);
  }
  EXPECT_NE(Cli({"load", "--jobs", "33", "--port", "a"}).err.find("bad --jobs '33' (1-32)"), std::string::npos);
}

class CliFleetFlashTest : public CliFleetTest {
 protected:
  CliFleetFlashTest() { scale = 0.2; }  // the boot loader's timing, as for a single flash
};

// The first device waits for its power-up until the test gives it: by default the second
// one's image goes through meanwhile; with --jobs 1 the second one is not even touched.
TEST_F(CliFleetFlashTest, AllAtOnceTheOthersGoOnWhileOneWaitsAndWithJobsOneTheyWait) {
  StartMore(1);
  const std::vector<std::string> ports = Ports();
  std::string image(10000, '\xff');
  WriteFile(Path("fw.bin"), image);
  for (const bool oneAtATime : {false, true}) {
    SCOPED_TRACE(oneAtATime ? "--jobs 1" : "all at once");
    for (size_t i = 0; i < 2; ++i) Sim(i).ClearReceived();
    const int before = Sim(1).ImagesCompleted();
    sim.SetPowerCycleNeeded(true);
    int secondDoneWhileFirstWaited = -1;  // -1: the first one never asked for the power-up
    std::vector<std::string> args = WithPorts({"flash", "--no-backup", Path("fw.bin")}, ports);
    if (oneAtATime) args.insert(args.end(), {"--jobs", "1"});
    const CliRun r = Cli(args, {.limitMs = 60000, .watch = [&](int, const std::string& err) {
                                  if (secondDoneWhileFirstWaited >= 0 ||
                                      err.find(FleetPrefix(ports[0]) + kPowerUpMessage) == std::string::npos)
                                    return;
                                  const bool done = Sim(1).ImagesCompleted() > before;
                                  // All at once: wait until the second one is done, then power up.
                                  if (!oneAtATime && !done) return;
                                  secondDoneWhileFirstWaited = done ? 1 : 0;
                                  if (oneAtATime) {
                                    EXPECT_EQ(Sim(1).ReceivedBytes(), "");
                                  }
                                  sim.PowerOff();
                                  sim.PowerOn();
                                }});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(secondDoneWhileFirstWaited, oneAtATime ? 0 : 1) << r.err;
    for (size_t i = 0; i < 2; ++i) EXPECT_TRUE(Sim(i).ReceivedImage() == image) << ports[i];
    EXPECT_EQ(UnprefixedLines(r.err, ports), Commands{}) << r.err;
    if (oneAtATime) {
      // One after the other: every line of the first device before any of the second's.
      const std::string& err = r.err;
      EXPECT_LT(err.rfind(FleetPrefix(ports[0])), err.find(FleetPrefix(ports[1]))) << err;
    }
  }
}

}  // namespace
