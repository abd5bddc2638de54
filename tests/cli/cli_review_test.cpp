// apply --dry-run and diff against the simulated device: the rows a dry run prints are
// the setters apply then sends, a dry run sends none, and diff's rows and statuses.
#include "cli/cli_options.h"
#include "cli_fixture.h"

namespace {

class CliReviewTest : public CliDeviceTest {
 protected:
  // The device's listing as a.cfg, and b.cfg with its APN and channel 7's save length changed.
  void LoadAndChange() {
    ASSERT_EQ(Device("load", {"-o", Path("a.cfg")}).status, 0);
    std::string b = ReadFile(Path("a.cfg"));
    for (auto [from, to] : {std::pair<std::string, std::string>{"Modem Apn:  CMNET\r\n", "Modem Apn:  CMIOT\r\n"},
                            {"Channel07 save length:  4\r\n", "Channel07 save length:  9\r\n"}}) {
      const size_t at = b.find(from);
      ASSERT_NE(at, std::string::npos) << from;
      b.replace(at, from.size(), to);
    }
    WriteFile(Path("b.cfg"), b);
  }
};

TEST_F(CliReviewTest, DryRunPrintsTheRowsApplySendsAndSendsNoSetter) {
  LoadAndChange();
  const std::string rows = "Modem Apn: CMNET -> CMIOT\nChannel07 save length: 4 -> 9\n";
  sim.ClearReceived();
  const CliRun dry = Device("apply", {"--dry-run", Path("b.cfg")});
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_EQ(dry.out, rows + "apply --dry-run: 2 to write; nothing sent\n");
  EXPECT_TRUE(Setters().empty()) << Setters().front();

  const CliRun applied = Device("apply", {Path("b.cfg")});
  EXPECT_EQ(applied.status, 0) << applied.err;
  EXPECT_EQ(Setters(), (std::vector<std::string>{"AT+APN=CMIOT", "AT+CHNSVLEN07=9"}));

  // Once applied, a dry run finds nothing to write.
  const CliRun again = Device("apply", {"--dry-run", Path("b.cfg")});
  EXPECT_EQ(again.status, 0);
  EXPECT_NE(again.out.find("nothing to write"), std::string::npos) << again.out;
}

TEST_F(CliReviewTest, DiffPrintsTheDifferingRowsByLabelWithItsStatus) {
  LoadAndChange();
  WriteFile(Path("one.cfg"), "Channel07 save length:  5\r\n");
  WriteFile(Path("junk.cfg"), "no parameter here\r\n");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;
  } cases[] = {
      {{Path("a.cfg"), Path("a.cfg")}, kExitOk, ""},
      {{Path("a.cfg"), Path("b.cfg")}, kExitDiffer,
       "Modem Apn: CMNET -> CMIOT\nChannel07 save length: 4 -> 9\n"},
      {{Path("b.cfg"), Path("one.cfg")}, kExitDiffer, "Channel07 save length: 9 -> 5\n"},
      {{Path("a.cfg"), Path("missing.cfg")}, kExitFile, ""},
      {{Path("junk.cfg"), Path("a.cfg")}, kExitFile, ""},
      {{Path("a.cfg")}, kExitUsage, ""},
  };
  sim.ClearReceived();
  for (const Case& c : cases) {
    std::vector<std::string> args = {"diff"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliRun r = Cli(args);
    EXPECT_EQ(r.status, c.status) << args.back() << ": " << r.err;
    EXPECT_EQ(r.out, c.out) << args.back();
  }
  EXPECT_TRUE(sim.ReceivedCommands().empty());  // no device involved
  EXPECT_NE(ParseCliArgs({"load", "--port", "p", "--dry-run"}).error, "");
}

}  // namespace
