#include "app/link_machine.h"

#include <utility>

#include "serial/line_arbiter.h"
#include "serial/serial.h"

LinkMachine::LinkMachine(ISerialPort& port, ILinkView& view, LineArbiter* line,
                         PortDetector::PortFactory makeProbePort)
    : port_(port), view_(view), line_(line), makeProbePort_(std::move(makeProbePort)) {
  if (!makeProbePort_) makeProbePort_ = [] { return std::make_unique<CSerial>(); };
}

LinkMachine::~LinkMachine() { Stop(); }

template <class Fn>
bool LinkMachine::Commit(unsigned gen, Fn fn) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (gen_.load() != gen) return false;
  fn();
  return true;
}

template <class Fn>
void LinkMachine::Ui(unsigned gen, Fn fn) {
  // The check runs on the UI thread, where Cancel and the starts run too, so a step's
  // window changes never land after a cancel that came in the meantime.
  view_.RunOnUi([&] {
    if (gen_.load() == gen) fn();
  });
}

void LinkMachine::Wake() { wake_.Set(); }

std::string LinkMachine::DevicePortName() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return devicePortName_;
}

bool LinkMachine::Busy() const {
  return m_nLinkState.load() != linkstate::kNoState && m_nLinkStep.load() != 0 &&
         m_bLinkToTools.load() == 0;
}

// ---------------------------------------------------------------- UI thread

void LinkMachine::StartDetection(std::vector<std::string> ports) {
  view_.RunOnUi([&] {
    view_.EnableCombos(false);
    view_.SetTipMessage(TipText::kDetecting);
    view_.ShowTip(true);
    view_.EnableMainWindow(false);
  });
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++gen_;
    ports_ = std::move(ports);
    searchResult_ = {};
    m_nRetry = 0;
    m_nReply = 0;
    m_bLinkToTools = 0;
    m_nLinkStep = linkstate::kSearch;
    m_nLinkState = linkstate::kDetect;
  }
  m_hReplyEvent.Set();
  Wake();
}

void LinkMachine::StartEntry(int state, TipText text, bool showTip) {
  if (showTip) {
    view_.RunOnUi([&] {
      view_.SetTipMessage(text);
      view_.ShowTip(true);
      view_.EnableMainWindow(false);
    });
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++gen_;
    m_bLinkToTools = 0;
    m_nRetry = 0;
    m_nLinkStep = linkstate::kSend;
    m_nLinkState = state;
  }
  m_hReplyEvent.Set();
  Wake();
}

void LinkMachine::Cancel() {
  bool detecting;
  std::shared_ptr<PortDetector> search;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++gen_;
    search = search_;
    detecting = m_nLinkState.load() == linkstate::kDetect;
    m_bLinkToTools = 0;
    m_nRetry = 0;
    m_nLinkStep = 0;
    m_nReply = 0;
    m_nLinkState = linkstate::kNoState;
  }
  // A step waiting for a reply ends now, and so does every probe of a search; what they
  // find is no longer applied.
  m_hReplyEvent.Set();
  Wake();
  if (search) search->Cancel();
  if (detecting) port_.Close();
  view_.RunOnUi([&] {
    if (detecting) {
      view_.SetPortButtonOpen(false);
      view_.SetStatus(LinkStatus::kClosed);
      view_.EnableCombos(true);
    }
    view_.CancelPendingLoad();
    view_.EnableMainWindow(true);
  });
}

void LinkMachine::SetLinkToTools(bool toTools) {
  std::lock_guard<std::mutex> lock(mutex_);
  m_bLinkToTools = toTools ? 1 : 0;
}

// ---------------------------------------------------------------- link-state thread

void LinkMachine::Run() {
  while (!stop_.load()) {
    wake_.Reset();
    if (!Step() && !stop_.load()) wake_.WaitUnscaled(linkstate::kIdleWaitMs);
  }
}

void LinkMachine::Stop() {
  std::shared_ptr<PortDetector> search;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    ++gen_;
    search = search_;
  }
  m_hReplyEvent.Set();
  Wake();
  if (search) search->Cancel();
}

