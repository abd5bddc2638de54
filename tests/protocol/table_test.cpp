// The parameter table: every entry against a hand-written list, lookup, value texts.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "protocol/listing.h"
#include "protocol/param_table.h"

namespace {

// Parameters in position order, in runs that share a label form: a family's runs give
// the label's prefix (each instance's number follows it) and each entry its suffix; a
// run without a family gives each entry's whole label. Commands are without "AT+".
struct Expected { int id; const char* command; const char* text; };
struct Group { const char* family; int count; std::vector<Expected> entries; };
const Group kParams[] = {
    {nullptr, 1, {{0, "PROTWRK", "Protocol work type:"}, {1, "DEBUG", "Debug Level:"},
        {2, "DBGCOMSPEED", "Debug com baudrate:"}, {3, "DBGCOMPARITY", "Debug com parity:"},
        {4, "YCADDR", "Device address:"}, {5, "CNTRADDR", "Center address:"},
        {6, "COMUPASS", "Communication password:"}, {7, "PROTTXT", "Protocol text type:"},
        {8, "UPHOURS", "Upload hours:"}, {9, "UPNTRHOU", "Upload interval hours:"},
        {10, "UPNTRMIN", "Upload interval min:"}, {11, "UPLRMMIN", "Upload alarm min:"},
        {12, "RAINBGNHOUR", "Rain begin hour:"}, {13, "IFUPBYLOSE", "If upload by lose:"}, {14, "SIMNO", "Sim No:"},
        {15, "YCTYPE", "Yc type:"}, {16, "UPSTEPMIN", "Upload step min:"}, {17, "PWRLOWVOLT", "Power low volt:"},
        {18, "SERNUM", "Total Servers:"}}},
    {"Server", 8, {{19, "TRANMODE", "'s transfer mode:"}, {20, "MULTISER", "'s Ip:"}, {21, "MULTIPORT", "'s port:"}}},
    {"Server", 2, {{22, "MULTIDNS", "'s dns ip:"}}},
    {nullptr, 1, {{23, "APN", "Modem Apn:"}, {24, "USERNAME", "Modem user name:"},
        {25, "USERPASSWORD", "Modem user pasword:"}, {26, "CALLNO", "Modem call NO:"},
        {27, "HRTSEC", "Heart second:"}, {28, "RECONSEC", "Reconnect second:"}, {29, "LCPECHOSEC", "Lcp echo second:"}}},
    {"Channel", 30, {{30, "CHNNLTYPE", " type:"}, {31, "CHNSVLEN", " save length:"}}},
    {"In io", 4, {{32, "IIOIFOPEN", " if open:"}, {33, "IIOLRMOP", " alarm operation:"},
        {34, "IIOLRMCAMSEC", " alarm camera second:"}, {35, "IIOLRMCAMID", " alarm camera id:"},
        {36, "IIOLRMCAMDLY", " alarm camera delay:"}, {37, "IIORLTNTYPE", " related type:"},
        {38, "IIORLTNVAL", " related value:"}}},
    {"Counter", 2, {{39, "CNTRIFOPEN", " if open:"}, {40, "CNTROP", " operation:"}, {41, "CNTRSVTIME", " save time:"},
        {43, "CNTRUPTIME", " up time:"}, {44, "CNTRSHAKEMS", " shake ms:"}, {42, "CNTRIFUP", " if up:"},
        {45, "CNTRPWRDLY", " power delay:"}, {46, "CNTRACCU", " accuracy:"}, {47, "CNTRELEM", " element:"},
        {48, "CNTRUNIT", " unit:"}, {49, "CNTRBASEVAL", " base value:"}, {50, "CNTRCORRVAL", " corr value:"},
        {51, "CNTRLRMVAL", " alarm value:"}, {52, "CNTRLRMCAMSEC", " alarm camera second:"},
        {53, "CNTRLRMCAMID", " alarm camera id:"}, {54, "CNTRLRMCAMDLY", " alarm camera delay:"},
        {55, "CNTRRLTNTYPE", " related type:"}, {56, "CNTRRLTNVAL", " related value:"}}},
    {"Adc", 4, {{57, "ADCIFOPEN", " if open:"}, {58, "ADCCOLTIME", " collect time:"},
        {59, "ADCSVTIME", " save time:"}, {61, "ADCUPTIME", " up time:"}, {60, "ADCIFUP", " if up:"},
        {62, "ADCPWRDLY", " power delay:"}, {63, "ADCACCU", " accuracy:"}, {64, "ADCELEM", " element:"},
        {65, "ADCUNIT", " unit:"}, {66, "ADCBASEVAL", " base value:"}, {67, "ADCCORRVAL", " corr value:"},
        {68, "ADCTYPE", " type:"}, {69, "ADCUPPRNG", " upper range:"}, {70, "ADCLOWRNG", " lower range:"},
        {71, "ADCUPPVAL", " upper value:"}, {72, "ADCLOWVAL", " lower value:"}, {73, "ADCLRMUPP", " alarm upper:"},
        {74, "ADCLRMLOW", " alarm lower:"}, {75, "ADCLRMVAL", " alarm value:"},
        {76, "ADCLRMCAMSEC", " alarm camera second:"}, {77, "ADCLRMCAMID", " alarm camera id:"},
        {78, "ADCLRMCAMDLY", " alarm camera delay:"}, {79, "ADCRLTNTYPE", " related type:"},
        {80, "ADCRLTNVAL", " related value:"}}},
    {"Com", 15, {{81, "COMIFOPEN", " if open:"}, {82, "COMTYPE", " type:"}, {83, "COMCOLTIME", " collect time:"},
        {84, "COMSVTIME", " save time:"}, {85, "COMIFUP", " if up:"}, {86, "COMUPTIME", " up time:"},
        {87, "COMPWRDLY", " power delay:"}, {88, "COMACCU", " accuracy:"}, {89, "COMELEM", " element:"},
        {90, "COMUNIT", " unit:"}, {91, "COMBASEVAL", " base value:"}, {92, "COMCORRVAL", " corr value:"},
        {93, "COMSPEED", " speed:"}, {94, "COMPARITY", " parity:"}, {95, "COMMBADDR", " modbus address:"},
        {96, "COMMBFUNC", " modbus function:"}, {97, "COMMBREGADDR", " modbus register address:"},
        {98, "COMMBREGNUM", " modbus register number:"}, {99, "COMMBDATTYPE", " modbus data type:"},
        {100, "COMLRMUPP", " alarm upper:"}, {101, "COMLRMLOW", " alarm lower:"}, {102, "COMLRMVAL", " alarm value:"},
        {103, "COMLRMCAMSEC", " alarm camera second:"}, {104, "COMLRMCAMID", " alarm camera id:"},
        {105, "COMLRMCAMDLY", " alarm camera delay:"}, {106, "COMRLTNTYPE", " related type:"},
        {107, "COMRLTNVAL", " related value:"}}},
    {nullptr, 0, {{108, "SDIIFOPEN", "Sdi if open:"}, {109, "SDICOLTIME", "Sdi collect time:"},
        {110, "SDISVTIME", "Sdi save time:"}, {112, "SDIUPTIME", "Sdi up time:"}, {111, "SDIIFUP", "Sdi if up:"},
        {113, "SDIPWRDLY", "Sdi power delay:"}, {114, "SDIACCU", "Sdi accuracy:"}, {115, "SDIELEM", "Sdi element:"},
        {116, "SDIUNIT", "Sdi unit:"}, {117, "SDIBASEVAL", "Sdi base value:"}, {118, "SDICORRVAL", "Sdi corr value:"},
        {119, "SDILRMUPP", "Sdi alarm upper:"}, {120, "SDILRMLOW", "Sdi alarm lower:"},
        {121, "SDILRMVAL", "Sdi alarm value:"}, {122, "SDILRMCAMSEC", "Sdi alarm camera second:"},
        {123, "SDILRMCAMID", "Sdi alarm camera id:"}, {124, "SDILRMCAMDLY", "Sdi alarm camera delay:"},
        {125, "SDIRLTNTYPE", "Sdi related type:"}, {126, "SDIRLTNVAL", "Sdi related value:"},
        {127, "GRAYIFOPEN", "Gray if open:"}, {128, "GRAYCOLTIME", "Gray collect time:"},
        {129, "GRAYSVTIME", "Gray save time:"}, {131, "GRAYUPTIME", "Gray up time:"},
        {130, "GRAYIFUP", "Gray if up:"}, {132, "GRAYPWRDLY", "Gray power delay:"},
        {133, "GRAYACCU", "Gray accuracy:"}, {134, "GRAYELEM", "Gray element:"}, {135, "GRAYUNIT", "Gray unit:"},
        {136, "GRAYBASEVAL", "Gray base value:"}, {137, "GRAYCORRVAL", "Gray corr value:"},
        {138, "GRAYLRMUPP", "Gray alarm upper:"}, {139, "GRAYLRMLOW", "Gray alarm lower:"},
        {140, "GRAYLRMVAL", "Gray alarm value:"}, {141, "GRAYLRMCAMSEC", "Gray alarm camera second:"},
        {142, "GRAYLRMCAMID", "Gray alarm camera id:"}, {143, "GRAYLRMCAMDLY", "Gray alarm camera delay:"},
        {144, "GRAYRLTNTYPE", "Gray related type:"}, {145, "GRAYRLTNVAL", "Gray related value:"}}},
    {nullptr, 1, {{146, "SMSSET", "Sms set:"}, {147, "SMSADMINNO", "Sms admin no:"}}},
    {"camera", 4, {{148, "CAMID", " id:"}, {149, "CAMTYPE", " type:"}, {150, "CAMPIX", " pixel:"},
        {151, "CAMCOMTYPE", " com type:"}, {152, "CAMCOMSPEED", " com speed:"}, {153, "CAMCOMPARITY", " com parity:"},
        {154, "CAMUPMIN", " upload min:"}}},
    {"camera timer", 10, {{155, "CAMTMROPEN", " open:"}, {156, "CAMTMRHOUR", " hour:"}, {157, "CAMTMRMIN", " minute:"}}},
    {nullptr, 1, {{158, "TRANCOMTYPE", "Transfer com type:"}, {159, "TRANCOMSPEED", "Transfer com speed:"},
        {160, "TRANCOMPARITY", "Transfer com parity:"}}},
    {"Com", 15, {{161, "COMSENSORTYPE", " sensor type:"}}},
    {nullptr, 1, {{162, "WATERORDER", "Szy Water order:"}, {163, "YCADDRTYPE", "Device address type:"}}},
};

// Commands at positions 164..179: id, line and time limit.
const struct { int id; const char* command; int timeoutMs; } kCommands[] = {
    {165, "AT+SHOW", 16000}, {166, "AT+VER", 2000}, {167, "AT+CSQ", 5000}, {168, "AT+GSN", 5000},
    {169, "AT+FACTORY", 2000}, {170, "AT+RESET", 2000}, {171, "AT", 5000}, {172, "AT+EXCCLK=", 1000},
    {173, "AT+RDCHNNLRCRD=", 1000}, {174, "AT+CLRCHNNLRCRD=", 10000}, {175, "AT+TESTCAM=", 1000},
    {176, "AT+CLRUPLOSE", 10000}, {177, "---", 5000}, {178, "AT+QUIT", 5000}, {179, "+++", 5000},
    {180, "AT+SETINITDATA", 5000},
};

TEST(TableEntries, EveryEntryMatchesTheHandWrittenListFieldByField) {
  const ParamEntry* entries = ParamTableEntries();
  int pos = 0;
  for (const Group& run : kParams) {
    for (const Expected& x : run.entries) {
      SCOPED_TRACE("position " + std::to_string(pos));
      ASSERT_LT(pos, 164);
      const ParamEntry& e = entries[pos++];
      EXPECT_EQ(e.id, x.id);
      EXPECT_EQ(ParamPosition(FindParam(x.id)), pos - 1);  // found by id, not by position
      EXPECT_EQ(e.command, std::string("AT+") + x.command);
      EXPECT_STREQ(e.okReply, "\r\nOK\r\n");
      EXPECT_STREQ(e.errorReply, "\r\nERROR\r\n");
      EXPECT_EQ(e.timeoutMs, 1000);
      EXPECT_EQ(e.replyHandler, nullptr);
      EXPECT_EQ(e.count, run.count);
      EXPECT_STREQ(e.labelPrefix, run.family ? run.family : x.text);
      EXPECT_STREQ(e.labelSuffix, run.family ? x.text : "");
    }
  }
  ASSERT_EQ(pos, 164);
  for (const auto& x : kCommands) {
    SCOPED_TRACE("position " + std::to_string(pos));
    const ParamEntry& e = entries[pos++];
    const bool probe = x.command[0] != 'A';  // "---" and "+++" get the CMD replies
    EXPECT_EQ(e.id, x.id);
    EXPECT_EQ(ParamPosition(FindParam(x.id)), pos - 1);
    EXPECT_STREQ(e.command, x.command);
    EXPECT_STREQ(e.okReply, probe ? "\r\nCMD OK\r\n" : "\r\nOK\r\n");
    EXPECT_STREQ(e.errorReply, probe ? "\r\nCMD ERROR\r\n" : "\r\nERROR\r\n");
    EXPECT_EQ(e.timeoutMs, x.timeoutMs);
    EXPECT_EQ(e.count, 1);
    EXPECT_STREQ(e.labelPrefix, x.id == kCmdReadRecords ? "Record:" : "");
    EXPECT_STREQ(e.labelSuffix, "");
    EXPECT_EQ(e.replyHandler, x.id == kCmdShow ? &ParseListing : nullptr);
  }
  ASSERT_EQ(pos, kParamEntryCount);
  for (int id : {164, 181, -1}) EXPECT_EQ(FindParam(id), nullptr) << id;
  const ParamEntry outside{};
  for (const ParamEntry* e : {static_cast<const ParamEntry*>(nullptr), &outside}) EXPECT_EQ(ParamPosition(e), -1);
}

class TableValues : public ::testing::Test {
 protected:
  void SetUp() override { ResetParamValues(); }
  void TearDown() override { ResetParamValues(); }

