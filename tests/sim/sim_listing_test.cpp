// The device's parameter listing and its setters and commands.
#include <algorithm>
#include <vector>

#include "base/cp936.h"
#include "sim_port.h"

namespace {

const char kOk[] = "\r\nOK\r\n";

// Label and value of a listing line "label  value".
std::pair<std::string, std::string> LabelValue(const std::string& line) {
  size_t sep = line.rfind("  ");
  if (sep == std::string::npos) return {line, ""};
  return {line.substr(0, sep), line.substr(sep + 2)};
}

class SimListingTest : public SimTest {
 protected:
  // The listing of an AT+SHOW reply in lines; every line ends with CR LF.
  std::vector<std::string> ShowLines() {
    const std::string reply = port->Command("AT+SHOW");
    EXPECT_EQ(reply.rfind("AT+SHOW\r\n", 0), 0u) << "the command line is echoed first";
    EXPECT_GE(reply.size(), 15u);
    EXPECT_EQ(reply.substr(reply.size() - 6), kOk);
    const std::string body = reply.substr(9, reply.size() - 9 - 6);
    EXPECT_EQ(body, sim.Listing());
    std::vector<std::string> lines;
    size_t pos = 0;
    for (size_t end; (end = body.find("\r\n", pos)) != std::string::npos; pos = end + 2) {
      lines.push_back(body.substr(pos, end - pos));
      EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos) << lines.back();
    }
    EXPECT_EQ(pos, body.size()) << "the last line ends with CR LF";
    return lines;
  }
  int IndexOf(const std::vector<std::string>& lines, const std::string& label) {
    for (size_t i = 0; i < lines.size(); ++i)
      if (LabelValue(lines[i]).first == label) return static_cast<int>(i);
    return -1;
  }
};

}  // namespace

TEST_F(SimListingTest, ListingHasEveryInstanceInOrderWithSingleTokenValues) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  const std::vector<std::string> lines = ShowLines();
  // 33 single parameters and 724 instances of the numbered families.
  EXPECT_EQ(lines.size(), 757u);
  // The tool keeps at most 40960 received bytes per exchange.
  EXPECT_LT(sim.Listing().size() + 20, 40960u);

  for (const std::string& l : lines) {
    auto [label, value] = LabelValue(l);
    EXPECT_EQ(label.back(), ':') << l;
    EXPECT_FALSE(value.empty()) << l;
    EXPECT_EQ(value.find(' '), std::string::npos) << l;
    EXPECT_EQ(l.find("  "), label.size()) << "two spaces after the label: " << l;
  }
  EXPECT_EQ(LabelValue(lines.front()).first, "Protocol work type:");
  EXPECT_EQ(LabelValue(lines.back()).first, "Device address type:");

  // Channels take two digits, the other families none; families without instances are absent.
  for (const char* label : {"Channel1 type:", "Server01's Ip:", "Server3's dns ip:", "Com16 type:",
                            "Sdi if open:", "Gray if open:", "Record:"})
    EXPECT_LT(IndexOf(lines, label), 0) << label;

  // The device's own order: counter "if up" after "shake ms", adc "if up" after
  // "up time", the serial sensor types after the transfer port.
  EXPECT_LT(IndexOf(lines, "Counter2 shake ms:"), IndexOf(lines, "Counter1 if up:"));
  EXPECT_LT(IndexOf(lines, "Adc4 up time:"), IndexOf(lines, "Adc1 if up:"));
  EXPECT_LT(IndexOf(lines, "Transfer com parity:"), IndexOf(lines, "Com1 sensor type:"));
  EXPECT_EQ(IndexOf(lines, "Server1's transfer mode:") + 1, IndexOf(lines, "Server2's transfer mode:"));

  // Device-form debug parity; a code page 936 unit.
  EXPECT_EQ(sim.Value("Debug com parity:"), "8-NON-1");
  EXPECT_EQ(sim.Value("Adc1 unit:"), GBK("米"));
}

TEST_F(SimListingTest, SettersStoreAndListTheValue) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  struct Case { std::string command; const char* label; std::string value; };
  const Case cases[] = {
      {"AT+APN=internet.example", "Modem Apn:", "internet.example"},
      {"AT+MULTISER02=10.1.2.3", "Server2's Ip:", "10.1.2.3"},
      {"AT+CHNNLTYPE30=401", "Channel30 type:", "401"},
      {"AT+COMSPEED12=4800", "Com12 speed:", "4800"},
      {"AT+CAMTMRHOUR10=23", "camera timer10 hour:", "23"},
      {"AT+CNTRUNIT02=" + GBK("毫米"), "Counter2 unit:", GBK("毫米")},
      {"AT+SIMNO=", "Sim No:", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(port->Command(c.command), c.command + "\r\n" + kOk);
    EXPECT_EQ(sim.Value(c.label), c.value) << c.command;
  }
  EXPECT_EQ(sim.Value("Server1's Ip:"), "218.94.1.66");  // the neighbour stays
  const std::vector<std::string> lines = ShowLines();
  for (const Case& c : cases) {
    // An empty value is listed as a dot.
    const std::string line = c.label + std::string("  ") + (c.value.empty() ? "." : c.value);
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
  }
}

