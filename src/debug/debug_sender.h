#pragma once
// The debug console's send side: the input kept in text form and in hex form,
// sending it once (button, Enter, timed send, a quick-send entry) and the sent-byte
// counter.
// Used on the UI thread only.
#include <string>
#include <string_view>

#include "debug/debug_text.h"

class ISerialPort;

class DebugSender {
 public:
  // The text send buffer keeps the first this many bytes of the input.
  static constexpr int kTextSendMax = 10240;

  // The input changed: in hex mode it is parsed into the hex buffer (emptied on
  // a bad input), else its first kTextSendMax bytes become the text buffer.
  debug_text::HexParse SetInput(std::string_view input, bool hexMode);
  // What the input edit shows when switching to a mode: that mode's last input
  // (the hex buffer rendered as hex pairs, or the text buffer).
  std::string InputFor(bool hexMode) const;

  // The bytes an input stands for in a mode, as SetInput makes its buffers: hex
  // pairs parsed (out emptied on a bad input), or the text's first kTextSendMax bytes.
  static debug_text::HexParse Parse(std::string_view input, bool hexMode, std::string& out);

  enum class Result { PortClosed, Empty, ShortWrite, Sent };
  // Sends the buffer of the mode; in text mode with newline also "\r\n". The
  // counter grows by what went out; a short write stops without counting.
  Result Send(ISerialPort& port, bool hexMode, bool newline);
  // Sends bytes made by Parse exactly as Send sends a buffer of that mode (a quick-send
  // entry); the send box's buffers stay as they are.
  Result SendBytes(ISerialPort& port, std::string_view bytes, bool hexMode, bool newline);

  int SentCount() const { return sent_; }
  void ResetCount() { sent_ = 0; }

 private:
  std::string text_;
  std::string hex_;
  int sent_ = 0;
};
