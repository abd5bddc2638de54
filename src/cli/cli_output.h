#pragma once
// What qx310-cli prints and logs. Results go to standard output, progress and the
// machine's messages to standard error (not with --quiet), errors always to standard
// error as one line. Device texts (code page 936) are converted to UTF-8 for the
// terminal; the log file keeps the device's bytes, as the workspace's log does.
#include <cstdio>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// Which standard streams are terminals: questions are asked only on a terminal, and
// status lines are updated in place only there.
struct CliTerminals {
  bool in = false;
  bool err = false;
};

class CliOutput {
 public:
  CliOutput(std::ostream& out, std::ostream& err, bool quiet, CliTerminals terminals = {})
      : root_(this), out_(out), err_(err), quiet_(quiet), terminals_(terminals) {}
  // One device's output among several running at once: its lines go to shared's streams,
  // each after prefix and written whole under shared's lock, so that the lines of the
  // devices never mix. Nothing is updated in place and nothing is asked. shared must
  // outlive it.
  CliOutput(CliOutput& shared, std::string prefix)
      : root_(shared.root_), prefix_(shared.prefix_ + std::move(prefix)), out_(shared.out_),
        err_(shared.err_), quiet_(shared.quiet_), json_(shared.json_), terminals_{} {}

  // A result line (UTF-8) on standard output; a newline is added.
  void Result(std::string_view utf8);
  // Bytes on standard output as they are (with a prefix: each line after it).
  void ResultBytes(std::string_view bytes);
  // Progress (UTF-8) on standard error, unless quiet; a newline is added.
  void Progress(std::string_view utf8);
  // "qx310-cli: " + text on standard error, always.
  void Error(std::string_view utf8);
  // A message the user must act on (UTF-8) on standard error, even when quiet; a
  // newline is added.
  void Notice(std::string_view utf8);
  // A status line (UTF-8) on standard error, unless quiet: written after a carriage
  // return and without a newline, so that the next status overwrites it on a terminal.
  // The next line of any kind first ends it.
  void Status(std::string_view utf8);
  // A question on standard error, without a newline (the answer follows on the line).
  void Prompt(std::string_view utf8);
  // --json: standard output holds only the document of Document(); the result lines and
  // bytes go to standard error as progress does, and each error is also kept for it.
  void SetJson(bool json) { json_ = json; }
  bool Json() const { return json_; }
  // The --json document, as one line, on standard output.
  void Document(std::string_view line);
  // The errors printed so far (without "qx310-cli: ").
  std::vector<std::string> Errors() const;
  bool Quiet() const { return quiet_; }
  bool ErrIsTerminal() const { return terminals_.err; }
  bool InIsTerminal() const { return terminals_.in; }

 private:
  void Line(std::ostream& f, std::string_view prefix, std::string_view text);
  void EndStatus();

  CliOutput* root_;     // whose lock and status line the streams have (this, or the shared one)
  std::string prefix_;  // before every line
  mutable std::mutex mutex_;  // the root's guards the streams; each one's its errors_
  std::ostream& out_;
  std::ostream& err_;
  bool quiet_;
  bool json_ = false;
  CliTerminals terminals_;
  std::vector<std::string> errors_;  // this output's own, guarded by its mutex_
  bool statusOpen_ = false;  // the root's: a status line without its newline is on standard error
};

// The name that stands for standard output as -o FILE.
constexpr char kStandardOutput[] = "-";

// -o FILE's bytes: to standard output for "-", else written to the file completely or not at
// all (false with the reason in *error). The line that says where they went: a result for a
// file, progress for standard output, which holds the bytes alone.
bool WriteOutputFile(CliOutput& output, const std::string& path, std::string_view bytes,
                     std::string* error);
void SayWritten(CliOutput& output, const std::string& path, const std::string& what);

// Device text for the terminal: code page 936 → UTF-8, line ends as they were.
std::string DeviceToUtf8(std::string_view gbk);

// The answer in a command's reply text: its lines without the echoed command line,
// without empty lines and without the closing "OK", joined by "\n" (device bytes).
// sentLine is the command line as sent (with or without CR LF).
std::string AnswerLines(std::string_view reply, std::string_view sentLine);

// --log FILE: the workspace's log form, "<Time:...>:" + text, appended to the file in
// device bytes. The banner starts each run's part. Thread-safe.
class CliLogFile {
 public:
  CliLogFile() = default;
  ~CliLogFile();
  CliLogFile(const CliLogFile&) = delete;
  CliLogFile& operator=(const CliLogFile&) = delete;

  // Opens (appends to) path and writes the banner: the workspace's, or the one given
  // (the download tool's for flash). False with a reason.
  bool Open(const std::string& path, std::string& error);
  bool Open(const std::string& path, std::string& error, const std::string& banner);
  // One entry; nothing for an empty text or when no file is open.
  void Append(const std::string& text);
  // False once a write failed.
  bool Good() const;

 private:
  mutable std::mutex mutex_;
  std::FILE* file_ = nullptr;
  bool good_ = true;
};
