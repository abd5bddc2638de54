// The manual page against the declarations --help is made from.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>

#include "app/app_options.h"
#include "cli/cli_options.h"
#include "sim/sim_usage.h"

namespace {

// The page as man shows it, near enough: "\-" is "-", font changes are dropped.
std::string PageText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string roff(std::istreambuf_iterator<char>(in), {});
  std::string t;
  for (size_t i = 0; i < roff.size(); ++i) {
    if (roff[i] == '\\' && i + 1 < roff.size() && roff[i + 1] == '-') {
      t += '-';
      ++i;
    } else if (roff[i] == '\\' && i + 2 < roff.size() && roff[i + 1] == 'f') {
      i += 2;
    } else if (roff[i] != '"') {
      t += roff[i];
    }
  }
  return t;
}

std::string Section(const std::string& page, const std::string& name) {
  const size_t start = page.find(".SH " + name);
  if (start == std::string::npos) return {};
  return page.substr(start, page.find(".SH ", start + 4) - start);
}

bool HasWord(const std::string& text, const std::string& word) {
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    const bool before = at == 0 || std::string(" \n[,\"|(").find(text[at - 1]) != std::string::npos;
    const char next = at + word.size() < text.size() ? text[at + word.size()] : ' ';
    if (before && std::string(" \n],.;=\"|)").find(next) != std::string::npos) return true;
  }
  return false;
}

TEST(CliManual, EveryCommandAndOptionOfTheHelpIsOnThePage) {
  const std::string page = PageText(QX310_MAN_DIR "/qx310-cli.1");
  ASSERT_FALSE(page.empty());
  const std::string commands = Section(page, "COMMANDS"), options = Section(page, "OPTIONS");
  for (const CliCommandInfo& c : CliCommandTable())
    EXPECT_TRUE(HasWord(commands, c.name)) << "command " << c.name << " is not in COMMANDS";
  for (const CliOptionInfo& o : CliOptionTable()) {
    EXPECT_TRUE(HasWord(options, LongName(o))) << o.names << " is not in OPTIONS";
    if (!ShortName(o).empty()) {
      EXPECT_TRUE(HasWord(options, ShortName(o))) << o.names << ": its short form is not in OPTIONS";
    }
  }
  EXPECT_TRUE(HasWord(Section(page, "ENVIRONMENT"), kPortVariable));
  // The check itself finds a missing word.
  EXPECT_FALSE(HasWord(options, "--no-such-option"));
  EXPECT_FALSE(HasWord(options, "--por"));
}

// The options a usage text names: every "--word" and "-x" that starts a word.
std::set<std::string> UsageOptions(const std::string& usage) {
  std::set<std::string> options;
  static const std::regex kOption(R"((?:^|[\s,\[])(--?[a-z][a-z0-9-]*))");
  for (auto it = std::sregex_iterator(usage.begin(), usage.end(), kOption); it != std::sregex_iterator(); ++it)
    options.insert((*it)[1].str());
  return options;
}

TEST(ProgramManuals, EveryOptionOfTheSimulatorsAndTheDesktopProgramsHelpIsOnTheirPages) {
  const struct {
    const char* page;
    const char* usage;
    size_t atLeast;  // options the usage names, so that a broken reading cannot pass
  } programs[] = {{QX310_MAN_DIR "/qx310-sim.1", kSimUsage, 23}, {QX310_MAN_DIR "/qx310-tools.1", kAppUsage, 8}};
  for (const auto& p : programs) {
    const std::string options = Section(PageText(p.page), "OPTIONS");
    ASSERT_FALSE(options.empty()) << p.page;
    const std::set<std::string> named = UsageOptions(p.usage);
    EXPECT_GE(named.size(), p.atLeast) << p.page;
    for (const std::string& o : named) EXPECT_TRUE(HasWord(options, o)) << o << " is not in OPTIONS of " << p.page;
  }
  EXPECT_EQ(UsageOptions("usage: x [--demo] [--port NAME]...\n  --help, -h   this (e.g. ---)\n"),
            (std::set<std::string>{"--demo", "--port", "--help", "-h"}));
  EXPECT_EQ(UsageOptions(kSimUsage).count("--picture-oversize"), 1u);
  EXPECT_EQ(UsageOptions(kAppUsage).count("--open"), 1u);
}

// What bash completes for the words (the last one being completed) with the script.
std::string Completions(const std::string& script, const std::string& words) {
  char path[] = "/tmp/qx-completion-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return "mkstemp failed";
  close(fd);
  std::ofstream(path, std::ios::binary) << script;
  const std::string command = "bash -c 'source " + std::string(path) + "; COMP_WORDS=(" + words +
                              "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _qx310_cli; "
                              "echo \"${COMPREPLY[*]}\"' 2>&1";
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
    pclose(p);
  }
  std::remove(path);
  return out;
}

TEST(CliCompletion, CompletesCommandsAndEachCommandsOwnOptions) {
  const std::string script = BashCompletionScript();
  for (const CliCommandInfo& c : CliCommandTable()) EXPECT_TRUE(HasWord(script, c.name)) << c.name;
  for (const CliOptionInfo& o : CliOptionTable()) EXPECT_TRUE(HasWord(script, LongName(o))) << o.names;
  EXPECT_EQ(Completions(script, "qx310-cli cle"), "clear-records clear-backlog\n");
  EXPECT_EQ(Completions(script, "qx310-cli apply --d"), "--dry-run\n");
  EXPECT_EQ(Completions(script, "qx310-cli load --d"), "\n");  // not an option of load
  EXPECT_EQ(Completions(script, "qx310-cli -q snapshot --ca"), "--camera\n");
  EXPECT_EQ(Completions(script, "qx310-cli apply --encoding u"), "utf-8\n");
}

}  // namespace
