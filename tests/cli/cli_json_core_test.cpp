// --json in this process: where CliOutput sends results, messages and the document, and
// the JSON rows of the table and of a plan (device texts converted to UTF-8).
#include <gtest/gtest.h>

#include <sstream>

#include "base/cp936.h"
#include "cli/cli_json.h"
#include "cli/cli_main.h"
#include "cli/cli_output.h"
#include "protocol/param_table.h"

namespace {

TEST(CliJsonOutput, ResultsGoToStandardErrorAndOnlyTheDocumentToStandardOutput) {
  for (const bool quiet : {false, true}) {
    std::ostringstream out, err;
    CliOutput output(out, err, quiet);
    output.SetJson(true);
    output.Result("ok      AT+APN=x");
    output.ResultBytes("port  result\n");
    output.Progress("Loading ...");
    output.Error("the device refused it");
    output.Document(JsonLine({{"status", 5}}));
    EXPECT_EQ(out.str(), "{\"status\":5}\n") << quiet;
    const std::string expected = quiet ? "qx310-cli: the device refused it\n"
                                       : "ok      AT+APN=x\nport  result\nLoading ...\nqx310-cli: the device refused it\n";
    EXPECT_EQ(err.str(), expected) << quiet;
    EXPECT_EQ(output.Errors(), std::vector<std::string>{"the device refused it"});
  }
  // Without --json nothing changes.
  std::ostringstream out, err;
  CliOutput plain(out, err, false);
  plain.Result("a");
  plain.ResultBytes("b\n");
  EXPECT_EQ(out.str(), "a\nb\n");
  EXPECT_EQ(err.str(), "");
}

TEST(CliJsonRows, DeviceTextsBecomeUtf8AndBadBytesNeverThrow) {
  const WritePlanRow row{.id = 31, .index = 6, .label = "Channel07 save length", .deviceValue = "4", .newValue = "8"};
  EXPECT_EQ(PlanRowJson(row), (CliJson{{"label", "Channel07 save length"}, {"command", "AT+CHNSVLEN"},
                                       {"instance", 7}, {"from", "4"}, {"to", "8"}}));
  const WritePlanRow chinese{.id = 24, .index = 0, .deviceValue = GBK("水位"), .newValue = GBK("米")};
  const CliJson j = PlanRowJson(chinese);
  EXPECT_EQ(j["label"], "Modem user name");
  EXPECT_EQ(j["from"], "水位");
  EXPECT_EQ(j["to"], "米");
  EXPECT_EQ(DifferenceJson({"Modem Apn:", "a", "", false}),
            (CliJson{{"label", "Modem Apn"}, {"sent", "a"}, {"held", ""}, {"listed", false}}));
  EXPECT_EQ(PortJson({.name = "/dev/ttyUSB0"}), (CliJson{{"name", "/dev/ttyUSB0"}, {"description", ""},
                                                         {"vid", ""}, {"pid", ""}, {"serial", ""}}));
  EXPECT_EQ(PortJson({.name = "/dev/ttyUSB1", .description = "FT232R USB UART", .vid = "0403", .pid = "6001",
                      .serial = "A50285BI", .byId = "/dev/serial/by-id/x"}),
            (CliJson{{"name", "/dev/ttyUSB1"}, {"description", "FT232R USB UART"}, {"vid", "0403"},
                     {"pid", "6001"}, {"serial", "A50285BI"}}));
  // A text that is no UTF-8 is replaced, not thrown on.
  std::string line;
  EXPECT_NO_THROW(line = JsonLine({{"v", std::string("\xff\xfe")}}));
  EXPECT_EQ(line, "{\"v\":\"\xEF\xBF\xBD\xEF\xBF\xBD\"}\n");

  // Every instance of the table once, numbered from 1.
  ResetParamValues();
  SetParamText(31, "6", 29);
  const CliJson parameters = ParametersJson();
  int channels = 0;
  for (const CliJson& p : parameters) {
    if (p["command"] != "AT+CHNSVLEN") continue;
    ++channels;
    if (p["instance"] == 30) {
      EXPECT_EQ(p["value"], "6");
    }
  }
  EXPECT_EQ(channels, 30);
  ResetParamValues();
}

TEST(CliJsonMain, UsageErrorsHelpAndVersionAreOneObject) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* field;
  } cases[] = {{{"apply", "--json"}, 2, "errors"},
               {{"--json", "--no-such-option"}, 2, "errors"},
               {{"help", "load", "--json"}, 0, "help"},
               {{"--version", "--json"}, 0, "version"},
               {{"load", "-p", "/dev/null", "-o", "-", "--json"}, 2, "errors"}};
  for (const auto& c : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(CliMain(c.args, out, err), c.status) << c.args.front();
    CliJson j;
    ASSERT_NO_THROW(j = CliJson::parse(out.str())) << out.str();
    EXPECT_EQ(j["status"], c.status);
    EXPECT_TRUE(j.contains(c.field)) << out.str();
    if (c.status != 0) {
      EXPECT_FALSE(j["errors"].empty()) << out.str();
    }
  }
}

}  // namespace
