#pragma once
// Texts every tool shows about the port (UTF-8; the Qt-free machines convert them to
// code page 936 where their views take device text).

namespace serial {

// The tip of a button that needs the port while it is closed.
inline constexpr char kOpenPortFirstText[] = "请先打开串口";

}  // namespace serial
