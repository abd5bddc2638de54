// The review before a write and offline editing, against the simulated device: the
// review lists what the write then sends, an unticked row stays off the wire, a
// cancelled review sends nothing; a .cfg edited offline saves exactly its edited lines
// and, applied later, sends exactly those setters.
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>

#include "config/ui/write_review_dlg.h"
#include "ui_device_support.h"

namespace {

std::string Slurp(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The lines (CR LF ended) of b that differ from a's at the same place.
std::vector<std::string> ChangedLines(const std::string& a, const std::string& b) {
  auto split = [](const std::string& t) {
    std::vector<std::string> lines;
    for (size_t at = 0, end; at < t.size(); at = end + 2) {
      end = t.find("\r\n", at);
      if (end == std::string::npos) end = t.size();
      lines.push_back(t.substr(at, end - at));
    }
    return lines;
  };
  const auto la = split(a), lb = split(b);
  std::vector<std::string> changed;
  if (la.size() != lb.size()) return {"line counts differ"};
  for (size_t i = 0; i < la.size(); ++i)
    if (la[i] != lb[i]) changed.push_back(lb[i]);
  return changed;
}

std::vector<std::string> Labels(const WritePlan& plan) {
  std::vector<std::string> labels;
  for (const WritePlanRow& row : plan) labels.push_back(row.label + "=" + row.newValue);
  return labels;
}

using Strings = std::vector<std::string>;

TEST_F(DeviceTest, ReviewListsWhatIsSentAndUntickedOrCancelledRowsStayOffTheWire) {
  BoxCatcher boxes;
  EnterAndLoad(boxes);
  ws->LoadFromTable(23, 0, "CMIOT");  // "中心其它参数"
  ws->LoadFromTable(31, 6, "9");      // channel 7
  ws->LoadFromTable(4, 0, "12345679");  // "终端参数"
  sim.ClearReceived();

  // Cancelled: nothing is sent, the workspace stays idle with its buttons.
  ws->review = [](WriteSelection&) { return false; };
  Click(CRTUCfgDlg::kSaveId);
  ASSERT_EQ(ws->reviews.size(), 1u);
  EXPECT_EQ(Labels(ws->reviews[0]), (Strings{"Device address=12345679", "Modem Apn=CMIOT",
                                             "Channel07 save length=9"}));
  EXPECT_TRUE(WaitIdle(1000));
  EXPECT_TRUE(Setters().empty());

  // Channel 7's row unticked: the other two go out, in the review's order.
  ws->review = [](WriteSelection& s) { return s.erase({31, 6}) == 1; };
  Click(CRTUCfgDlg::kSaveId);
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_EQ(Setters(), (Strings{"AT+YCADDR=12345679", "AT+APN=CMIOT"}));

  // The unticked row is what the next review shows; with everything written, none.
  ws->review = {};
  Click(CRTUCfgDlg::kSaveId);
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_EQ(Labels(ws->reviews.back()), (Strings{"Channel07 save length=9"}));
  EXPECT_EQ(Setters().back(), "AT+CHNSVLEN07=9");
  const size_t reviews = ws->reviews.size();
  Click(CRTUCfgDlg::kSaveId);
  EXPECT_EQ(ws->reviews.size(), reviews);  // nothing to send: no review, said in the log
  EXPECT_NE(LogFind(GBK("没有需要写入的参数")), std::string::npos);
  EXPECT_EQ(Setters().size(), 3u);
}

TEST_F(DeviceTest, OfflineEditSavesExactlyTheEditedLinesAndSendsExactlyTheirSetters) {
  BoxCatcher boxes;
  EnterAndLoad(boxes);
  QTemporaryDir dir;
  const QString loaded = dir.filePath(QStringLiteral("loaded.cfg"));
  ws->savePath = loaded;
  ws->SaveConfigToFile();
  const std::string original = Slurp(loaded);
  ASSERT_FALSE(original.empty());

  // Refused files leave the workspace as it was.
  std::ofstream(dir.filePath(QStringLiteral("junk.cfg")).toStdString()) << "no parameter\r\n";
  EXPECT_FALSE(ws->OpenOffline(dir.filePath(QStringLiteral("junk.cfg"))));
  EXPECT_FALSE(ws->OpenOffline(dir.filePath(QStringLiteral("none.cfg"))));
  EXPECT_FALSE(ws->Offline());
  EXPECT_EQ(GetParamText(23, 0), "CMNET");

  ResetParamValues();  // a fresh session: the file alone fills the pages
  ASSERT_TRUE(ws->OpenOffline(loaded));
  EXPECT_EQ(ws->SaveToTable(23, 0), "CMNET");
  QCoreApplication::processEvents();
  for (int id : {CRTUCfgDlg::kLoadId, CRTUCfgDlg::kSaveId, CRTUCfgDlg::kFactoryId,
                 CRTUCfgDlg::kRestartId, CRTUCfgDlg::kLoadFileId})
    EXPECT_FALSE(ws->Button(id)->isEnabled()) << id;
  EXPECT_TRUE(ws->Button(CRTUCfgDlg::kSaveFileId)->isEnabled());
  EXPECT_NE(LogFind(GBK("未连接设备，设备操作不可用")), std::string::npos);

  // Unedited, the save is the device-loaded file byte for byte.
  const QString same = dir.filePath(QStringLiteral("same.cfg"));
  ws->savePath = same;
  ws->SaveConfigToFile();
  EXPECT_EQ(Slurp(same), original);

  // One channel value and one station value edited: exactly those two lines change.
  sim.ClearReceived();
  ws->LoadFromTable(31, 6, "9");
  ws->LoadFromTable(4, 0, "12345679");
  ws->SaveParameters();  // a device operation: refused, said in the log
  const QString edited = dir.filePath(QStringLiteral("edited.cfg"));
  ws->savePath = edited;
  ws->SaveConfigToFile();
  EXPECT_EQ(ChangedLines(original, Slurp(edited)),
            (Strings{"Device address:  12345679", "Channel07 save length:  9"}));
  EXPECT_TRUE(sim.ReceivedCommands().empty());
  EXPECT_NE(LogFind(GBK("离线编辑中，设备操作不可用")), std::string::npos);

  // Back on the device (a load ends offline editing; it is still in its configuration
  // state), the file sends its two setters.
  ws->RequestLoad();
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_FALSE(ws->Offline());
  ws->openPath = edited;
  ws->LoadConfigFromFile();
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_EQ(Setters(), (Strings{"AT+YCADDR=12345679", "AT+CHNSVLEN07=9"}));
  EXPECT_EQ(Labels(ws->reviews.back()), (Strings{"Device address=12345679", "Channel07 save length=9"}));
}

TEST(WriteReviewDlg, EveryRowStartsTickedAndAnUntickedRowIsLeftOut) {
  const WritePlan plan = {{.id = 4, .index = 0, .label = "Device address", .deviceValue = "12345678", .newValue = "12345679"},
                          {.id = 23, .index = 0, .label = "Modem Apn", .deviceValue = "CMNET", .newValue = GBK("专网")},
                          {.id = 31, .index = 6, .label = "Channel07 save length", .deviceValue = "4", .newValue = "9"}};
  CWriteReviewDlg dialog(plan);
  dialog.show();
  QTableWidget* table = dialog.Table();
  ASSERT_EQ(table->rowCount(), 3);
  EXPECT_EQ(table->item(1, 2)->text(), QStringLiteral("专网"));
  EXPECT_EQ(dialog.Selection(), SelectAll(plan));
  table->item(2, 0)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(dialog.Selection(), (WriteSelection{{4, 0}, {23, 0}}));
  if (const char* shot = std::getenv("QX310_REVIEW_SHOT")) dialog.grab().save(QString::fromLocal8Bit(shot));
  dialog.CancelButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

}  // namespace