TEST_F(SimListingTest, DebugParityIsSetInPageFormAndListedInDeviceForm) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  const std::pair<const char*, const char*> forms[] = {
      {"8E1", "8-EVN-1"}, {"8O1", "8-ODD-1"}, {"8N1", "8-NON-1"}, {"8-EVN-1", "8-EVN-1"}};
  for (auto [sent, kept] : forms) {
    EXPECT_NE(port->Command(std::string("AT+DBGCOMPARITY=") + sent).find(kOk), std::string::npos);
    EXPECT_EQ(sim.Value("Debug com parity:"), kept);
    EXPECT_NE(sim.Listing().find(std::string("Debug com parity:  ") + kept + "\r\n"), std::string::npos);
  }
  EXPECT_NE(port->Command("AT+DBGCOMPARITY=7E1").find("\r\nERROR\r\n"), std::string::npos);
  EXPECT_EQ(sim.Value("Debug com parity:"), "8-EVN-1");
  // Other parity parameters keep what they are given.
  EXPECT_NE(port->Command("AT+COMPARITY03=7E1").find(kOk), std::string::npos);
  EXPECT_EQ(sim.Value("Com3 parity:"), "7E1");
}

TEST_F(SimListingTest, BadSettersAreRefusedAndChangeNothing) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  std::string before = sim.Listing();
  for (const char* line : {"AT+MULTISER09=1.2.3.4", "AT+MULTISER00=1.2.3.4", "AT+MULTISER1=1.2.3.4",
                           "AT+MULTISER=1.2.3.4", "AT+APN01=x", "AT+APN=two words", "AT+SDIIFOPEN=1",
                           "AT+NOSUCH=1", "AT+APN", "HELLO"}) {
    std::string reply = port->Command(line);
    EXPECT_EQ(reply, std::string(line) + "\r\n\r\nERROR\r\n") << line;
  }
  EXPECT_NE(port->Command("AT+APN=" + std::string(200, 'a')).find("\r\nERROR\r\n"), std::string::npos);
  EXPECT_EQ(sim.Listing(), before);
}

TEST_F(SimListingTest, MaintenanceCommandsAnswerOk) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  for (const char* line : {"AT", "AT+VER", "AT+CSQ", "AT+GSN", "AT+EXCCLK=2024-05-07 09:03:01",
                           "AT+CLRCHNNLRCRD=0", "AT+CLRUPLOSE", "AT+SETINITDATA05=12.5"}) {
    std::string reply = port->Command(line);
    EXPECT_EQ(reply.rfind(std::string(line) + "\r\n", 0), 0u) << reply;
    EXPECT_EQ(reply.substr(reply.size() - 6), kOk) << line;
  }
  std::string ver = port->Command("AT+VER");
  EXPECT_GT(ver.size(), std::string("AT+VER\r\n\r\nOK\r\n").size()) << "a version text";
  for (const char* line : {"AT+EXCCLK=", "AT+TESTCAM", "AT+SETINITDATA=5", "AT+SETINITDATAx=5"})
    EXPECT_NE(port->Command(line).find("\r\nERROR\r\n"), std::string::npos) << line;
  EXPECT_EQ(sim.GetState(), RtuSimulator::State::Config);
}

TEST_F(SimListingTest, SetValueUsesListingLabelsAndFactoryRestoresDefaults) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  const std::string factory = sim.Listing();
  sim.SetValue("Server3's port:", "7001");
  EXPECT_EQ(sim.Value("Server3's port:"), "7001");
  EXPECT_NE(sim.Listing().find("Server3's port:  7001\r\n"), std::string::npos);
  sim.SetValue("No such label:", "1");
  EXPECT_EQ(sim.Value("No such label:"), "");
  EXPECT_EQ(sim.Listing().find("No such label:"), std::string::npos);
  port->Command("AT+APN=changed");
  EXPECT_EQ(port->Command("AT+FACTORY"), "AT+FACTORY\r\n\r\nOK\r\n");
  EXPECT_EQ(sim.Listing(), factory);
}
