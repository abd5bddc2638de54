#include "config/cfg_outcome.h"

#include "base/cp936.h"
#include "config/cfg_machine.h"

std::string TipOf(const CfgOutcome& o) {
  const bool done = o.end == CfgEnd::kDone;
  const bool failed = o.end == CfgEnd::kFailed;
  switch (o.op) {
    case kOpLoadAll:
      if (o.end == CfgEnd::kPowerCycle) return GBK("载入参数失败，请将设备重新上电！");
      if (done && o.afterEntry) return GBK("载入RTU设备参数成功 ...\r\n");
      return {};
    case kOpFactoryReset:
      return o.end == CfgEnd::kPowerCycle ? GBK("出厂设置失败，请将设备重新上电！") : std::string();
    case kOpSetClock:
      if (done) return GBK("设置时间成功");
      return failed ? GBK("设置时间失败") : std::string();
    case kOpClearChannelRecords:
      if (done) return GBK("删除通道记录成功");
      return failed ? GBK("删除通道记录失败") : std::string();
    case kOpClearBacklog:
      if (done) return GBK("删除补传数据成功");
      return failed ? GBK("删除补传数据失败") : std::string();
    case kOpSetInitialValue:
      if (done) return GBK("设置初值成功");
      return failed ? GBK("设置初值失败") : std::string();
    default:
      return {};
  }
}