bool LinkMachine::Step() {
  unsigned gen;
  int state, step;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stop_.load() || m_bLinkToTools.load() != 0) return false;
    gen = gen_.load();
    state = m_nLinkState.load();
    step = m_nLinkStep.load();
  }
  switch (state) {
    case linkstate::kDetect:
      if (step < linkstate::kSearch || step > linkstate::kNotFound) return false;
      DetectStep(gen, step);
      return true;
    case linkstate::kEnterConfigOrDownload:
    case linkstate::kEnterDebug:
      if (step < linkstate::kSend || step > linkstate::kFailure) return false;
      EntryStep(gen, state, step);
      return true;
    default:
      return false;
  }
}

bool LinkMachine::SendProbe() {
  static constexpr char kProbe[] = "---";
  if (!port_.IsOpen()) return false;
  bool written = false;
  const auto write = [&] { written = port_.Write(kProbe, 3) == 3; };
  if (line_) line_->WriteIfFree(LineOwner::kNone, write);
  else write();
  return written;
}

// ---------------------------------------------------------------- state 1: auto-detection

void LinkMachine::DetectStep(unsigned gen, int step) {
  switch (step) {
    case linkstate::kSearch: DetectSearch(gen); break;
    case linkstate::kFound: DetectFound(gen); break;
    case linkstate::kNotFound: DetectNotFound(gen); break;
    default: break;
  }
}

std::shared_ptr<PortDetector> LinkMachine::Search() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return search_;
}

void LinkMachine::SettleDetection() {
  if (const std::shared_ptr<PortDetector> search = Search()) search->Settle();
}

void LinkMachine::DetectSearch(unsigned gen) {
  // A port of the last search still finishing its sequence is free again first (a cancel
  // ends that at once).
  SettleDetection();
  if (port_.IsOpen()) port_.Close();
  std::shared_ptr<PortDetector> search;
  std::vector<std::string> ports;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (gen_.load() != gen) return;
    ports = ports_;
    search_ = std::make_shared<PortDetector>(ports, makeProbePort_);
    search = search_;
  }
  const PortDetector::Result result = search->Run();
  // The port found, or else a last port that opened without answering, stays open on the
  // main window's handle.
  const int keep = result.cancelled ? -1
                   : result.device >= 0 ? result.device
                   : result.lastOpened ? static_cast<int>(ports.size()) - 1
                                       : -1;
  const bool opened = keep >= 0 && port_.Open(ports[static_cast<size_t>(keep)], linkstate::kDetectBaud,
                                              8, serial::kOneStopBit, serial::kParityNone);
  const bool applied = Commit(gen, [&] {
    searchResult_ = result;
    m_nLinkStep = result.device >= 0 && opened ? linkstate::kFound : linkstate::kNotFound;
  });
  // Cancelled or stopped meanwhile: the port must end up closed as the cancel says.
  if (!applied && opened) port_.Close();
}

void LinkMachine::DetectFound(unsigned gen) {
  int index = -1;
  const bool applied = Commit(gen, [&] {
    index = searchResult_.device;
    m_nDevicePort = index;
    if (index >= 0 && index < static_cast<int>(ports_.size()))
      devicePortName_ = ports_[static_cast<size_t>(index)];
    m_bLinkToTools = 1;
    m_nRetry = 0;
    m_nLinkState = linkstate::kNoState;
    m_nLinkStep = 0;
    m_nReply = 0;
  });
  if (!applied) return;
  const std::string name = DevicePortName();
  Ui(gen, [&] {
    view_.SelectPort(index);
    view_.SetPortButtonOpen(true);
    view_.SetStatus(LinkStatus::kOpenConfirmed);
    view_.EnableCombos(false);
    view_.ShowTip(false);
    view_.EnableMainWindow(true);
    view_.DebugReceiveOnIfVisible();
    view_.OnLinkOutcome({.end = LinkEnd::kFound, .port = name});
  });
}

void LinkMachine::DetectNotFound(unsigned gen) {
  int count = 0;
  std::vector<std::string> denied;
  const bool applied = Commit(gen, [&] {
    count = static_cast<int>(ports_.size());
    denied = searchResult_.denied;
    m_nLinkState = linkstate::kNoState;
    m_nLinkStep = 0;
    m_nRetry = 0;
    m_nReply = 0;
  });
  if (!applied) return;
  // The search is over without a device. A last port that opened but did not answer stays open.
  Ui(gen, [&] {
    view_.SetTipMessage(TipText::kDetectTimeout);
    view_.ShowTip(false);
    view_.SelectPort(count - 1);
    const bool open = port_.IsOpen();
    view_.SetPortButtonOpen(open);
    view_.SetStatus(open ? LinkStatus::kOpenUnconfirmed : LinkStatus::kClosed);
    view_.EnableCombos(!open);
    view_.EnableMainWindow(true);
    view_.OnLinkOutcome({.end = LinkEnd::kNotFound, .deniedPorts = denied});
  });
}

