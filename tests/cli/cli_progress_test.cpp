// flash's progress: the text, in place on a terminal or a line per tenth otherwise,
// passes that start over; the status line on standard error and the lines after it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_flash.h"
#include "cli/cli_output.h"

namespace {

using Lines = std::vector<std::string>;

// The texts shown for a sequence of updates ("" = nothing shown).
Lines Feed(FlashProgress& p, const std::vector<int>& counts) {
  Lines out;
  for (int k : counts) out.push_back(p.Update(k));
  return out;
}


TEST(FlashProgress, InPlaceEveryBlockWithATextThatKeepsItsWidth) {
  EXPECT_EQ(FlashProgress::Text(12, 256), "block  12/256   4%");
  EXPECT_EQ(FlashProgress::Text(0, 256).size(), FlashProgress::Text(256, 256).size());
  EXPECT_EQ(FlashProgress::Text(255, 256), "block 255/256  99%");  // rounded down: 100% only at the end
  FlashProgress p(true);
  p.Begin(3);
  EXPECT_EQ(Feed(p, {1, 2, 3}), (Lines{"block 1/3  33%", "block 2/3  66%", "block 3/3 100%"}));
}

// One line per tenth of a whole image, and short images: qx310-cli flash as a process.
TEST(FlashProgress, WithoutATerminalEachPassShowsItsTenthsFromTheStart) {
  FlashProgress p(false);
  // A pass that fails after 20 blocks: the next pass shows its tenths again from the start.
  p.Begin(100);
  EXPECT_EQ(Feed(p, {9, 10, 11, 20}), (Lines{"", "block  10/100  10%", "", "block  20/100  20%"}));
  EXPECT_EQ(Feed(p, {1, 10}), (Lines{"", "block  10/100  10%"}));
  // Failed at the same count as before: still a new pass.
  EXPECT_EQ(Feed(p, {10}), (Lines{"block  10/100  10%"}));
}

TEST(CliOutputStatus, AStatusLineIsOverwrittenAndEndedByTheNextLine) {
  std::ostringstream out, err;
  CliOutput o(out, err, false);
  o.Status("block 1/2  50%");
  o.Status("block 2/2 100%");
  o.Result("done");
  o.Progress("next");
  o.Status("block 1/2  50%");
  o.Error("failed");
  o.Notice("power up");
  EXPECT_EQ(out.str(), "done\n");
  EXPECT_EQ(err.str(), "\rblock 1/2  50%\rblock 2/2 100%\nnext\n\rblock 1/2  50%\nqx310-cli: failed\npower up\n");

  // Quiet: no status and no progress, but errors and notices the user must act on.
  std::ostringstream quietErr;
  CliOutput q(out, quietErr, true);
  q.Status("block 1/2  50%");
  q.Progress("next");
  q.Notice("power up");
  q.Error("failed");
  EXPECT_EQ(quietErr.str(), "power up\nqx310-cli: failed\n");
}

}  // namespace
