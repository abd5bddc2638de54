#pragma once
// What a tool page needs from the main window that hosts it.
class ISerialPort;
class QWidget;

class IToolHost {
 public:
  virtual ~IToolHost() = default;
  // The one serial port of the program.
  virtual ISerialPort& Port() = 0;
  // True while received data goes to the tool pages (the link was handed to the tools).
  virtual bool LinkToTools() const = 0;
  // The main window, as parent of message boxes.
  virtual QWidget* MainWindow() = 0;
  // Ends a tool entry that the tool itself finishes (the configuration workspace after
  // its load): hides the please-wait tip and enables the main window. UI thread.
  virtual void EndToolEntry() {}
  // True while the download page sends a firmware image.
  virtual bool DownloadRunning() const { return false; }
};
