// The entries of the parameter and command table, in table position order.
// Lookups go by id; everything that walks the table (listing parser, listing
// writer, .cfg files) goes by position, so the order here fixes the order of the
// lines in a written listing. A few ids are deliberately out of ascending order
// (positions 42-44, 60-61, 111-112, 130-131). "Modem user pasword:" is the
// device's own spelling.
#include "protocol/listing.h"
#include "protocol/param_table.h"

namespace {

constexpr const char* kOk = "\r\nOK\r\n";
constexpr const char* kError = "\r\nERROR\r\n";
constexpr const char* kCmdOk = "\r\nCMD OK\r\n";
constexpr const char* kCmdError = "\r\nCMD ERROR\r\n";

// {id, command, okReply, errorReply, timeoutMs, replyHandler, count, labelPrefix, labelSuffix}
// The trailing comment of each row is its position.
constexpr ParamEntry kEntries[kParamEntryCount] = {
    {0, "AT+PROTWRK", kOk, kError, 1000, nullptr, 1, "Protocol work type:", ""},  // 0
    {1, "AT+DEBUG", kOk, kError, 1000, nullptr, 1, "Debug Level:", ""},  // 1
    {2, "AT+DBGCOMSPEED", kOk, kError, 1000, nullptr, 1, "Debug com baudrate:", ""},  // 2
    {3, "AT+DBGCOMPARITY", kOk, kError, 1000, nullptr, 1, "Debug com parity:", ""},  // 3
    {4, "AT+YCADDR", kOk, kError, 1000, nullptr, 1, "Device address:", ""},  // 4
    {5, "AT+CNTRADDR", kOk, kError, 1000, nullptr, 1, "Center address:", ""},  // 5
    {6, "AT+COMUPASS", kOk, kError, 1000, nullptr, 1, "Communication password:", ""},  // 6
    {7, "AT+PROTTXT", kOk, kError, 1000, nullptr, 1, "Protocol text type:", ""},  // 7
    {8, "AT+UPHOURS", kOk, kError, 1000, nullptr, 1, "Upload hours:", ""},  // 8
    {9, "AT+UPNTRHOU", kOk, kError, 1000, nullptr, 1, "Upload interval hours:", ""},  // 9
    {10, "AT+UPNTRMIN", kOk, kError, 1000, nullptr, 1, "Upload interval min:", ""},  // 10
    {11, "AT+UPLRMMIN", kOk, kError, 1000, nullptr, 1, "Upload alarm min:", ""},  // 11
    {12, "AT+RAINBGNHOUR", kOk, kError, 1000, nullptr, 1, "Rain begin hour:", ""},  // 12
    {13, "AT+IFUPBYLOSE", kOk, kError, 1000, nullptr, 1, "If upload by lose:", ""},  // 13
    {14, "AT+SIMNO", kOk, kError, 1000, nullptr, 1, "Sim No:", ""},  // 14
    {15, "AT+YCTYPE", kOk, kError, 1000, nullptr, 1, "Yc type:", ""},  // 15
    {16, "AT+UPSTEPMIN", kOk, kError, 1000, nullptr, 1, "Upload step min:", ""},  // 16
    {17, "AT+PWRLOWVOLT", kOk, kError, 1000, nullptr, 1, "Power low volt:", ""},  // 17
    {18, "AT+SERNUM", kOk, kError, 1000, nullptr, 1, "Total Servers:", ""},  // 18
    {19, "AT+TRANMODE", kOk, kError, 1000, nullptr, 8, "Server", "'s transfer mode:"},  // 19
    {20, "AT+MULTISER", kOk, kError, 1000, nullptr, 8, "Server", "'s Ip:"},  // 20
    {21, "AT+MULTIPORT", kOk, kError, 1000, nullptr, 8, "Server", "'s port:"},  // 21
    {22, "AT+MULTIDNS", kOk, kError, 1000, nullptr, 2, "Server", "'s dns ip:"},  // 22
    {23, "AT+APN", kOk, kError, 1000, nullptr, 1, "Modem Apn:", ""},  // 23
    {24, "AT+USERNAME", kOk, kError, 1000, nullptr, 1, "Modem user name:", ""},  // 24
    {25, "AT+USERPASSWORD", kOk, kError, 1000, nullptr, 1, "Modem user pasword:", ""},  // 25
    {26, "AT+CALLNO", kOk, kError, 1000, nullptr, 1, "Modem call NO:", ""},  // 26
    {27, "AT+HRTSEC", kOk, kError, 1000, nullptr, 1, "Heart second:", ""},  // 27
    {28, "AT+RECONSEC", kOk, kError, 1000, nullptr, 1, "Reconnect second:", ""},  // 28
    {29, "AT+LCPECHOSEC", kOk, kError, 1000, nullptr, 1, "Lcp echo second:", ""},  // 29
    {30, "AT+CHNNLTYPE", kOk, kError, 1000, nullptr, 30, "Channel", " type:"},  // 30
    {31, "AT+CHNSVLEN", kOk, kError, 1000, nullptr, 30, "Channel", " save length:"},  // 31
    {32, "AT+IIOIFOPEN", kOk, kError, 1000, nullptr, 4, "In io", " if open:"},  // 32
    {33, "AT+IIOLRMOP", kOk, kError, 1000, nullptr, 4, "In io", " alarm operation:"},  // 33
    {34, "AT+IIOLRMCAMSEC", kOk, kError, 1000, nullptr, 4, "In io", " alarm camera second:"},  // 34
    {35, "AT+IIOLRMCAMID", kOk, kError, 1000, nullptr, 4, "In io", " alarm camera id:"},  // 35
    {36, "AT+IIOLRMCAMDLY", kOk, kError, 1000, nullptr, 4, "In io", " alarm camera delay:"},  // 36
    {37, "AT+IIORLTNTYPE", kOk, kError, 1000, nullptr, 4, "In io", " related type:"},  // 37
    {38, "AT+IIORLTNVAL", kOk, kError, 1000, nullptr, 4, "In io", " related value:"},  // 38
    {39, "AT+CNTRIFOPEN", kOk, kError, 1000, nullptr, 2, "Counter", " if open:"},  // 39
    {40, "AT+CNTROP", kOk, kError, 1000, nullptr, 2, "Counter", " operation:"},  // 40
    {41, "AT+CNTRSVTIME", kOk, kError, 1000, nullptr, 2, "Counter", " save time:"},  // 41
    {43, "AT+CNTRUPTIME", kOk, kError, 1000, nullptr, 2, "Counter", " up time:"},  // 42
    {44, "AT+CNTRSHAKEMS", kOk, kError, 1000, nullptr, 2, "Counter", " shake ms:"},  // 43
    {42, "AT+CNTRIFUP", kOk, kError, 1000, nullptr, 2, "Counter", " if up:"},  // 44
    {45, "AT+CNTRPWRDLY", kOk, kError, 1000, nullptr, 2, "Counter", " power delay:"},  // 45
    {46, "AT+CNTRACCU", kOk, kError, 1000, nullptr, 2, "Counter", " accuracy:"},  // 46
    {47, "AT+CNTRELEM", kOk, kError, 1000, nullptr, 2, "Counter", " element:"},  // 47
    {48, "AT+CNTRUNIT", kOk, kError, 1000, nullptr, 2, "Counter", " unit:"},  // 48
    {49, "AT+CNTRBASEVAL", kOk, kError, 1000, nullptr, 2, "Counter", " base value:"},  // 49
    {50, "AT+CNTRCORRVAL", kOk, kError, 1000, nullptr, 2, "Counter", " corr value:"},  // 50
    {51, "AT+CNTRLRMVAL", kOk, kError, 1000, nullptr, 2, "Counter", " alarm value:"},  // 51
    {52, "AT+CNTRLRMCAMSEC", kOk, kError, 1000, nullptr, 2, "Counter", " alarm camera second:"},  // 52
    {53, "AT+CNTRLRMCAMID", kOk, kError, 1000, nullptr, 2, "Counter", " alarm camera id:"},  // 53
    {54, "AT+CNTRLRMCAMDLY", kOk, kError, 1000, nullptr, 2, "Counter", " alarm camera delay:"},  // 54
    {55, "AT+CNTRRLTNTYPE", kOk, kError, 1000, nullptr, 2, "Counter", " related type:"},  // 55
    {56, "AT+CNTRRLTNVAL", kOk, kError, 1000, nullptr, 2, "Counter", " related value:"},  // 56
    {57, "AT+ADCIFOPEN", kOk, kError, 1000, nullptr, 4, "Adc", " if open:"},  // 57
    {58, "AT+ADCCOLTIME", kOk, kError, 1000, nullptr, 4, "Adc", " collect time:"},  // 58
    {59, "AT+ADCSVTIME", kOk, kError, 1000, nullptr, 4, "Adc", " save time:"},  // 59
    {61, "AT+ADCUPTIME", kOk, kError, 1000, nullptr, 4, "Adc", " up time:"},  // 60
    {60, "AT+ADCIFUP", kOk, kError, 1000, nullptr, 4, "Adc", " if up:"},  // 61
    {62, "AT+ADCPWRDLY", kOk, kError, 1000, nullptr, 4, "Adc", " power delay:"},  // 62
    {63, "AT+ADCACCU", kOk, kError, 1000, nullptr, 4, "Adc", " accuracy:"},  // 63
    {64, "AT+ADCELEM", kOk, kError, 1000, nullptr, 4, "Adc", " element:"},  // 64
    {65, "AT+ADCUNIT", kOk, kError, 1000, nullptr, 4, "Adc", " unit:"},  // 65
    {66, "AT+ADCBASEVAL", kOk, kError, 1000, nullptr, 4, "Adc", " base value:"},  // 66
    {67, "AT+ADCCORRVAL", kOk, kError, 1000, nullptr, 4, "Adc", " corr value:"},  // 67
    {68, "AT+ADCTYPE", kOk, kError, 1000, nullptr, 4, "Adc", " type:"},  // 68
    {69, "AT+ADCUPPRNG", kOk, kError, 1000, nullptr, 4, "Adc", " upper range:"},  // 69
    {70, "AT+ADCLOWRNG", kOk, kError, 1000, nullptr, 4, "Adc", " lower range:"},  // 70
    {71, "AT+ADCUPPVAL", kOk, kError, 1000, nullptr, 4, "Adc", " upper value:"},  // 71
    {72, "AT+ADCLOWVAL", kOk, kError, 1000, nullptr, 4, "Adc", " lower value:"},  // 72
    {73, "AT+ADCLRMUPP", kOk, kError, 1000, nullptr, 4, "Adc", " alarm upper:"},  // 73
    {74, "AT+ADCLRMLOW", kOk, kError, 1000, nullptr, 4, "Adc", " alarm lower:"},  // 74
    {75, "AT+ADCLRMVAL", kOk, kError, 1000, nullptr, 4, "Adc", " alarm value:"},  // 75
    {76, "AT+ADCLRMCAMSEC", kOk, kError, 1000, nullptr, 4, "Adc", " alarm camera second:"},  // 76
    {77, "AT+ADCLRMCAMID", kOk, kError, 1000, nullptr, 4, "Adc", " alarm camera id:"},  // 77
    {78, "AT+ADCLRMCAMDLY", kOk, kError, 1000, nullptr, 4, "Adc", " alarm camera delay:"},  // 78
    {79, "AT+ADCRLTNTYPE", kOk, kError, 1000, nullptr, 4, "Adc", " related type:"},  // 79
    {80, "AT+ADCRLTNVAL", kOk, kError, 1000, nullptr, 4, "Adc", " related value:"},  // 80
    {81, "AT+COMIFOPEN", kOk, kError, 1000, nullptr, 15, "Com", " if open:"},  // 81
    {82, "AT+COMTYPE", kOk, kError, 1000, nullptr, 15, "Com", " type:"},  // 82
    {83, "AT+COMCOLTIME", kOk, kError, 1000, nullptr, 15, "Com", " collect time:"},  // 83
    {84, "AT+COMSVTIME", kOk, kError, 1000, nullptr, 15, "Com", " save time:"},  // 84
    {85, "AT+COMIFUP", kOk, kError, 1000, nullptr, 15, "Com", " if up:"},  // 85
    {86, "AT+COMUPTIME", kOk, kError, 1000, nullptr, 15, "Com", " up time:"},  // 86
    {87, "AT+COMPWRDLY", kOk, kError, 1000, nullptr, 15, "Com", " power delay:"},  // 87
    {88, "AT+COMACCU", kOk, kError, 1000, nullptr, 15, "Com", " accuracy:"},  // 88
    {89, "AT+COMELEM", kOk, kError, 1000, nullptr, 15, "Com", " element:"},  // 89
    {90, "AT+COMUNIT", kOk, kError, 1000, nullptr, 15, "Com", " unit:"},  // 90
    {91, "AT+COMBASEVAL", kOk, kError, 1000, nullptr, 15, "Com", " base value:"},  // 91
    {92, "AT+COMCORRVAL", kOk, kError, 1000, nullptr, 15, "Com", " corr value:"},  // 92
    {93, "AT+COMSPEED", kOk, kError, 1000, nullptr, 15, "Com", " speed:"},  // 93
    {94, "AT+COMPARITY", kOk, kError, 1000, nullptr, 15, "Com", " parity:"},  // 94
    {95, "AT+COMMBADDR", kOk, kError, 1000, nullptr, 15, "Com", " modbus address:"},  // 95
    {96, "AT+COMMBFUNC", kOk, kError, 1000, nullptr, 15, "Com", " modbus function:"},  // 96
    {97, "AT+COMMBREGADDR", kOk, kError, 1000, nullptr, 15, "Com", " modbus register address:"},  // 97
    {98, "AT+COMMBREGNUM", kOk, kError, 1000, nullptr, 15, "Com", " modbus register number:"},  // 98
    {99, "AT+COMMBDATTYPE", kOk, kError, 1000, nullptr, 15, "Com", " modbus data type:"},  // 99
    {100, "AT+COMLRMUPP", kOk, kError, 1000, nullptr, 15, "Com", " alarm upper:"},  // 100
    {101, "AT+COMLRMLOW", kOk, kError, 1000, nullptr, 15, "Com", " alarm lower:"},  // 101
    {102, "AT+COMLRMVAL", kOk, kError, 1000, nullptr, 15, "Com", " alarm value:"},  // 102
    {103, "AT+COMLRMCAMSEC", kOk, kError, 1000, nullptr, 15, "Com", " alarm camera second:"},  // 103
    {104, "AT+COMLRMCAMID", kOk, kError, 1000, nullptr, 15, "Com", " alarm camera id:"},  // 104
    {105, "AT+COMLRMCAMDLY", kOk, kError, 1000, nullptr, 15, "Com", " alarm camera delay:"},  // 105
    {106, "AT+COMRLTNTYPE", kOk, kError, 1000, nullptr, 15, "Com", " related type:"},  // 106
    {107, "AT+COMRLTNVAL", kOk, kError, 1000, nullptr, 15, "Com", " related value:"},  // 107
    {108, "AT+SDIIFOPEN", kOk, kError, 1000, nullptr, 0, "Sdi if open:", ""},  // 108
    {109, "AT+SDICOLTIME", kOk, kError, 1000, nullptr, 0, "Sdi collect time:", ""},  // 109
    {110, "AT+SDISVTIME", kOk, kError, 1000, nullptr, 0, "Sdi save time:", ""},  // 110
    {112, "AT+SDIUPTIME", kOk, kError, 1000, nullptr, 0, "Sdi up time:", ""},  // 111
    {111, "AT+SDIIFUP", kOk, kError, 1000, nullptr, 0, "Sdi if up:", ""},  // 112
    {113, "AT+SDIPWRDLY", kOk, kError, 1000, nullptr, 0, "Sdi power delay:", ""},  // 113
    {114, "AT+SDIACCU", kOk, kError, 1000, nullptr, 0, "Sdi accuracy:", ""},  // 114
    {115, "AT+SDIELEM", kOk, kError, 1000, nullptr, 0, "Sdi element:", ""},  // 115
    {116, "AT+SDIUNIT", kOk, kError, 1000, nullptr, 0, "Sdi unit:", ""},  // 116
    {117, "AT+SDIBASEVAL", kOk, kError, 1000, nullptr, 0, "Sdi base value:", ""},  // 117
    {118, "AT+SDICORRVAL", kOk, kError, 1000, nullptr, 0, "Sdi corr value:", ""},  // 118
    {119, "AT+SDILRMUPP", kOk, kError, 1000, nullptr, 0, "Sdi alarm upper:", ""},  // 119
    {120, "AT+SDILRMLOW", kOk, kError, 1000, nullptr, 0, "Sdi alarm lower:", ""},  // 120
    {121, "AT+SDILRMVAL", kOk, kError, 1000, nullptr, 0, "Sdi alarm value:", ""},  // 121
    {122, "AT+SDILRMCAMSEC", kOk, kError, 1000, nullptr, 0, "Sdi alarm camera second:", ""},  // 122
    {123, "AT+SDILRMCAMID", kOk, kError, 1000, nullptr, 0, "Sdi alarm camera id:", ""},  // 123
    {124, "AT+SDILRMCAMDLY", kOk, kError, 1000, nullptr, 0, "Sdi alarm camera delay:", ""},  // 124
    {125, "AT+SDIRLTNTYPE", kOk, kError, 1000, nullptr, 0, "Sdi related type:", ""},  // 125
    {126, "AT+SDIRLTNVAL", kOk, kError, 1000, nullptr, 0, "Sdi related value:", ""},  // 126
    {127, "AT+GRAYIFOPEN", kOk, kError, 1000, nullptr, 0, "Gray if open:", ""},  // 127
    {128, "AT+GRAYCOLTIME", kOk, kError, 1000, nullptr, 0, "Gray collect time:", ""},  // 128
    {129, "AT+GRAYSVTIME", kOk, kError, 1000, nullptr, 0, "Gray save time:", ""},  // 129
    {131, "AT+GRAYUPTIME", kOk, kError, 1000, nullptr, 0, "Gray up time:", ""},  // 130
    {130, "AT+GRAYIFUP", kOk, kError, 1000, nullptr, 0, "Gray if up:", ""},  // 131
    {132, "AT+GRAYPWRDLY", kOk, kError, 1000, nullptr, 0, "Gray power delay:", ""},  // 132
    {133, "AT+GRAYACCU", kOk, kError, 1000, nullptr, 0, "Gray accuracy:", ""},  // 133
    {134, "AT+GRAYELEM", kOk, kError, 1000, nullptr, 0, "Gray element:", ""},  // 134
    {135, "AT+GRAYUNIT", kOk, kError, 1000, nullptr, 0, "Gray unit:", ""},  // 135
    {136, "AT+GRAYBASEVAL", kOk, kError, 1000, nullptr, 0, "Gray base value:", ""},  // 136
    {137, "AT+GRAYCORRVAL", kOk, kError, 1000, nullptr, 0, "Gray corr value:", ""},  // 137
    {138, "AT+GRAYLRMUPP", kOk, kError, 1000, nullptr, 0, "Gray alarm upper:", ""},  // 138
    {139, "AT+GRAYLRMLOW", kOk, kError, 1000, nullptr, 0, "Gray alarm lower:", ""},  // 139
    {140, "AT+GRAYLRMVAL", kOk, kError, 1000, nullptr, 0, "Gray alarm value:", ""},  // 140
    {141, "AT+GRAYLRMCAMSEC", kOk, kError, 1000, nullptr, 0, "Gray alarm camera second:", ""},  // 141
    {142, "AT+GRAYLRMCAMID", kOk, kError, 1000, nullptr, 0, "Gray alarm camera id:", ""},  // 142
    {143, "AT+GRAYLRMCAMDLY", kOk, kError, 1000, nullptr, 0, "Gray alarm camera delay:", ""},  // 143
    {144, "AT+GRAYRLTNTYPE", kOk, kError, 1000, nullptr, 0, "Gray related type:", ""},  // 144
    {145, "AT+GRAYRLTNVAL", kOk, kError, 1000, nullptr, 0, "Gray related value:", ""},  // 145
    {146, "AT+SMSSET", kOk, kError, 1000, nullptr, 1, "Sms set:", ""},  // 146
    {147, "AT+SMSADMINNO", kOk, kError, 1000, nullptr, 1, "Sms admin no:", ""},  // 147
    {148, "AT+CAMID", kOk, kError, 1000, nullptr, 4, "camera", " id:"},  // 148
    {149, "AT+CAMTYPE", kOk, kError, 1000, nullptr, 4, "camera", " type:"},  // 149
    {150, "AT+CAMPIX", kOk, kError, 1000, nullptr, 4, "camera", " pixel:"},  // 150
    {151, "AT+CAMCOMTYPE", kOk, kError, 1000, nullptr, 4, "camera", " com type:"},  // 151
    {152, "AT+CAMCOMSPEED", kOk, kError, 1000, nullptr, 4, "camera", " com speed:"},  // 152
    {153, "AT+CAMCOMPARITY", kOk, kError, 1000, nullptr, 4, "camera", " com parity:"},  // 153
    {154, "AT+CAMUPMIN", kOk, kError, 1000, nullptr, 4, "camera", " upload min:"},  // 154
    {155, "AT+CAMTMROPEN", kOk, kError, 1000, nullptr, 10, "camera timer", " open:"},  // 155
    {156, "AT+CAMTMRHOUR", kOk, kError, 1000, nullptr, 10, "camera timer", " hour:"},  // 156
    {157, "AT+CAMTMRMIN", kOk, kError, 1000, nullptr, 10, "camera timer", " minute:"},  // 157
    {158, "AT+TRANCOMTYPE", kOk, kError, 1000, nullptr, 1, "Transfer com type:", ""},  // 158
    {159, "AT+TRANCOMSPEED", kOk, kError, 1000, nullptr, 1, "Transfer com speed:", ""},  // 159
    {160, "AT+TRANCOMPARITY", kOk, kError, 1000, nullptr, 1, "Transfer com parity:", ""},  // 160
    {161, "AT+COMSENSORTYPE", kOk, kError, 1000, nullptr, 15, "Com", " sensor type:"},  // 161
    {162, "AT+WATERORDER", kOk, kError, 1000, nullptr, 1, "Szy Water order:", ""},  // 162
    {163, "AT+YCADDRTYPE", kOk, kError, 1000, nullptr, 1, "Device address type:", ""},  // 163
    {165, "AT+SHOW", kOk, kError, 16000, ParseListing, 1, "", ""},  // 164
    {166, "AT+VER", kOk, kError, 2000, nullptr, 1, "", ""},  // 165
    {167, "AT+CSQ", kOk, kError, 5000, nullptr, 1, "", ""},  // 166
    {168, "AT+GSN", kOk, kError, 5000, nullptr, 1, "", ""},  // 167
    {169, "AT+FACTORY", kOk, kError, 2000, nullptr, 1, "", ""},  // 168
    {170, "AT+RESET", kOk, kError, 2000, nullptr, 1, "", ""},  // 169
    {171, "AT", kOk, kError, 5000, nullptr, 1, "", ""},  // 170
    {172, "AT+EXCCLK=", kOk, kError, 1000, nullptr, 1, "", ""},  // 171
    {173, "AT+RDCHNNLRCRD=", kOk, kError, 1000, nullptr, 1, "Record:", ""},  // 172
    {174, "AT+CLRCHNNLRCRD=", kOk, kError, 10000, nullptr, 1, "", ""},  // 173
    {175, "AT+TESTCAM=", kOk, kError, 1000, nullptr, 1, "", ""},  // 174
    {176, "AT+CLRUPLOSE", kOk, kError, 10000, nullptr, 1, "", ""},  // 175
    {177, "---", kCmdOk, kCmdError, 5000, nullptr, 1, "", ""},  // 176
    {178, "AT+QUIT", kOk, kError, 5000, nullptr, 1, "", ""},  // 177
    {179, "+++", kCmdOk, kCmdError, 5000, nullptr, 1, "", ""},  // 178
    {180, "AT+SETINITDATA", kOk, kError, 5000, nullptr, 1, "", ""},  // 179
};

// Only the debug port's parity (parameter 3) is shown differently from the device text.
constexpr ValueTranslation kTranslations[] = {
    {3, "8-NON-1", "8N1"},
    {3, "8-EVN-1", "8E1"},
    {3, "8-ODD-1", "8O1"},
};

}  // namespace

const ParamEntry* ParamTableEntries() { return kEntries; }

const ValueTranslation* ValueTranslations(int* count) {
  if (count) *count = static_cast<int>(sizeof(kTranslations) / sizeof(kTranslations[0]));
  return kTranslations;
}
