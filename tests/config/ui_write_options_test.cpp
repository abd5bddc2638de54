// The workspace's "写入后校验" and "快速写入" boxes: off at start; fast writing ticks and
// locks verification; a verified save logs the value the device did not keep.
#include <QCheckBox>

#include "ui_device_support.h"

TEST_F(DeviceTest, WriteOptionBoxesVerifyTheSave) {
  BoxCatcher boxes;
  EnterAndLoad(boxes);
  QCheckBox* verify = ws->VerifyWritesBox();
  QCheckBox* fast = ws->FastWriteBox();
  ASSERT_FALSE(verify->isChecked() || fast->isChecked());
  fast->setChecked(true);
  EXPECT_TRUE(verify->isChecked() && !verify->isEnabled());

  sim.SetKeepOldValue("AT+APN", 1);
  ws->Page(CfgPageId::CenterOther)->LoadFromTable(23, 0, "newapn");
  ws->Page(CfgPageId::CenterOther)->LoadFromTable(24, 0, "user2");
  Click(CRTUCfgDlg::kSaveId);
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_NE(LogFind(GBK("校验不符 Modem Apn: 写入值：newapn，设备值：CMNET\r\n")), std::string::npos)
      << Log();
  EXPECT_EQ(sim.Value("Modem user name:"), "user2");
  fast->setChecked(false);
  EXPECT_TRUE(verify->isChecked() && verify->isEnabled());
}
