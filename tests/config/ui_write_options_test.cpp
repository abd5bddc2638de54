// The workspace's "写入后校验" and "快速写入" boxes against the simulated device: saving
// with verification reports a value the device did not keep; fast writing ticks and
// locks verification and still lands every value on a slow device.
#include <QCheckBox>

#include "ui_device_support.h"

TEST_F(DeviceTest, WriteOptionsVerifyAndFastWriteWithFallBack) {
  BoxCatcher boxes;
  EnterAndLoad(boxes);
  QCheckBox* verify = ws->VerifyWritesBox();
  QCheckBox* fast = ws->FastWriteBox();
  EXPECT_EQ(verify->text(), QStringLiteral("写入后校验"));
  EXPECT_EQ(fast->text(), QStringLiteral("快速写入"));
  ASSERT_FALSE(verify->isChecked());  // the specified behaviour unless asked for
  ASSERT_FALSE(fast->isChecked());

  // Verification: the device answers OK to the APN but keeps its value.
  verify->setChecked(true);
  sim.SetKeepOldValue("AT+APN", 1);
  ws->Page(CfgPageId::CenterOther)->LoadFromTable(23, 0, "newapn");
  Click(CRTUCfgDlg::kSaveId);
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_NE(LogFind(GBK("校验不符 Modem Apn: 写入值：newapn，设备值：CMNET\r\n")), std::string::npos)
      << Log();
  EXPECT_EQ(sim.CountReceived("AT+SHOW"), 2);  // the load and the verification

  // Fast writing locks verification on; a slow device makes it fall back, and the
  // values still land: the APN again (it differs still) and user name.
  fast->setChecked(true);
  EXPECT_TRUE(verify->isChecked());
  EXPECT_FALSE(verify->isEnabled());
  sim.SetSlowDevice(500);
  ws->Page(CfgPageId::CenterOther)->LoadFromTable(24, 0, "user2");
  const size_t from = Log().size();
  Click(CRTUCfgDlg::kSaveId);
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_EQ(sim.Value("Modem Apn:"), "newapn");
  EXPECT_EQ(sim.Value("Modem user name:"), "user2");
  EXPECT_GT(sim.DroppedLines(), 0);
  EXPECT_NE(LogFind(GBK("快速写入遇到异常"), from), std::string::npos) << Log();
  EXPECT_NE(LogFind(GBK("写入后校验：全部参数与写入值一致"), from), std::string::npos) << Log();

  fast->setChecked(false);
  EXPECT_TRUE(verify->isEnabled());
}
