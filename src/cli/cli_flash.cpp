#include "cli/cli_flash.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/utf8_path.h"
#include "cli/cli_device.h"
#include "cli/cli_interrupt.h"
#include "cli/cli_options.h"
#include "cli/cli_output.h"
#include "cli/cli_status.h"
#include "download/block_frame.h"
#include "download/download_worker.h"
#include "download/firmware_image.h"

namespace {

// How often (unscaled) the waiting command looks at Ctrl-C and the port.
constexpr int kCheckMs = 100;

std::string WithoutLineEnd(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

const std::string kLengthRule =
    "a firmware image has 1 to " + std::to_string(boot::kImageLimit - 1) + " bytes";

}  // namespace

// ---- progress ----

void FlashProgress::Begin(int blocks) {
  blocks_ = blocks;
  last_ = 0;
  tenths_ = 0;
}

std::string FlashProgress::Update(int acknowledged) {
  // Within a pass the count only grows; anything else is a pass starting over.
  if (acknowledged <= last_) tenths_ = 0;
  last_ = acknowledged;
  if (inPlace_) return Text(acknowledged, blocks_);
  const int tenths = blocks_ > 0 ? acknowledged * 10 / blocks_ : 0;
  if (tenths <= tenths_) return {};
  tenths_ = tenths;
  return Text(acknowledged, blocks_);
}

std::string FlashProgress::Text(int acknowledged, int blocks) {
  const int width = static_cast<int>(std::to_string(blocks).size());
  const int percent = blocks > 0 ? static_cast<int>(acknowledged * 100LL / blocks) : 0;
  char text[64];
  std::snprintf(text, sizeof text, "block %*d/%d %3d%%", width, acknowledged, blocks, percent);
  return text;
}

// ---- view ----

void CliDownloadView::AppendLog(const std::string& text) {
  log_.Append(text);
  output_.Progress(DeviceToUtf8(WithoutLineEnd(text)));
}

void CliDownloadView::AppendProgressLog(const std::string& text) { log_.Append(text); }

void CliDownloadView::OnDownloadStarted(int blocks) {
  std::lock_guard<std::mutex> lock(progressMutex_);
  progress_.Begin(blocks);
}

void CliDownloadView::SetProgress(int blocks) {
  std::string text;
  bool inPlace = false;
  {
    std::lock_guard<std::mutex> lock(progressMutex_);
    text = progress_.Update(blocks);
    inPlace = progress_.InPlace();
  }
  if (text.empty()) return;
  if (inPlace) output_.Status(text);
  else output_.Progress(text);
}

void CliDownloadView::OnDownloadStopped(DownloadEnd end) {
  completed_.store(end == DownloadEnd::kCompleted);
  stopped_.Set();
}

void CliDownloadView::ShowPowerUpMessage() {
  const DownloadWorker* worker = worker_.load();
  if (worker != nullptr && !worker->WaitingForBootLoader()) return;
  if (powerUpAsked_.exchange(true)) return;
  // The user has to act: shown even with --quiet.
  output_.Notice("升级错误，请将设备重新上电！");
  output_.Progress("Waiting for the boot loader of the powered-up device (Ctrl-C ends) ...");
}

// ---- command ----

int LoadFlashImage(const std::string& path, CliOutput& output, std::vector<uint8_t>& image) {
  std::error_code ec;
  if (std::filesystem::is_directory(PathFromUtf8(path), ec)) {
    output.Error("cannot read " + path + ": it is a folder");
    return kExitFile;
  }
  errno = 0;
  switch (boot::LoadFirmwareImage(path, image)) {
    case boot::ImageLoad::kOk:
      return kExitOk;
    case boot::ImageLoad::kBadLength: {
      const std::uintmax_t size = std::filesystem::file_size(PathFromUtf8(path), ec);
      if (!ec && size == 0) {
        output.Error(path + " is empty; " + kLengthRule);
      } else if (!ec) {
        output.Error(path + " is too large (" + std::to_string(size) + " bytes); " + kLengthRule);
      } else {
        output.Error(path + " has a wrong length; " + kLengthRule);
      }
      return kExitFile;
    }
    case boot::ImageLoad::kUnreadable:
      break;
  }
  output.Error("cannot read " + path + ": " + (errno != 0 ? std::strerror(errno) : "not a regular file"));
  return kExitFile;
}

int FlashImage(CliDevice& device, CliDownloadView& view, std::vector<uint8_t> image,
               CliOutput& output, const std::string& port) {
  const size_t bytes = image.size();
  const uint32_t blocks = boot::BlockCount(static_cast<uint32_t>(bytes));
  DownloadWorker& worker = device.Download(view);
  view.SetWorker(&worker);
  // Ctrl-C and termination requests stop the download instead of ending the process in
  // the middle of a frame.
  CliInterruptGuard interrupts;

  switch (worker.StartDownload(std::move(image))) {
    case DownloadWorker::StartResult::kStarted:
      break;
    case DownloadWorker::StartResult::kPortClosed:
      output.Error("the port " + port + " went away");
      return kExitPort;
    default:
      output.Error("the image was not taken for sending");
      return kExitFile;
  }

  bool interrupted = false;
  bool vanished = false;
  while (!view.WaitStopped(kCheckMs)) {
    if (CliInterrupted()) {
      interrupted = true;
    } else if (device.Vanished()) {
      vanished = true;
    } else {
      continue;
    }
    // A download that has just completed stays completed: the machine tells the view
    // either way, at once.
    worker.StopDownload();
    view.WaitStopped(-1);
    break;
  }

  const int status = ExitStatusOf(view.End(), interrupted, {.vanished = vanished});
  switch (status) {
    case kExitOk:
      output.Result("flash: " + std::to_string(bytes) + " bytes in " + std::to_string(blocks) +
                    " blocks went through");
      break;
    case kExitPort:
      output.Error("the port " + port + " went away; the image did not go through");
      break;
    case kExitCancelled:
      output.Error("flash interrupted; the image did not go through");
      break;
    default:
      output.Error("the download stopped before the image went through");
      break;
  }
  return status;
}