  static std::string Raw(int id, int index) { return GetRawValue(*FindParam(id), index); }
  // True when no value of any entry holds text.
  static bool AllValuesEmpty() {
    const ParamEntry* entries = ParamTableEntries();
    for (int pos = 0; pos < kParamEntryCount; ++pos) {
      for (int i = 0; i < kMaxInstances; ++i) {
        if (!GetRawValue(entries[pos], i).empty()) return false;
      }
    }
    return true;
  }
};

TEST_F(TableValues, OnlyTheDebugParityIsTranslatedAndOnlyWholeTexts) {
  struct Case { int id; const char* stored; const char* shown; };
  // Stored device text → display text.
  const Case shown[] = {
      {3, "8-EVN-1", "8E1"},     {3, "8-NON-1", "8N1"},     {3, "8-ODD-1", "8O1"},
      {3, "8N1", "8N1"},         {3, "8-evn-1", "8-evn-1"}, {94, "8-ODD-1", "8-ODD-1"},
      {153, "8-ODD-1", "8-ODD-1"}, {160, "8-ODD-1", "8-ODD-1"},
  };
  for (const Case& c : shown) {
    SetRawValue(*FindParam(c.id), 0, c.stored);
    EXPECT_EQ(GetParamText(c.id, 0), c.shown) << c.id << " " << c.stored;
  }
  // Display text set → device text stored.
  const Case set[] = {
      {3, "8-ODD-1", "8O1"}, {3, "8-EVN-1", "8-EVN-1"}, {94, "8O1", "8O1"}, {153, "8O1", "8O1"},
      {160, "8O1", "8O1"},
  };
  for (const Case& c : set) {
    SetParamText(c.id, c.shown, 0);
    EXPECT_EQ(Raw(c.id, 0), c.stored) << c.id << " " << c.shown;
  }
}

TEST_F(TableValues, TextsAreCutAt199CharactersAndEndAtANul) {
  const std::string exact(199, 'b');
  for (const std::string& text : {exact, exact + "c", std::string(250, 'b')}) {
    SetParamText(23, text, 0);
    EXPECT_EQ(GetParamText(23, 0), exact) << text.size();
  }
  SetRawValue(*FindParam(24), 0, std::string(1000, 'z'));  // the parser's path
  EXPECT_EQ(Raw(24, 0).size(), 199u);
  SetParamText(14, std::string("1380\0garbage", 12), 0);
  EXPECT_EQ(Raw(14, 0), "1380");
}

TEST_F(TableValues, UnknownIdsAndIndexesChangeNothingAndResetEmptiesAll) {
  EXPECT_EQ(GetParamText(164, 0), std::nullopt);
  EXPECT_EQ(GetParamText(181, 0), std::nullopt);
  SetParamText(181, "x", 0);
  SetParamText(164, "x", 0);
  // Indexes outside the 30 instance slots are refused instead of overrunning.
  SetParamText(30, "x", -1);
  SetParamText(30, "x", kMaxInstances);
  SetRawValue(*FindParam(30), 99, "x");
  EXPECT_TRUE(AllValuesEmpty());
  EXPECT_EQ(GetParamText(30, -1), std::nullopt);
  EXPECT_EQ(GetParamText(30, kMaxInstances), std::nullopt);
  EXPECT_EQ(GetRawValue(*FindParam(30), kMaxInstances), "");
  // Reset empties commands' values too.
  SetParamText(30, "401", 29);
  SetParamText(kCmdClock, "2024-01-02 03:04:05", 0);
  ResetParamValues();
  EXPECT_TRUE(AllValuesEmpty());
}

// The operation worker writes values while the UI thread reads them: a reader always
// sees one whole text, never a mixture.
TEST_F(TableValues, ConcurrentWritersAndReadersSeeWholeTexts) {
  const std::string a(150, 'a');
  const std::string b(199, 'b');
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; i < 20000; ++i) {
      SetParamText(23, (i % 2) ? a : b, 0);
      SetRawValue(*FindParam(30), i % 30, (i % 2) ? a : b);
    }
    stop = true;
  });
  int torn = 0;
  while (!stop) {
    const std::string v = GetParamText(23, 0).value_or("?");
    if (!v.empty() && v != a && v != b) ++torn;
    const std::string w = GetRawValue(*FindParam(30), 7);
    if (!w.empty() && w != a && w != b) ++torn;
  }
  writer.join();
  EXPECT_EQ(torn, 0);
}

}  // namespace
