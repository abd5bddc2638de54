#include "sim/sim_params.h"

#include <cstring>
#include <string>

#include "base/cp936.h"

namespace {

// One parameter family of the device: its setter word, how many instances it
// has, the two parts of its listing label and its factory value. A factory
// value of "{n}" is the instance number, "{chn}" the channel's hardware kind.
struct Family {
  const char* word;
  int count;
  const char* prefix;
  const char* suffix;
  const char* factory;
};

// The device's parameters in the order it lists them.
const Family kFamilies[] = {
    {"AT+PROTWRK", 1, "Protocol work type:", "", "0"},
    {"AT+DEBUG", 1, "Debug Level:", "", "0"},
    {"AT+DBGCOMSPEED", 1, "Debug com baudrate:", "", "115200"},
    {"AT+DBGCOMPARITY", 1, "Debug com parity:", "", "8-NON-1"},
    {"AT+YCADDR", 1, "Device address:", "", "0012345678"},
    {"AT+CNTRADDR", 1, "Center address:", "", "01"},
    {"AT+COMUPASS", 1, "Communication password:", "", "0000"},
    {"AT+PROTTXT", 1, "Protocol text type:", "", "1"},
    {"AT+UPHOURS", 1, "Upload hours:", "", "1"},
    {"AT+UPNTRHOU", 1, "Upload interval hours:", "", "1"},
    {"AT+UPNTRMIN", 1, "Upload interval min:", "", "5"},
    {"AT+UPLRMMIN", 1, "Upload alarm min:", "", "5"},
    {"AT+RAINBGNHOUR", 1, "Rain begin hour:", "", "8"},
    {"AT+IFUPBYLOSE", 1, "If upload by lose:", "", "1"},
    {"AT+SIMNO", 1, "Sim No:", "", "13900000000"},
    {"AT+YCTYPE", 1, "Yc type:", "", "0"},
    {"AT+UPSTEPMIN", 1, "Upload step min:", "", "5"},
    {"AT+PWRLOWVOLT", 1, "Power low volt:", "", "11.5"},
    {"AT+SERNUM", 1, "Total Servers:", "", "2"},
    {"AT+TRANMODE", 8, "Server", "'s transfer mode:", "0"},
    {"AT+MULTISER", 8, "Server", "'s Ip:", "0.0.0.0"},
    {"AT+MULTIPORT", 8, "Server", "'s port:", "0"},
    {"AT+MULTIDNS", 2, "Server", "'s dns ip:", "114.114.114.114"},
    {"AT+APN", 1, "Modem Apn:", "", "CMNET"},
    {"AT+USERNAME", 1, "Modem user name:", "", "card"},
    {"AT+USERPASSWORD", 1, "Modem user pasword:", "", "card"},
    {"AT+CALLNO", 1, "Modem call NO:", "", "*99***1#"},
    {"AT+HRTSEC", 1, "Heart second:", "", "60"},
    {"AT+RECONSEC", 1, "Reconnect second:", "", "30"},
    {"AT+LCPECHOSEC", 1, "Lcp echo second:", "", "30"},
    {"AT+CHNNLTYPE", 30, "Channel", " type:", "{chn}"},
    {"AT+CHNSVLEN", 30, "Channel", " save length:", "4"},
    {"AT+IIOIFOPEN", 4, "In io", " if open:", "0"},
    {"AT+IIOLRMOP", 4, "In io", " alarm operation:", "0"},
    {"AT+IIOLRMCAMSEC", 4, "In io", " alarm camera second:", "0"},
    {"AT+IIOLRMCAMID", 4, "In io", " alarm camera id:", "0"},
    {"AT+IIOLRMCAMDLY", 4, "In io", " alarm camera delay:", "0"},
    {"AT+IIORLTNTYPE", 4, "In io", " related type:", "0"},
    {"AT+IIORLTNVAL", 4, "In io", " related value:", "0"},
    {"AT+CNTRIFOPEN", 2, "Counter", " if open:", "1"},
    {"AT+CNTROP", 2, "Counter", " operation:", "1"},
    {"AT+CNTRSVTIME", 2, "Counter", " save time:", "5"},
    {"AT+CNTRUPTIME", 2, "Counter", " up time:", "5"},
    {"AT+CNTRSHAKEMS", 2, "Counter", " shake ms:", "20"},
    {"AT+CNTRIFUP", 2, "Counter", " if up:", "1"},
    {"AT+CNTRPWRDLY", 2, "Counter", " power delay:", "0"},
    {"AT+CNTRACCU", 2, "Counter", " accuracy:", "0.5"},
    {"AT+CNTRELEM", 2, "Counter", " element:", "0"},
    {"AT+CNTRUNIT", 2, "Counter", " unit:", "mm"},
    {"AT+CNTRBASEVAL", 2, "Counter", " base value:", "0"},
    {"AT+CNTRCORRVAL", 2, "Counter", " corr value:", "0"},
    {"AT+CNTRLRMVAL", 2, "Counter", " alarm value:", "50"},
    {"AT+CNTRLRMCAMSEC", 2, "Counter", " alarm camera second:", "0"},
    {"AT+CNTRLRMCAMID", 2, "Counter", " alarm camera id:", "0"},
    {"AT+CNTRLRMCAMDLY", 2, "Counter", " alarm camera delay:", "0"},
    {"AT+CNTRRLTNTYPE", 2, "Counter", " related type:", "0"},
    {"AT+CNTRRLTNVAL", 2, "Counter", " related value:", "0"},
    {"AT+ADCIFOPEN", 4, "Adc", " if open:", "1"},
    {"AT+ADCCOLTIME", 4, "Adc", " collect time:", "5"},
    {"AT+ADCSVTIME", 4, "Adc", " save time:", "5"},
    {"AT+ADCUPTIME", 4, "Adc", " up time:", "5"},
    {"AT+ADCIFUP", 4, "Adc", " if up:", "1"},
    {"AT+ADCPWRDLY", 4, "Adc", " power delay:", "1000"},
    {"AT+ADCACCU", 4, "Adc", " accuracy:", "0.01"},
    {"AT+ADCELEM", 4, "Adc", " element:", "0"},
    {"AT+ADCUNIT", 4, "Adc", " unit:", "米"},
    {"AT+ADCBASEVAL", 4, "Adc", " base value:", "0"},
    {"AT+ADCCORRVAL", 4, "Adc", " corr value:", "0"},
    {"AT+ADCTYPE", 4, "Adc", " type:", "0"},
    {"AT+ADCUPPRNG", 4, "Adc", " upper range:", "20"},
    {"AT+ADCLOWRNG", 4, "Adc", " lower range:", "4"},
    {"AT+ADCUPPVAL", 4, "Adc", " upper value:", "10"},
    {"AT+ADCLOWVAL", 4, "Adc", " lower value:", "0"},
    {"AT+ADCLRMUPP", 4, "Adc", " alarm upper:", "9.5"},
    {"AT+ADCLRMLOW", 4, "Adc", " alarm lower:", "0.5"},
    {"AT+ADCLRMVAL", 4, "Adc", " alarm value:", "0"},
    {"AT+ADCLRMCAMSEC", 4, "Adc", " alarm camera second:", "0"},
    {"AT+ADCLRMCAMID", 4, "Adc", " alarm camera id:", "0"},
    {"AT+ADCLRMCAMDLY", 4, "Adc", " alarm camera delay:", "0"},
    {"AT+ADCRLTNTYPE", 4, "Adc", " related type:", "0"},
    {"AT+ADCRLTNVAL", 4, "Adc", " related value:", "0"},
    {"AT+COMIFOPEN", 15, "Com", " if open:", "0"},
    {"AT+COMTYPE", 15, "Com", " type:", "0"},
    {"AT+COMCOLTIME", 15, "Com", " collect time:", "5"},
    {"AT+COMSVTIME", 15, "Com", " save time:", "5"},
    {"AT+COMIFUP", 15, "Com", " if up:", "0"},
    {"AT+COMUPTIME", 15, "Com", " up time:", "5"},
    {"AT+COMPWRDLY", 15, "Com", " power delay:", "0"},
    {"AT+COMACCU", 15, "Com", " accuracy:", "0.01"},
    {"AT+COMELEM", 15, "Com", " element:", "0"},
    {"AT+COMUNIT", 15, "Com", " unit:", "m"},
    {"AT+COMBASEVAL", 15, "Com", " base value:", "0"},
    {"AT+COMCORRVAL", 15, "Com", " corr value:", "0"},
    {"AT+COMSPEED", 15, "Com", " speed:", "9600"},
    {"AT+COMPARITY", 15, "Com", " parity:", "8N1"},
    {"AT+COMMBADDR", 15, "Com", " modbus address:", "1"},
    {"AT+COMMBFUNC", 15, "Com", " modbus function:", "3"},
    {"AT+COMMBREGADDR", 15, "Com", " modbus register address:", "0"},
    {"AT+COMMBREGNUM", 15, "Com", " modbus register number:", "2"},
    {"AT+COMMBDATTYPE", 15, "Com", " modbus data type:", "0"},
    {"AT+COMLRMUPP", 15, "Com", " alarm upper:", "0"},
    {"AT+COMLRMLOW", 15, "Com", " alarm lower:", "0"},
    {"AT+COMLRMVAL", 15, "Com", " alarm value:", "0"},
    {"AT+COMLRMCAMSEC", 15, "Com", " alarm camera second:", "0"},
    {"AT+COMLRMCAMID", 15, "Com", " alarm camera id:", "0"},
    {"AT+COMLRMCAMDLY", 15, "Com", " alarm camera delay:", "0"},
    {"AT+COMRLTNTYPE", 15, "Com", " related type:", "0"},
    {"AT+COMRLTNVAL", 15, "Com", " related value:", "0"},
    {"AT+SMSSET", 1, "Sms set:", "", "0"},
    {"AT+SMSADMINNO", 1, "Sms admin no:", "", "13800000000"},
    {"AT+CAMID", 4, "camera", " id:", "{n}"},
    {"AT+CAMTYPE", 4, "camera", " type:", "0"},
    {"AT+CAMPIX", 4, "camera", " pixel:", "1"},
    {"AT+CAMCOMTYPE", 4, "camera", " com type:", "0"},
    {"AT+CAMCOMSPEED", 4, "camera", " com speed:", "115200"},
    {"AT+CAMCOMPARITY", 4, "camera", " com parity:", "8N1"},
    {"AT+CAMUPMIN", 4, "camera", " upload min:", "60"},
    {"AT+CAMTMROPEN", 10, "camera timer", " open:", "0"},
    {"AT+CAMTMRHOUR", 10, "camera timer", " hour:", "8"},
    {"AT+CAMTMRMIN", 10, "camera timer", " minute:", "0"},
    {"AT+TRANCOMTYPE", 1, "Transfer com type:", "", "0"},
    {"AT+TRANCOMSPEED", 1, "Transfer com speed:", "", "9600"},
    {"AT+TRANCOMPARITY", 1, "Transfer com parity:", "", "8N1"},
    {"AT+COMSENSORTYPE", 15, "Com", " sensor type:", "0"},
    {"AT+WATERORDER", 1, "Szy Water order:", "", "0"},
    {"AT+YCADDRTYPE", 1, "Device address type:", "", "0"},
};
constexpr int kFamilyCount = sizeof(kFamilies) / sizeof(kFamilies[0]);

// The debug port's parity is set in the short form and kept in the long one.
constexpr const char* kDebugParityWord = "AT+DBGCOMPARITY";
const struct {
  const char* shortForm;
  const char* longForm;
} kParityForms[] = {{"8N1", "8-NON-1"}, {"8E1", "8-EVN-1"}, {"8O1", "8-ODD-1"}};

constexpr size_t kMaxValueLength = 199;

// Factory layout of the 30 channels: 4 analog inputs, 2 counters, 4 digital
// inputs, 15 serial sensors, 5 unused.
std::string ChannelKind(int channel) {
  if (channel <= 4) return std::to_string(200 + channel);
  if (channel <= 6) return std::to_string(300 + channel - 4);
  if (channel <= 10) return std::to_string(100 + channel - 6);
  if (channel <= 25) return std::to_string(400 + channel - 10);
  return "0";
}

std::string FactoryValue(const Family& f, int instance) {
  if (std::strcmp(f.factory, "{n}") == 0) return std::to_string(instance);
  if (std::strcmp(f.factory, "{chn}") == 0) return ChannelKind(instance);
  if (std::strcmp(f.word, "AT+MULTISER") == 0 && instance <= 2)
    return instance == 1 ? "218.94.1.66" : "218.94.1.67";
  if (std::strcmp(f.word, "AT+MULTIPORT") == 0 && instance <= 2) return "6000";
  if (std::strcmp(f.word, "AT+TRANMODE") == 0 && instance <= 2) return "1";
  // Source texts are UTF-8; the device keeps code page 936.
  return cp936::FromUtf8(f.factory);
}

// Channel families are numbered with two digits; every other family plainly.
std::string LabelOf(const Family& f, int instance) {
  if (f.count == 1) return f.prefix;
  std::string n = std::to_string(instance);
  if (f.count > 9 && std::strcmp(f.prefix, "Channel") == 0 && instance < 10) n = "0" + n;
  return std::string(f.prefix) + n + f.suffix;
}

bool IsSingleToken(std::string_view v) {
  for (char c : v) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7F) return false;
  }
  return true;
}

}  // namespace

