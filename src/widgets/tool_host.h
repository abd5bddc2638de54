#pragma once
// What a tool needs from the main window that hosts it (the other way: widgets/tool.h).
class ISerialPort;
class LineArbiter;
class QWidget;

class IToolHost {
 public:
  virtual ~IToolHost() = default;
  // The one serial port of the program.
  virtual ISerialPort& Port() = 0;
  // Who owns its line: the tools' operations hold it, their background writers ask it.
  virtual LineArbiter& Line() = 0;
  // True while received data goes to the tool pages (the link was handed to the tools).
  virtual bool LinkToTools() const = 0;
  // The main window, as parent of message boxes.
  virtual QWidget* MainWindow() = 0;
};
