// The device's parameter listing and its setters and commands.
#include <algorithm>
#include <vector>

#include "base/cp936.h"
#include "sim_port.h"

namespace {

const char kOk[] = "\r\nOK\r\n";

class SimListingTest : public SimTest {
 protected:
  // The listing of an AT+SHOW reply (the line echoed, the listing, OK) in lines; every line
  // ends with CR LF.
  std::vector<std::string> ShowLines() {
    const std::string body = sim.Listing();
    EXPECT_EQ(port->Command("AT+SHOW"), "AT+SHOW\r\n" + body + kOk);
    std::vector<std::string> lines;
    size_t pos = 0;
    for (size_t end; (end = body.find("\r\n", pos)) != std::string::npos; pos = end + 2) {
      lines.push_back(body.substr(pos, end - pos));
      EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos) << lines.back();
    }
    EXPECT_EQ(pos, body.size()) << "the last line ends with CR LF";
    return lines;
  }
};

}  // namespace

TEST_F(SimListingTest, SettersStoreAndListTheValueOneTokenPerLabel) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  EXPECT_EQ(sim.Value("Debug com parity:"), "8-NON-1");  // device form
  struct Case { std::string command; const char* label; std::string value; };
  const Case cases[] = {
      {"AT+APN=internet.example", "Modem Apn:", "internet.example"},
      {"AT+MULTISER02=10.1.2.3", "Server2's Ip:", "10.1.2.3"},
      {"AT+CHNNLTYPE30=401", "Channel30 type:", "401"},
      {"AT+COMSPEED12=4800", "Com12 speed:", "4800"},
      {"AT+CAMTMRHOUR10=23", "camera timer10 hour:", "23"},
      {"AT+CNTRUNIT02=" + GBK("毫米"), "Counter2 unit:", GBK("毫米")},
      {"AT+SIMNO=", "Sim No:", ""},
      {"AT+DBGCOMPARITY=8O1", "Debug com parity:", "8-ODD-1"},  // set in page form, kept in device form
      {"AT+COMPARITY03=7E1", "Com3 parity:", "7E1"},              // other parities keep what they get
  };
  for (const Case& c : cases) {
    EXPECT_EQ(port->Command(c.command), c.command + "\r\n" + kOk);
    EXPECT_EQ(sim.Value(c.label), c.value) << c.command;
  }
  EXPECT_EQ(sim.Value("Server1's Ip:"), "218.94.1.66");  // the neighbour stays
  EXPECT_EQ(sim.Value("Adc1 unit:"), GBK("米"));
  // The tool's device test reads every instance from this listing: each line is label, two spaces, one token.
  const std::vector<std::string> lines = ShowLines();
  EXPECT_EQ(lines.size(), 757u);  // 33 single parameters and 724 instances of the families
  for (const std::string& l : lines) {
    const size_t sep = l.find(":  ");
    ASSERT_NE(sep, std::string::npos) << l;
    EXPECT_FALSE(l.size() == sep + 3 || l.find(' ', sep + 3) != std::string::npos) << l;
  }
  for (const Case& c : cases) {
    // An empty value is listed as a dot.
    const std::string line = c.label + std::string("  ") + (c.value.empty() ? "." : c.value);
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
  }
}

TEST_F(SimListingTest, BadLinesAreRefusedAndChangeNothing) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  const std::string before = sim.Listing();
  for (const std::string line : {"AT+MULTISER09=1.2.3.4", "AT+MULTISER00=1.2.3.4", "AT+MULTISER1=1.2.3.4",
                                 "AT+MULTISER=1.2.3.4", "AT+APN01=x", "AT+APN=two words", "AT+SDIIFOPEN=1",
                                 "AT+NOSUCH=1", "AT+APN", "HELLO", "AT+DBGCOMPARITY=7E1", "AT+EXCCLK=",
                                 "AT+TESTCAM", "AT+SETINITDATA=5", "AT+SETINITDATAx=5"}) {
    EXPECT_EQ(port->Command(line), line + "\r\n\r\nERROR\r\n");
  }
  EXPECT_NE(port->Command("AT+APN=" + std::string(200, 'a')).find("\r\nERROR\r\n"), std::string::npos);
  EXPECT_EQ(sim.Listing(), before);
  for (const std::string line : {"AT", "AT+VER", "AT+CSQ", "AT+GSN", "AT+EXCCLK=2024-05-07 09:03:01",
                                 "AT+CLRCHNNLRCRD=0", "AT+CLRUPLOSE", "AT+SETINITDATA05=12.5"}) {
    const std::string reply = port->Command(line);
    EXPECT_EQ(reply.rfind(line + "\r\n", 0), 0u) << reply;
    EXPECT_EQ(reply.substr(reply.size() - 6), kOk) << line;
  }
  EXPECT_GT(port->Command("AT+VER").size(), std::string("AT+VER\r\n\r\nOK\r\n").size()) << "a version text";
  EXPECT_EQ(sim.GetState(), RtuSimulator::State::Config);
}

// The listing faults: long values make one AT+SHOW reply longer than a receiver's 40960
// bytes, every line still one label and one token; an omitted label's line is missing
// while its value stays stored.
TEST_F(SimListingTest, ListingFaultsWidenTheValuesOrLeaveOutOneLabel) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  const std::vector<std::string> plain = ShowLines();
  sim.SetListingFaults({.longValues = true, .omit = {}});
  const std::string reply = port->Command("AT+SHOW");
  EXPECT_GT(reply.size(), 40960u);
  EXPECT_EQ(reply.substr(reply.size() - 6), kOk);
  EXPECT_NE(reply.find("\r\nModem Apn:  CMNET" + std::string(RtuSimulator::kLongValueChars - 5, '_') + "\r\n"),
            std::string::npos);
  EXPECT_EQ(static_cast<size_t>(std::count(reply.begin(), reply.end(), '\n')), plain.size() + 3);  // echo, blank, OK

  sim.SetListingFaults({.longValues = false, .omit = "Modem Apn:"});
  const std::string listed = port->Command("AT+SHOW");
  EXPECT_EQ(listed.find("Modem Apn:"), std::string::npos);
  EXPECT_NE(listed.find("Modem user name:"), std::string::npos);
  EXPECT_EQ(sim.Value("Modem Apn:"), "CMNET");
  sim.SetListingFaults({});
  EXPECT_EQ(ShowLines(), plain);
}
