// The Connections Table: the machine's connections as a sortable, coloured
// report list, with the commands of the selected row and an HTML export.
// The poll fills it; its commands are the main window's (MonitorHost).
#pragma once
#include <array>
#include <string>
#include <vector>

#include "classlib/ComCtrls.h"
#include "classlib/Dialogs.h"
#include "classlib/ImgList.h"
#include "classlib/Menus.h"
#include "classlib/StdCtrls.h"
#include "monitor/uMonitorHost.h"

// One row of the Connections Table as its list view shows it.
struct TConnectionItem {
  std::string Caption;                 // "TCP" or "UDP"
  std::array<std::string, 9> SubItems; // Local IP, Local Port, Remote IP, Remote Port,
                                       // Connection State, Process Name: PId, Location,
                                       // Country, ID
};

// Sub-items of a row.
enum TConnectionSubItem {
  siLocalIP, siLocalPort, siRemoteIP, siRemotePort, siState, siProcess, siLocation, siCountry, siID
};

// The sort: the column (-1: none) and its direction. Both survive refills
// and closing the window.
extern int SortColumn;
extern bool SortAscending;
// The column captions while sorting; the sorted one gets a bullet before it.
extern const std::array<const char*, 9> SortCaptions;

// The rows' order by a column: the protocol and the text columns by the
// locale's case-blind comparison, the two port columns by number with "-"
// as 0 and the higher port first; negated when SortAscending is false. A
// port that is no number raises EConvertError.
int CompareConnectionItems(TListItem* Item1, TListItem* Item2, int Column);

// The background of a row that is not drawn in the list's colours: pale
// red for UDP, pale blue for a TCP row without a remote end (a listener).
bool ConnectionRowColor(TListItem* Item, TColor& Color);

// Which commands the selected row allows (no row: none). A double click
// looks only at the process ID for the process commands.
struct TTableCommands {
  bool Process = false;       // terminate the process
  bool Close = false;         // close the TCP connection
  bool ProcessInfo = false;   // the process-information page
  bool MapWhois = false;      // web map and whois of the remote address
};
TTableCommands TableCommandsFor(TListItem* Selected, bool DoubleClick);

// Text for an HTML page: "<", ">", "&" and quotes as character references.
std::string HtmlText(const std::string& S);
// The table as the one line of HTML the export writes.
std::string ConnectionsTableHtml(TListView* List, const std::string& Stamp);

class TForm2 : public TAppWindowForm {
  DECLARE_CLASSINFO(TForm2)
public:
  explicit TForm2(TComponent* AOwner);

  TListView* ListView1;
  TImageList* ImageList1;
  TToolBar* ToolBar1;
  TToolButton* tablerefresz;
  TToolButton* ToolButton1;   // save as HTML
  TToolButton* ToolButton2;   // process information
  TToolButton* ToolButton3;   // whois
  TToolButton* webmap;
  TToolButton* tablecloseconn;
  TToolButton* kill;
  TToolButton* tableclose;
  TCheckBox* CheckBox2;   // "Autorefresh"
  TCheckBox* CheckBox1;   // "Hide Own Connections"
  TCheckBox* CheckBox3;   // "Show UDP Connections"
  TPopupMenu* PopupMenu1;
  TMenuItem* ff1;
  TMenuItem* SaveTable1;
  TMenuItem* ProcessInfo1;
  TMenuItem* RemoteIPWhois1;
  TMenuItem* webmapmenu;
  TMenuItem* CloseConnection1;
  TMenuItem* erminateProcess1;
  TMenuItem* CloseThisWindow1;
  TStatusBar* StatusBar1;
  TSaveDialog* SaveDialog1;
  bool FirstShow = true;   // the boxes have not yet been set from the options

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void tablecloseClick(TObject* Sender);
  void CheckBox1Click(TObject* Sender);
  void CheckBox2Click(TObject* Sender);
  void CheckBox3Click(TObject* Sender);
  void ListView1ColumnClick(TObject* Sender, TListColumn* Column);
  void ListView1CustomDrawItem(TObject* Sender, TListItem* Item, TCustomDrawState State, bool& DefaultDraw);
  void ListView1Click(TObject* Sender);
  void ListView1DblClick(TObject* Sender);
  void ToolButton1Click(TObject* Sender);
  void SaveListViewToFile();

  // The rows of a poll, in the user's sort; the count in the status bar.
  void ShowConnectionItems(const std::vector<TConnectionItem>& Items);
  // Enables or disables the selection-dependent commands.
  void EnableCommands(const TTableCommands& Commands);

private:
  TToolButton* AddButton(const char* AName, const char* AHint, int Image);
  void AddSeparator();
  TCheckBox* AddCheckBox(const char* AName, const char* ACaption);
  TMenuItem* AddItem(const char* AName, const char* ACaption, const char* AHint = "");
};

extern TForm2* Form2;

// The pictures of the tool bar: refresh, save, process information, whois,
// web map, close connection, terminate process, close window.
void DrawTableImages(TCustomImageList* Images);
