#include "debug/debug_sender.h"

#include "serial/serial_port.h"

debug_text::HexParse DebugSender::Parse(std::string_view input, bool hexMode, std::string& out) {
  if (hexMode) return debug_text::ParseHex(input, out);
  out.assign(input.substr(0, kTextSendMax));
  return debug_text::HexParse::Ok;
}

debug_text::HexParse DebugSender::SetInput(std::string_view input, bool hexMode) {
  return Parse(input, hexMode, hexMode ? hex_ : text_);
}

std::string DebugSender::InputFor(bool hexMode) const {
  return hexMode ? debug_text::RenderHex(hex_) : text_;
}

DebugSender::Result DebugSender::Send(ISerialPort& port, bool hexMode, bool newline) {
  return SendBytes(port, hexMode ? hex_ : text_, hexMode, newline);
}

DebugSender::Result DebugSender::SendBytes(ISerialPort& port, std::string_view data, bool hexMode, bool newline) {
  if (!port.IsOpen()) return Result::PortClosed;
  if (data.empty()) return Result::Empty;
  const int length = static_cast<int>(data.size());
  const int written = port.Write(data.data(), length);
  if (written < length) return Result::ShortWrite;
  sent_ += written;
  if (!hexMode && newline && port.Write("\r\n", 2) == 2) sent_ += 2;
  return Result::Sent;
}
