// apply --dry-run and diff against the simulated device.
#include "cli/cli_options.h"
#include "cli_fixture.h"

namespace {

class CliReviewTest : public CliDeviceTest {};

TEST_F(CliReviewTest, DryRunPrintsWhatApplySendsAndSendsNothingDiffComparesFiles) {
  ASSERT_EQ(Device("load", {"-o", Path("a.cfg")}).status, 0);
  std::string b = ReadFile(Path("a.cfg"));
  for (auto [from, to] : {std::pair<std::string, std::string>{"Apn:  CMNET\r", "Apn:  CMIOT\r"},
                          {"Channel07 save length:  4\r", "Channel07 save length:  9\r"}})
    b.replace(b.find(from), from.size(), to);
  WriteFile(Path("b.cfg"), b);
  WriteFile(Path("one.cfg"), "Channel07 save length:  5\r\n");
  WriteFile(Path("junk.cfg"), "no parameter here\r\n");
  const std::string rows = "Modem Apn: CMNET -> CMIOT\nChannel07 save length: 4 -> 9\n";

  sim.ClearReceived();
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;
  } cases[] = {
      {{"diff", Path("a.cfg"), Path("a.cfg")}, kExitOk, ""},
      {{"diff", Path("a.cfg"), Path("b.cfg")}, kExitDiffer, rows},
      {{"diff", Path("b.cfg"), Path("one.cfg")}, kExitDiffer, "Channel07 save length: 9 -> 5\n"},
      {{"diff", Path("a.cfg"), Path("missing.cfg")}, kExitFile, ""},
      {{"diff", Path("junk.cfg"), Path("a.cfg")}, kExitFile, ""},
      {{"diff", Path("a.cfg")}, kExitUsage, ""},
      {{"load", "--port", "p", "--dry-run"}, kExitUsage, ""},
      {{"apply", "--port", sim.PortName(), "--dry-run", Path("b.cfg")}, kExitOk,
       rows + "apply --dry-run: 2 to write; nothing sent\n"},
  };
  for (const auto& c : cases) {
    const CliRun r = Cli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args[1] << " " << c.args.back() << ": " << r.err;
    EXPECT_EQ(r.out, c.out) << c.args.back();
  }
  EXPECT_TRUE(Setters().empty());

  EXPECT_EQ(Device("apply", {Path("b.cfg")}).status, 0);
  EXPECT_EQ(Setters(), (std::vector<std::string>{"AT+APN=CMIOT", "AT+CHNSVLEN07=9"}));
}

}  // namespace
