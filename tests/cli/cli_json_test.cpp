// qx310-cli --json, as a separate process against the simulated device: standard output
// parses as exactly one JSON object holding each command's fields, the messages stay on
// standard error and the exit status is the one without --json.
#include <nlohmann/json.hpp>

#include "cli_fixture.h"

namespace {

using nlohmann::json;

class CliJsonTest : public CliDeviceTest {
 protected:
  // The boot loader's poll reaches the restarted device in time even on a busy machine.
  CliJsonTest() { scale = 0.2; }

  // Runs a command with --json as a process; its standard output parsed as one object
  // (a second object, or anything else after it, fails the parse).
  json Run(std::vector<std::string> args, int wantStatus, CliRun* run = nullptr) {
    args.push_back("--json");
    const CliRun r = Cli(args, {.process = true});
    EXPECT_EQ(r.status, wantStatus) << r.err;
    if (run != nullptr) *run = r;
    EXPECT_EQ(CountOf(r.out, "\n"), 1) << r.out;  // one line
    json j;
    try {
      j = json::parse(r.out);
    } catch (const json::exception& e) {
      ADD_FAILURE() << e.what() << ": " << r.out;
      return json::object();
    }
    EXPECT_TRUE(j.is_object()) << r.out;
    EXPECT_EQ(j.value("status", -1), wantStatus) << r.out;
    EXPECT_TRUE(j["errors"].is_array()) << r.out;
    return j;
  }
  json RunDevice(const std::string& command, std::vector<std::string> more, int wantStatus,
                 CliRun* run = nullptr) {
    std::vector<std::string> args = {command, "--port", sim.PortName()};
    args.insert(args.end(), more.begin(), more.end());
    json j = Run(args, wantStatus, run);
    EXPECT_EQ(j.value("port", std::string()), sim.PortName()) << j.dump();
    return j;
  }
  // The row of rows whose label is label (null when none).
  static json Row(const json& rows, const std::string& label) {
    for (const json& r : rows)
      if (r.value("label", std::string()) == label) return r;
    return nullptr;
  }
};

TEST_F(CliJsonTest, PortsDetectLoadAndTheQueriesHoldTheirFields) {
  const json ports = Run({"ports", "--port", sim.PortName()}, 0);
  const json* mine = nullptr;
  for (const json& p : ports["ports"])
    if (p.value("name", std::string()) == sim.PortName()) mine = &p;
  ASSERT_NE(mine, nullptr) << ports.dump();
  for (const char* field : {"name", "description", "vid", "pid", "serial"})
    EXPECT_TRUE((*mine)[field].is_string()) << field << ": " << ports.dump();

  EXPECT_EQ(Run({"detect", "--port", sim.PortName()}, 0)["port"], sim.PortName());

  sim.SetValue("Modem user name:", GBK("水文站一号"));
  CliRun run;
  const json load = RunDevice("load", {}, 0, &run);
  EXPECT_NE(run.err.find("Loading the parameters"), std::string::npos) << run.err;  // messages stay
  const json user = Row(load["parameters"], "Modem user name");
  ASSERT_FALSE(user.is_null()) << load.dump().substr(0, 400);
  EXPECT_EQ(user["command"], "AT+USERNAME");
  EXPECT_EQ(user["instance"], 1);
  EXPECT_EQ(user["value"], "水文站一号");  // UTF-8
  const json channel = Row(load["parameters"], "Channel07 save length");
  ASSERT_FALSE(channel.is_null());
  EXPECT_EQ(channel["command"], "AT+CHNSVLEN");
  EXPECT_EQ(channel["instance"], 7);
  EXPECT_EQ(channel["value"], "4");
  // To a file: the same fields, and the file.
  const json toFile = RunDevice("load", {"-o", Path("f.cfg")}, 0);
  EXPECT_EQ(toFile["file"], Path("f.cfg"));
  EXPECT_EQ(toFile["parameters"].size(), load["parameters"].size());
  EXPECT_TRUE(std::filesystem::exists(Path("f.cfg")));

  EXPECT_EQ(RunDevice("version", {}, 0)["version"], "QX310-RTU V3.01 Build 2024-03-18");
  EXPECT_EQ(RunDevice("signal", {}, 0)["signal"], "+CSQ: 24,99");
  EXPECT_EQ(RunDevice("imei", {}, 0)["imei"], "866104023456789");
  EXPECT_EQ(RunDevice("set-clock", {"--time", "2024/01/05,08:03:07"}, 0)["clock"], "2024/01/05,08:03:07,5");
  EXPECT_TRUE(RunDevice("restart", {}, 0).contains("answer"));
}

TEST_F(CliJsonTest, DiffDryRunAndApplyGiveTheirRowsAndApplyTheOutcomeOfEach) {
  const std::string file = LoadWithSaveLengths("c.cfg", 3);
  const json diff = Run({"diff", Path("c.cfg.orig"), file}, 6);  // an unreadable file: exit 6, still one object
  EXPECT_FALSE(diff["errors"].empty());
  ASSERT_EQ(Device("load", {"-o", Path("a.cfg")}, {.process = true}).status, 0);
  const json rows = Run({"diff", Path("a.cfg"), file}, 1)["rows"];
  ASSERT_EQ(rows.size(), 3u) << rows.dump();
  EXPECT_EQ(rows[0], (json{{"label", "Channel01 save length"}, {"command", "AT+CHNSVLEN"},
                           {"instance", 1}, {"from", "4"}, {"to", "8"}}));

  sim.ClearReceived();
  const json dry = RunDevice("apply", {"--dry-run", file}, 0);
  EXPECT_EQ(dry["rows"], rows);
  EXPECT_TRUE(Setters().empty());

  // Channel 2's write fails; channel 3 is answered OK, but the device keeps its old value.
  sim.SetErrorFor("AT+CHNSVLEN02");
  sim.SetKeepOldValue("AT+CHNSVLEN03");
  const json apply = RunDevice("apply", {file}, 5);
  ASSERT_EQ(apply["rows"].size(), 3u) << apply.dump();
  EXPECT_EQ(apply["rows"][0]["result"], "ok");
  EXPECT_EQ(apply["rows"][0]["to"], "8");
  EXPECT_EQ(apply["rows"][1]["result"], "failed");
  EXPECT_EQ(apply["rows"][2]["result"], "ok");
  EXPECT_EQ(apply["written"], 2);
  EXPECT_EQ(apply["failed"], 1);
  EXPECT_EQ(apply["verified"], true);
  ASSERT_EQ(apply["differs"].size(), 1u) << apply.dump();
  EXPECT_EQ(apply["differs"][0]["label"], "Channel03 save length");
  EXPECT_EQ(apply["differs"][0]["sent"], "8");
  EXPECT_EQ(apply["differs"][0]["held"], "4");

  // Without faults the rest goes through; nothing differs.
  sim.ClearErrors();
  sim.SetKeepOldValue("AT+CHNSVLEN03", 0);
  const json again = RunDevice("apply", {file, "-q"}, 0);
  EXPECT_EQ(again["written"], 2) << again.dump();
  EXPECT_EQ(again["failed"], 0);
  EXPECT_TRUE(again["differs"].empty());
}

TEST_F(CliJsonTest, StorageCameraFlashAndFactoryResetSayWhatTheyDid) {
  sim.SetRecords({{1, 2024, 1, 5, GBK("水位;12.50;m;2024/1/5,08:00:00")}});
  const json records =
      RunDevice("records", {"--channel", "1", "--from", "2024/1/1", "--to", "2024/1/31", "-o", Path("r.csv")}, 0);
  EXPECT_EQ(records["records"], 1);
  EXPECT_EQ(records["file"], Path("r.csv"));
  const json picture = RunDevice("snapshot", {"-o", Path("p.jpg")}, 0);
  EXPECT_EQ(picture["bytes"], ReadFile(Path("p.jpg")).size());
  EXPECT_GT(picture.value("bytes", 0), 0);
  EXPECT_FALSE(RunDevice("clear-records", {"--yes"}, 0).value("tip", std::string()).empty());
  EXPECT_FALSE(RunDevice("clear-backlog", {"--yes"}, 0).value("tip", std::string()).empty());
  EXPECT_FALSE(RunDevice("set-initial", {"--channel", "2", "12.5"}, 0).value("tip", std::string()).empty());
  EXPECT_EQ(RunDevice("factory-reset", {"--yes", "--no-backup"}, 0)["restored"], true);
  // Not confirmed: exit 1, one object with the error.
  EXPECT_FALSE(RunDevice("clear-backlog", {}, 1)["errors"].empty());

  WriteFile(Path("fw.bin"), std::string(10000, '\x5a'));
  const json flash = RunDevice("flash", {Path("fw.bin")}, 0);
  EXPECT_EQ(flash["bytes"], 10000);
  EXPECT_EQ(flash["blocks"], 3);
  EXPECT_EQ(flash["completed"], true);
}

TEST_F(CliJsonTest, ErrorsHelpVersionAndSeveralPortsAreOneObjectToo) {
  CliRun run;
  const json usage = Run({"apply"}, 2, &run);
  ASSERT_EQ(usage["errors"].size(), 1u);
  EXPECT_NE(run.err.find(usage["errors"][0].get<std::string>()), std::string::npos) << run.err;
  EXPECT_EQ(Run({"load", "--port", sim.PortName(), "-o", "-"}, 2)["errors"].size(), 1u);
  EXPECT_NE(Run({"help", "apply"}, 0).value("help", std::string()).find("--dry-run"), std::string::npos);
  EXPECT_EQ(Run({"--version"}, 0).value("version", std::string()).rfind("qx310-cli ", 0), 0u);

  // A port that is no device: exit 3, the reason among the errors.
  const json gone = Run({"version", "--port", Path("no-such-port")}, 3);
  EXPECT_NE(gone["errors"].dump().find("cannot open"), std::string::npos) << gone.dump();

  // Several ports: one run per port, in the order given, and the worst status; the table
  // goes to standard error.
  const json runs = Run({"load", "--port", sim.PortName(), "--port", Path("none"), "-o", Path("{port}.cfg")}, 3, &run);
  ASSERT_EQ(runs["runs"].size(), 2u) << runs.dump();
  EXPECT_EQ(runs["runs"][0]["port"], sim.PortName());
  EXPECT_EQ(runs["runs"][0]["status"], 0);
  EXPECT_FALSE(runs["runs"][0]["parameters"].empty());
  EXPECT_EQ(runs["runs"][1]["status"], 3);
  EXPECT_NE(run.err.find("port "), std::string::npos) << run.err;
}

}  // namespace