// ---------------------------------------------------------------- states 2 and 3: tool entry

void LinkMachine::EntryStep(unsigned gen, int state, int step) {
  const bool debug = state == linkstate::kEnterDebug;
  const int wanted = debug ? ReplyMatcher::kCmdError : ReplyMatcher::kCmdOk;
  switch (step) {
    case linkstate::kSend: {
      {
        // Waiting for the reply from before the probe goes out, so that a fast reply is matched.
        std::lock_guard<std::mutex> lock(mutex_);
        if (gen_.load() != gen) return;
        m_nReply = ReplyMatcher::kNone;
        m_hReplyEvent.Reset();
        m_nLinkStep = linkstate::kWait;
      }
      if (!SendProbe()) Commit(gen, [&] { m_nLinkStep = linkstate::kFailure; });
      return;
    }
    case linkstate::kWait: {
      const bool answered = m_hReplyEvent.Wait(linkstate::kProbeWaitMs);
      const int reply = m_nReply.load();
      Commit(gen, [&] {
        m_nLinkStep = answered && reply == wanted ? linkstate::kSuccess : linkstate::kFailure;
      });
      return;
    }
    case linkstate::kSuccess: {
      const bool applied = Commit(gen, [&] {
        m_bLinkToTools = 1;
        m_nRetry = 0;
        m_nLinkStep = 0;
        m_nReply = 0;
        if (debug) m_nLinkState = linkstate::kNoState;
      });
      if (!applied) return;
      Ui(gen, [&] {
        if (debug) {
          view_.DebugReceiveOnIfVisible();
          view_.SetStatus(LinkStatus::kOpenConfirmed);
          view_.ShowTip(false);
          view_.EnableMainWindow(true);
          view_.BringToFront();
          view_.OnLinkOutcome({.end = LinkEnd::kEntered, .tool = LinkTool::kDebug});
          return;
        }
        // The workspace hides the tip itself once it has loaded the parameters.
        if (view_.ConfigLogVisible())
          view_.OnLinkOutcome({.end = LinkEnd::kEntered, .tool = LinkTool::kConfig});
        if (view_.DownloadVisible()) {
          view_.OnLinkOutcome({.end = LinkEnd::kEntered, .tool = LinkTool::kDownload});
          view_.ShowTip(false);
          view_.EnableMainWindow(true);
          view_.BringToFront();
        }
        view_.SetStatus(LinkStatus::kOpenConfirmed);
      });
      return;
    }
    case linkstate::kFailure: {
      bool giveUp = false;
      const bool applied = Commit(gen, [&] {
        if (++m_nRetry < linkstate::kEntryTries) {
          m_nLinkStep = linkstate::kSend;
        } else {
          // The tool gets the link even so.
          giveUp = true;
          m_bLinkToTools = 1;
          m_nRetry = 0;
          m_nLinkStep = 0;
          if (debug) m_nLinkState = linkstate::kNoState;
        }
        m_nReply = 0;
      });
      if (!applied || !giveUp) return;
      Ui(gen, [&] {
        view_.ShowTip(false);
        view_.EnableMainWindow(true);
        if (debug) {
          view_.OnLinkOutcome({.end = LinkEnd::kEntryFailed, .tool = LinkTool::kDebug});
          return;
        }
        view_.BringToFront();
        const LinkTool tool = view_.ConfigLogVisible() ? LinkTool::kConfig
                              : view_.DownloadVisible() ? LinkTool::kDownload
                                                        : LinkTool::kNone;
        view_.OnLinkOutcome({.end = LinkEnd::kEntryFailed, .tool = tool});
      });
      return;
    }
    default:
      return;
  }
}

// ---------------------------------------------------------------- receive thread

void LinkMachine::OnReceived(const char* data, int count) {
  if (count <= 0) return;
  matcher_.Append(data, count);
  if (m_nLinkStep.load() != linkstate::kAwaitingReply) return;
  const ReplyMatcher::Match match = matcher_.Find();
  if (match == ReplyMatcher::kNone) return;
  m_nReply = match;
  m_hReplyEvent.Set();
  matcher_.Clear();
}