SimParams::SimParams() {
  for (int i = 0; i < kFamilyCount; ++i)
    for (int n = 1; n <= kFamilies[i].count; ++n)
      slots_.push_back({i, n, LabelOf(kFamilies[i], n), std::string()});
  FactoryReset();
}

void SimParams::FactoryReset() {
  for (Slot& s : slots_) s.value = FactoryValue(kFamilies[s.family], s.instance);
}

std::string SimParams::Listing(size_t valueWidth, std::string_view omit) const {
  std::string out;
  out.reserve(slots_.size() * (40 + valueWidth));
  for (const Slot& s : slots_) {
    if (!omit.empty() && s.label == omit) continue;
    out += s.label;
    out += "  ";
    std::string value = s.value.empty() ? std::string(".") : s.value;
    if (value.size() < valueWidth) value.resize(valueWidth, '_');
    out += value;
    out += "\r\n";
  }
  return out;
}

const std::string* SimParams::Find(std::string_view label) const {
  for (const Slot& s : slots_)
    if (s.label == label) return &s.value;
  return nullptr;
}

bool SimParams::Set(std::string_view label, std::string value) {
  for (Slot& s : slots_) {
    if (s.label == label) {
      s.value = std::move(value);
      return true;
    }
  }
  return false;
}

SimParams::SetResult SimParams::ApplySetter(std::string_view word, std::string_view value) {
  // Find the family: the whole word for single parameters, the word without
  // its two-digit instance number for the others.
  int family = -1;
  int instance = 1;
  for (int i = 0; i < kFamilyCount && family < 0; ++i) {
    const Family& f = kFamilies[i];
    size_t len = std::strlen(f.word);
    if (word.size() < len || word.compare(0, len, f.word) != 0) continue;
    std::string_view rest = word.substr(len);
    if (f.count == 1) {
      if (rest.empty()) family = i;
      continue;
    }
    if (rest.size() == 2 && rest[0] >= '0' && rest[0] <= '9' && rest[1] >= '0' && rest[1] <= '9') {
      family = i;
      instance = (rest[0] - '0') * 10 + (rest[1] - '0');
    }
  }
  if (family < 0) return SetResult::UnknownWord;
  const Family& f = kFamilies[family];
  if (instance < 1 || instance > f.count) return SetResult::BadInstance;
  if (value.size() > kMaxValueLength || !IsSingleToken(value)) return SetResult::BadValue;

  std::string stored(value);
  if (std::strcmp(f.word, kDebugParityWord) == 0) {
    bool known = false;
    for (const auto& p : kParityForms) {
      if (value == p.shortForm || value == p.longForm) {
        stored = p.longForm;
        known = true;
      }
    }
    if (!known) return SetResult::BadValue;
  }
  for (Slot& s : slots_) {
    if (s.family == family && s.instance == instance) {
      s.value = std::move(stored);
      break;
    }
  }
  return SetResult::Stored;
}

int SimParams::InstanceCount() const { return static_cast<int>(slots_.size()); }

std::vector<std::string> SimParams::Labels() const {
  std::vector<std::string> out;
  out.reserve(slots_.size());
  for (const Slot& s : slots_) out.push_back(s.label);
  return out;
}
