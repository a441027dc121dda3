// What the windows of the connection monitor need of the main window: its
// commands, which their buttons and menu items run, and the state they read.
// The main window sets MonitorHost when it is made; the monitor's units
// never include the main window's own header.
#pragma once
#include <string>

#include "classlib/Classes.h"
#include "classlib/Forms.h"
#include "monitor/uAnalyzedLines.h"

class TMonitorHost {
public:
  virtual ~TMonitorHost() = default;

  // ---- Commands (sender first, as the controls hand them on) ----
  virtual void ConnectionsTable1Click(TObject* Sender) = 0;   // open or refill the table
  virtual void closenonnectionClick(TObject* Sender) = 0;     // close a TCP connection
  virtual void killconnectionClick(TObject* Sender) = 0;      // end the owning process
  virtual void webinfoClick(TObject* Sender) = 0;             // process-information page
  virtual void whoisClick(TObject* Sender) = 0;               // whois page of an address
  virtual void gmClick(TObject* Sender) = 0;                  // the place on the web map
  virtual void EnterIP1Click(TObject* Sender) = 0;            // analyse a file
  virtual void Unloadanalysedfile1Click(TObject* Sender) = 0; // leave analyse mode
  virtual void HideVisualization1Click(TObject* Sender) = 0;  // cancel a running scan

  // ---- State ----
  // The five "0"/"1" options of ana.cfg: [0] corresponding entries only,
  // [1] show the analysed file automatically, [2] UDP, [3] hide own
  // connections, [4] table autorefresh.
  virtual TStringList& Options() = 0;
  // The plotted addresses (entry 0 home; merged places hold several lines).
  virtual const TStringList& PlottedAddresses() = 0;
  virtual const TAnalyzedLines& AnalyzedFileLines() = 0;
  virtual const TStringList& AnalyzedAddresses() = 0;   // entry 0 home
  // Time and date of the last table fill.
  virtual std::string TableTime() = 0;
  // The location line of an address (country, place, ";" lat ";" lon).
  virtual void LocateAddress(const std::string& IP, std::string& Result) = 0;
  // The Connections Table has closed: the poll stops filling it.
  virtual void ConnectionsTableClosed() = 0;
  // Turns the globe so that plotted entry Index faces the viewer.
  virtual void TurnGlobeTo(int Index) = 0;
};

extern TMonitorHost* MonitorHost;

// A secondary window with a task-bar button of its own: the extended style
// WS_EX_APPWINDOW, parent the desktop window.
class TAppWindowForm : public TForm {
  DECLARE_CLASSINFO(TAppWindowForm)
public:
  using TForm::TForm;
  // Places the window at the middle of the screen.
  void CenterOnScreen();

protected:
  void CreateParams(TCreateParams& Params) override;
};
