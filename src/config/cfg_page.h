#pragma once
// How the configuration workspace reaches its pages. Qt-free: texts are device
// bytes (code page 936). The Qt workspace calls these on the UI thread.
#include <optional>
#include <string>

#include "config/cfg_requests.h"

class ICfgPage {
 public:
  virtual ~ICfgPage() = default;
  // The text the control of instance index of parameter id shows, converted by the
  // page's rule (e.g. a combo's item number as "%u", an edit's text unchanged).
  // std::nullopt: the control holds no value (a typed text that matches no item); the
  // parameter keeps its table value.
  virtual std::optional<std::string> SaveToTable(int id, int index) = 0;
  // Puts text into that control, converted back by the same rule.
  virtual void LoadFromTable(int id, int index, const std::string& text) = 0;
};

// What pages may ask of the workspace.
class ICfgWorkspace {
 public:
  virtual ~ICfgWorkspace() = default;
  // Selects the "串口传输参数" node and shows the serial transmission page.
  virtual void ShowComTransPage() = 0;
  // Time-stamped log line (device bytes).
  virtual void AppendLog(const std::string& text) = 0;
  // The request fields the idle worker polls.
  virtual CfgRequests& Requests() = 0;
};
