#include <gtest/gtest.h>

#include <regex>

#include "base/cp936.h"
#include "download/download_log.h"

TEST(DownloadLog, StartsWithTheBannerAndTimeStampsLines) {
  DownloadLog log;
  EXPECT_EQ(log.Text(), GBK("**********************下载工具软件版本：V1.2.2**********************\r\n"));
  log.Append("Download 1 block ok\r\n");
  const std::string text = log.Text();
  ASSERT_EQ(text.compare(0, DownloadLog::Banner().size(), DownloadLog::Banner()), 0);
  EXPECT_TRUE(std::regex_match(text.substr(DownloadLog::Banner().size()),
                               std::regex(R"(<Time:\d{4}-\d\d-\d\d \d\d:\d\d:\d\d>:Download 1 block ok\r\n)")));
  log.Clear();
  EXPECT_EQ(log.Text(), DownloadLog::Banner());
}

TEST(DownloadLog, DeltaGivesTailsAndWholeTextAfterAClearOrARestart) {
  DownloadLog log;
  uint64_t epoch = 0;
  size_t shown = 0;
  std::string out;
  EXPECT_TRUE(log.Delta(epoch, shown, out));
  EXPECT_EQ(out, DownloadLog::Banner());
  log.Append("a\r\n");
  EXPECT_FALSE(log.Delta(epoch, shown, out));
  EXPECT_NE(out.find(">:a\r\n"), std::string::npos);
  EXPECT_EQ(out.find(DownloadLog::Banner()), std::string::npos);
  EXPECT_FALSE(log.Delta(epoch, shown, out));
  EXPECT_TRUE(out.empty());
  log.Clear();
  EXPECT_TRUE(log.Delta(epoch, shown, out));
  EXPECT_EQ(out, DownloadLog::Banner());

  // A line arriving at 1 MiB starts a log of that line alone, without the banner.
  const std::string chunk(4000, 'x');
  while (log.Size() < DownloadLog::kRestartChars) log.Append(chunk + "\r\n");
  log.Delta(epoch, shown, out);
  log.Append(GBK("进入升级成功！\r\n"));
  EXPECT_TRUE(log.Delta(epoch, shown, out));
  EXPECT_EQ(out, log.Text());
  const std::string line = ">:" + GBK("进入升级成功！") + "\r\n";
  EXPECT_EQ(out.rfind("<Time:", 0), 0u);
  EXPECT_EQ(out.find('\n'), out.size() - 1);
  EXPECT_EQ(out.compare(out.size() - line.size(), line.size(), line), 0);
}
