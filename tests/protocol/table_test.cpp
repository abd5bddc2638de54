// The parameter table: every entry against a hand-written list of the expected
// entries, lookup by id, value texts with the display translation and the
// 199-character cut, listing labels, and values shared between threads.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "protocol/listing.h"
#include "protocol/param_table.h"

namespace {

struct ExpectedParam {
  int id;
  const char* command;
  int count;
  const char* prefix;
  const char* suffix;
};

// Positions 0..163, in order.
const ExpectedParam kParams[] = {
    {0, "AT+PROTWRK", 1, "Protocol work type:", ""}, {1, "AT+DEBUG", 1, "Debug Level:", ""},
    {2, "AT+DBGCOMSPEED", 1, "Debug com baudrate:", ""}, {3, "AT+DBGCOMPARITY", 1, "Debug com parity:", ""},
    {4, "AT+YCADDR", 1, "Device address:", ""}, {5, "AT+CNTRADDR", 1, "Center address:", ""},
    {6, "AT+COMUPASS", 1, "Communication password:", ""}, {7, "AT+PROTTXT", 1, "Protocol text type:", ""},
    {8, "AT+UPHOURS", 1, "Upload hours:", ""}, {9, "AT+UPNTRHOU", 1, "Upload interval hours:", ""},
    {10, "AT+UPNTRMIN", 1, "Upload interval min:", ""}, {11, "AT+UPLRMMIN", 1, "Upload alarm min:", ""},
    {12, "AT+RAINBGNHOUR", 1, "Rain begin hour:", ""}, {13, "AT+IFUPBYLOSE", 1, "If upload by lose:", ""},
    {14, "AT+SIMNO", 1, "Sim No:", ""}, {15, "AT+YCTYPE", 1, "Yc type:", ""},
    {16, "AT+UPSTEPMIN", 1, "Upload step min:", ""}, {17, "AT+PWRLOWVOLT", 1, "Power low volt:", ""},
    {18, "AT+SERNUM", 1, "Total Servers:", ""}, {19, "AT+TRANMODE", 8, "Server", "'s transfer mode:"},
    {20, "AT+MULTISER", 8, "Server", "'s Ip:"}, {21, "AT+MULTIPORT", 8, "Server", "'s port:"},
    {22, "AT+MULTIDNS", 2, "Server", "'s dns ip:"}, {23, "AT+APN", 1, "Modem Apn:", ""},
    {24, "AT+USERNAME", 1, "Modem user name:", ""}, {25, "AT+USERPASSWORD", 1, "Modem user pasword:", ""},
    {26, "AT+CALLNO", 1, "Modem call NO:", ""}, {27, "AT+HRTSEC", 1, "Heart second:", ""},
    {28, "AT+RECONSEC", 1, "Reconnect second:", ""}, {29, "AT+LCPECHOSEC", 1, "Lcp echo second:", ""},
    {30, "AT+CHNNLTYPE", 30, "Channel", " type:"}, {31, "AT+CHNSVLEN", 30, "Channel", " save length:"},
    {32, "AT+IIOIFOPEN", 4, "In io", " if open:"}, {33, "AT+IIOLRMOP", 4, "In io", " alarm operation:"},
    {34, "AT+IIOLRMCAMSEC", 4, "In io", " alarm camera second:"},
    {35, "AT+IIOLRMCAMID", 4, "In io", " alarm camera id:"},
    {36, "AT+IIOLRMCAMDLY", 4, "In io", " alarm camera delay:"}, {37, "AT+IIORLTNTYPE", 4, "In io", " related type:"},
    {38, "AT+IIORLTNVAL", 4, "In io", " related value:"}, {39, "AT+CNTRIFOPEN", 2, "Counter", " if open:"},
    {40, "AT+CNTROP", 2, "Counter", " operation:"}, {41, "AT+CNTRSVTIME", 2, "Counter", " save time:"},
    {43, "AT+CNTRUPTIME", 2, "Counter", " up time:"}, {44, "AT+CNTRSHAKEMS", 2, "Counter", " shake ms:"},
    {42, "AT+CNTRIFUP", 2, "Counter", " if up:"}, {45, "AT+CNTRPWRDLY", 2, "Counter", " power delay:"},
    {46, "AT+CNTRACCU", 2, "Counter", " accuracy:"}, {47, "AT+CNTRELEM", 2, "Counter", " element:"},
    {48, "AT+CNTRUNIT", 2, "Counter", " unit:"}, {49, "AT+CNTRBASEVAL", 2, "Counter", " base value:"},
    {50, "AT+CNTRCORRVAL", 2, "Counter", " corr value:"}, {51, "AT+CNTRLRMVAL", 2, "Counter", " alarm value:"},
    {52, "AT+CNTRLRMCAMSEC", 2, "Counter", " alarm camera second:"},
    {53, "AT+CNTRLRMCAMID", 2, "Counter", " alarm camera id:"},
    {54, "AT+CNTRLRMCAMDLY", 2, "Counter", " alarm camera delay:"},
    {55, "AT+CNTRRLTNTYPE", 2, "Counter", " related type:"}, {56, "AT+CNTRRLTNVAL", 2, "Counter", " related value:"},
    {57, "AT+ADCIFOPEN", 4, "Adc", " if open:"}, {58, "AT+ADCCOLTIME", 4, "Adc", " collect time:"},
    {59, "AT+ADCSVTIME", 4, "Adc", " save time:"}, {61, "AT+ADCUPTIME", 4, "Adc", " up time:"},
    {60, "AT+ADCIFUP", 4, "Adc", " if up:"}, {62, "AT+ADCPWRDLY", 4, "Adc", " power delay:"},
    {63, "AT+ADCACCU", 4, "Adc", " accuracy:"}, {64, "AT+ADCELEM", 4, "Adc", " element:"},
    {65, "AT+ADCUNIT", 4, "Adc", " unit:"}, {66, "AT+ADCBASEVAL", 4, "Adc", " base value:"},
    {67, "AT+ADCCORRVAL", 4, "Adc", " corr value:"}, {68, "AT+ADCTYPE", 4, "Adc", " type:"},
    {69, "AT+ADCUPPRNG", 4, "Adc", " upper range:"}, {70, "AT+ADCLOWRNG", 4, "Adc", " lower range:"},
    {71, "AT+ADCUPPVAL", 4, "Adc", " upper value:"}, {72, "AT+ADCLOWVAL", 4, "Adc", " lower value:"},
    {73, "AT+ADCLRMUPP", 4, "Adc", " alarm upper:"}, {74, "AT+ADCLRMLOW", 4, "Adc", " alarm lower:"},
    {75, "AT+ADCLRMVAL", 4, "Adc", " alarm value:"}, {76, "AT+ADCLRMCAMSEC", 4, "Adc", " alarm camera second:"},
    {77, "AT+ADCLRMCAMID", 4, "Adc", " alarm camera id:"}, {78, "AT+ADCLRMCAMDLY", 4, "Adc", " alarm camera delay:"},
    {79, "AT+ADCRLTNTYPE", 4, "Adc", " related type:"}, {80, "AT+ADCRLTNVAL", 4, "Adc", " related value:"},
    {81, "AT+COMIFOPEN", 15, "Com", " if open:"}, {82, "AT+COMTYPE", 15, "Com", " type:"},
    {83, "AT+COMCOLTIME", 15, "Com", " collect time:"}, {84, "AT+COMSVTIME", 15, "Com", " save time:"},
    {85, "AT+COMIFUP", 15, "Com", " if up:"}, {86, "AT+COMUPTIME", 15, "Com", " up time:"},
    {87, "AT+COMPWRDLY", 15, "Com", " power delay:"}, {88, "AT+COMACCU", 15, "Com", " accuracy:"},
    {89, "AT+COMELEM", 15, "Com", " element:"}, {90, "AT+COMUNIT", 15, "Com", " unit:"},
    {91, "AT+COMBASEVAL", 15, "Com", " base value:"}, {92, "AT+COMCORRVAL", 15, "Com", " corr value:"},
    {93, "AT+COMSPEED", 15, "Com", " speed:"}, {94, "AT+COMPARITY", 15, "Com", " parity:"},
    {95, "AT+COMMBADDR", 15, "Com", " modbus address:"}, {96, "AT+COMMBFUNC", 15, "Com", " modbus function:"},
    {97, "AT+COMMBREGADDR", 15, "Com", " modbus register address:"},
    {98, "AT+COMMBREGNUM", 15, "Com", " modbus register number:"},
    {99, "AT+COMMBDATTYPE", 15, "Com", " modbus data type:"}, {100, "AT+COMLRMUPP", 15, "Com", " alarm upper:"},
    {101, "AT+COMLRMLOW", 15, "Com", " alarm lower:"}, {102, "AT+COMLRMVAL", 15, "Com", " alarm value:"},
    {103, "AT+COMLRMCAMSEC", 15, "Com", " alarm camera second:"},
    {104, "AT+COMLRMCAMID", 15, "Com", " alarm camera id:"},
    {105, "AT+COMLRMCAMDLY", 15, "Com", " alarm camera delay:"}, {106, "AT+COMRLTNTYPE", 15, "Com", " related type:"},
    {107, "AT+COMRLTNVAL", 15, "Com", " related value:"}, {108, "AT+SDIIFOPEN", 0, "Sdi if open:", ""},
    {109, "AT+SDICOLTIME", 0, "Sdi collect time:", ""}, {110, "AT+SDISVTIME", 0, "Sdi save time:", ""},
    {112, "AT+SDIUPTIME", 0, "Sdi up time:", ""}, {111, "AT+SDIIFUP", 0, "Sdi if up:", ""},
    {113, "AT+SDIPWRDLY", 0, "Sdi power delay:", ""}, {114, "AT+SDIACCU", 0, "Sdi accuracy:", ""},
    {115, "AT+SDIELEM", 0, "Sdi element:", ""}, {116, "AT+SDIUNIT", 0, "Sdi unit:", ""},
    {117, "AT+SDIBASEVAL", 0, "Sdi base value:", ""}, {118, "AT+SDICORRVAL", 0, "Sdi corr value:", ""},
    {119, "AT+SDILRMUPP", 0, "Sdi alarm upper:", ""}, {120, "AT+SDILRMLOW", 0, "Sdi alarm lower:", ""},
    {121, "AT+SDILRMVAL", 0, "Sdi alarm value:", ""}, {122, "AT+SDILRMCAMSEC", 0, "Sdi alarm camera second:", ""},
    {123, "AT+SDILRMCAMID", 0, "Sdi alarm camera id:", ""}, {124, "AT+SDILRMCAMDLY", 0, "Sdi alarm camera delay:", ""},
    {125, "AT+SDIRLTNTYPE", 0, "Sdi related type:", ""}, {126, "AT+SDIRLTNVAL", 0, "Sdi related value:", ""},
    {127, "AT+GRAYIFOPEN", 0, "Gray if open:", ""}, {128, "AT+GRAYCOLTIME", 0, "Gray collect time:", ""},
    {129, "AT+GRAYSVTIME", 0, "Gray save time:", ""}, {131, "AT+GRAYUPTIME", 0, "Gray up time:", ""},
    {130, "AT+GRAYIFUP", 0, "Gray if up:", ""}, {132, "AT+GRAYPWRDLY", 0, "Gray power delay:", ""},
    {133, "AT+GRAYACCU", 0, "Gray accuracy:", ""}, {134, "AT+GRAYELEM", 0, "Gray element:", ""},
    {135, "AT+GRAYUNIT", 0, "Gray unit:", ""}, {136, "AT+GRAYBASEVAL", 0, "Gray base value:", ""},
    {137, "AT+GRAYCORRVAL", 0, "Gray corr value:", ""}, {138, "AT+GRAYLRMUPP", 0, "Gray alarm upper:", ""},
    {139, "AT+GRAYLRMLOW", 0, "Gray alarm lower:", ""}, {140, "AT+GRAYLRMVAL", 0, "Gray alarm value:", ""},
    {141, "AT+GRAYLRMCAMSEC", 0, "Gray alarm camera second:", ""},
    {142, "AT+GRAYLRMCAMID", 0, "Gray alarm camera id:", ""},
    {143, "AT+GRAYLRMCAMDLY", 0, "Gray alarm camera delay:", ""}, {144, "AT+GRAYRLTNTYPE", 0, "Gray related type:", ""},
    {145, "AT+GRAYRLTNVAL", 0, "Gray related value:", ""}, {146, "AT+SMSSET", 1, "Sms set:", ""},
    {147, "AT+SMSADMINNO", 1, "Sms admin no:", ""}, {148, "AT+CAMID", 4, "camera", " id:"},
    {149, "AT+CAMTYPE", 4, "camera", " type:"}, {150, "AT+CAMPIX", 4, "camera", " pixel:"},
    {151, "AT+CAMCOMTYPE", 4, "camera", " com type:"}, {152, "AT+CAMCOMSPEED", 4, "camera", " com speed:"},
    {153, "AT+CAMCOMPARITY", 4, "camera", " com parity:"}, {154, "AT+CAMUPMIN", 4, "camera", " upload min:"},
    {155, "AT+CAMTMROPEN", 10, "camera timer", " open:"}, {156, "AT+CAMTMRHOUR", 10, "camera timer", " hour:"},
    {157, "AT+CAMTMRMIN", 10, "camera timer", " minute:"}, {158, "AT+TRANCOMTYPE", 1, "Transfer com type:", ""},
    {159, "AT+TRANCOMSPEED", 1, "Transfer com speed:", ""}, {160, "AT+TRANCOMPARITY", 1, "Transfer com parity:", ""},
    {161, "AT+COMSENSORTYPE", 15, "Com", " sensor type:"}, {162, "AT+WATERORDER", 1, "Szy Water order:", ""},
    {163, "AT+YCADDRTYPE", 1, "Device address type:", ""},
};

struct ExpectedCommand {
  int id;
  const char* command;
  int timeoutMs;
  bool probeReplies;  // "\r\nCMD OK\r\n" / "\r\nCMD ERROR\r\n"
  const char* prefix;
};

// Positions 164..179, in order.
const ExpectedCommand kCommands[] = {
    {165, "AT+SHOW", 16000, false, ""}, {166, "AT+VER", 2000, false, ""}, {167, "AT+CSQ", 5000, false, ""},
    {168, "AT+GSN", 5000, false, ""}, {169, "AT+FACTORY", 2000, false, ""}, {170, "AT+RESET", 2000, false, ""},
    {171, "AT", 5000, false, ""}, {172, "AT+EXCCLK=", 1000, false, ""},
    {173, "AT+RDCHNNLRCRD=", 1000, false, "Record:"}, {174, "AT+CLRCHNNLRCRD=", 10000, false, ""},
    {175, "AT+TESTCAM=", 1000, false, ""}, {176, "AT+CLRUPLOSE", 10000, false, ""}, {177, "---", 5000, true, ""},
    {178, "AT+QUIT", 5000, false, ""}, {179, "+++", 5000, true, ""}, {180, "AT+SETINITDATA", 5000, false, ""},
};

static_assert(sizeof(kParams) / sizeof(kParams[0]) == 164);
static_assert(sizeof(kCommands) / sizeof(kCommands[0]) == 16);

TEST(TableEntries, EveryEntryMatchesTheHandWrittenListFieldByField) {
  const ParamEntry* entries = ParamTableEntries();
  for (int pos = 0; pos < 164; ++pos) {
    SCOPED_TRACE("position " + std::to_string(pos));
    const ParamEntry& e = entries[pos];
    const ExpectedParam& x = kParams[pos];
    EXPECT_EQ(e.id, x.id);
    EXPECT_STREQ(e.command, x.command);
    EXPECT_STREQ(e.okReply, "\r\nOK\r\n");
    EXPECT_STREQ(e.errorReply, "\r\nERROR\r\n");
    EXPECT_EQ(e.timeoutMs, 1000);
    EXPECT_EQ(e.replyHandler, nullptr);
    EXPECT_EQ(e.count, x.count);
    EXPECT_STREQ(e.labelPrefix, x.prefix);
    EXPECT_STREQ(e.labelSuffix, x.suffix);
  }
  for (int i = 0; i < 16; ++i) {
    SCOPED_TRACE("position " + std::to_string(164 + i));
    const ParamEntry& e = entries[164 + i];
    const ExpectedCommand& x = kCommands[i];
    EXPECT_EQ(e.id, x.id);
    EXPECT_STREQ(e.command, x.command);
    EXPECT_STREQ(e.okReply, x.probeReplies ? "\r\nCMD OK\r\n" : "\r\nOK\r\n");
    EXPECT_STREQ(e.errorReply, x.probeReplies ? "\r\nCMD ERROR\r\n" : "\r\nERROR\r\n");
    EXPECT_EQ(e.timeoutMs, x.timeoutMs);
    EXPECT_EQ(e.count, 1);
    EXPECT_STREQ(e.labelPrefix, x.prefix);
    EXPECT_STREQ(e.labelSuffix, "");
    EXPECT_EQ(e.replyHandler, x.id == kCmdShow ? &ParseListing : nullptr);
  }
}

TEST(TableEntries, ThreeTranslationsOfTheDebugPortParity) {
  int rows = -1;
  const ValueTranslation* t = ValueTranslations(&rows);
  ASSERT_EQ(rows, 3);
  const ValueTranslation expected[] = {
      {3, "8-NON-1", "8N1"}, {3, "8-EVN-1", "8E1"}, {3, "8-ODD-1", "8O1"}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(t[i].paramId, expected[i].paramId) << i;
    EXPECT_STREQ(t[i].deviceText, expected[i].deviceText) << i;
    EXPECT_STREQ(t[i].displayText, expected[i].displayText) << i;
  }
}

TEST(TableLookup, FindsTheEntryByIdNotByPosition) {
  const ParamEntry* entries = ParamTableEntries();
  struct Case { int id; int position; const char* command; };
  const Case cases[] = {
      {0, 0, "AT+PROTWRK"},        {42, 44, "AT+CNTRIFUP"},   {43, 42, "AT+CNTRUPTIME"},
      {44, 43, "AT+CNTRSHAKEMS"},  {60, 61, "AT+ADCIFUP"},    {61, 60, "AT+ADCUPTIME"},
      {111, 112, "AT+SDIIFUP"},    {112, 111, "AT+SDIUPTIME"}, {130, 131, "AT+GRAYIFUP"},
      {131, 130, "AT+GRAYUPTIME"}, {163, 163, "AT+YCADDRTYPE"}, {165, 164, "AT+SHOW"},
      {177, 176, "---"},           {180, 179, "AT+SETINITDATA"},
  };
  for (const Case& c : cases) {
    const ParamEntry* e = FindParam(c.id);
    ASSERT_NE(e, nullptr) << c.id;
    EXPECT_EQ(e, &entries[c.position]) << c.id;
    EXPECT_EQ(ParamPosition(e), c.position) << c.id;
    EXPECT_STREQ(e->command, c.command) << c.id;
  }
  for (int id : {164, 181, -1}) EXPECT_EQ(FindParam(id), nullptr) << id;
  EXPECT_EQ(ParamPosition(nullptr), -1);
  const ParamEntry outside{};
  EXPECT_EQ(ParamPosition(&outside), -1);
}

TEST(TableLabels, InstanceNumbersFollowTheFamily) {
  struct Case { int id; int n; const char* label; };
  const Case cases[] = {
      {31, 7, "Channel07 save length:"}, {30, 1, "Channel01 type:"},
      {30, 9, "Channel09 type:"},        {30, 10, "Channel10 type:"},
      {30, 30, "Channel30 type:"},       {81, 9, "Com9 if open:"},
      {84, 7, "Com7 save time:"},        {81, 15, "Com15 if open:"},
      {157, 9, "camera timer9 minute:"}, {156, 3, "camera timer3 hour:"},
      {155, 10, "camera timer10 open:"}, {20, 1, "Server1's Ip:"},
      {22, 2, "Server2's dns ip:"},      {42, 2, "Counter2 if up:"},
      {32, 4, "In io4 if open:"},        {148, 1, "camera1 id:"},
      // Single-instance labels carry no number.
      {18, 1, "Total Servers:"},         {25, 1, "Modem user pasword:"},
      {kCmdReadRecords, 1, "Record:"},   {kCmdShow, 1, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatLabel(*FindParam(c.id), c.n), c.label) << c.id << "/" << c.n;
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
  SetParamText(23, std::string(250, 'a'), 0);
  EXPECT_EQ(GetParamText(23, 0), std::string(199, 'a'));
  const std::string exact(199, 'b');
  SetParamText(23, exact, 0);
  EXPECT_EQ(GetParamText(23, 0), exact);
  SetParamText(23, exact + "c", 0);
  EXPECT_EQ(GetParamText(23, 0), exact);
  SetRawValue(*FindParam(24), 0, std::string(1000, 'z'));  // the parser's path
  EXPECT_EQ(Raw(24, 0).size(), 199u);
  SetParamText(14, std::string("1380\0garbage", 12), 0);
  EXPECT_EQ(Raw(14, 0), "1380");
}

TEST_F(TableValues, UnknownIdsAndIndexesChangeNothing) {
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
}

TEST_F(TableValues, InstancesAreIndependentAndResetEmptiesEveryValue) {
  SetParamText(30, "401", 6);
  SetParamText(30, "201", 29);
  SetParamText(kCmdClock, "2024-01-02 03:04:05", 0);
  EXPECT_EQ(GetParamText(30, 6), "401");
  EXPECT_EQ(GetParamText(30, 29), "201");
  EXPECT_EQ(GetParamText(30, 5), "");
  EXPECT_EQ(GetParamText(31, 6), "");
  EXPECT_EQ(GetParamText(kCmdClock, 0), "2024-01-02 03:04:05");
  EXPECT_EQ(GetParamText(kCmdShow, 0), "");
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
