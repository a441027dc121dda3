// The "Analyzed file" window: the text of the analysed file, or the lines of
// one address; F3 searches the address, its occurrences are red, and the
// address list can be exported as text with its locations.
#pragma once
#include <string>
#include <string_view>

#include "classlib/Buttons.h"
#include "classlib/ComCtrls.h"
#include "classlib/Dialogs.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Menus.h"
#include "classlib/StdCtrls.h"
#include "monitor/uMonitorHost.h"

extern std::string SearchedAddress;   // whose lines the window shows or searches
extern int SearchFrom;                // after the last F3 hit; 0 starts over

// The window shows at most ShownTextLimit characters of text and breaks
// lines longer than ShownLineLimit into pieces (at a character that is not
// part of an address where it can): under Wine a rich edit takes seconds
// and hundreds of megabytes for every megabyte of a log, and time that
// grows with the square of a paragraph's length. A note at the end tells
// how many lines were left out (a line shown in part counts).
constexpr size_t ShownTextLimit = 16u << 20;
constexpr size_t ShownLineLimit = 4096;

// Builds the text the window shows, line by line.
class TShownText {
public:
  void Add(std::string_view Line, const char* Prefix = "");
  std::string Text() const;   // lines joined by CR LF, the note last
  int Lines() const { return FLines; }
  int LeftOut() const { return FLeftOut; }

private:
  std::string FText;
  int FLines = 0, FLeftOut = 0;
};

// A rich edit's text as its positions count it (a line break is one
// character).
std::string RichEditText(TRichEdit* RichEdit);
// Colours every whole occurrence of the address Text red; the selection
// ends collapsed at the start.
void HighlightOccurrences(TRichEdit* RichEdit, const std::string& Text);

// The status text for the lines of an address: " 2 instances of 1.2.3.4 found."
std::string InstancesText(int Count, const std::string& Address);

// One line of the address-list export: the address, the place ("Unknown"
// when it has none), the country and the coordinates (degrees with N/S and
// E/W; nothing for a location without them), each when chosen.
std::string ExportLine(const std::string& Address, const std::string& Location, bool IP, bool Country,
                       bool City, bool Coordinates);

class TForm6 : public TAppWindowForm {
  DECLARE_CLASSINFO(TForm6)
public:
  explicit TForm6(TComponent* AOwner);

  TRichEdit* RichEdit1;
  TStatusBar* StatusBar1;
  TPanel* Panel1;   // the export choices
  TGroupBox* GroupBox1;
  TCheckBox* CheckBox2;   // "IP address"
  TCheckBox* CheckBox3;   // "Country"
  TCheckBox* CheckBox4;   // "City"
  TCheckBox* CheckBox5;   // "Coordinates"
  TBitBtn* BitBtn1;       // "Proceed"
  TBitBtn* BitBtn2;       // Cancel
  TMainMenu* MainMenu1;
  TMenuItem* File1;
  TMenuItem* OPen1;
  TMenuItem* Exportlist1;
  TMenuItem* Unload1;
  TMenuItem* Options1;
  TMenuItem* corren;     // "Show corresponding entries only"
  TMenuItem* showthis;   // "Show this window automatically"
  TSaveDialog* SaveDialog1;

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void CheckBox1Click(TObject* Sender);   // on corren
  void showthisClick(TObject* Sender);
  void RichEdit1KeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
  void Exportlist1Click(TObject* Sender);
  void BitBtn1Click(TObject* Sender);
  void BitBtn2Click(TObject* Sender);

  // The whole analysed file, as a new analysis shows it.
  void ShowWholeFile();
  // The lines of Address (or the whole file), its occurrences red, the
  // first one in view: the globe's "Show entries".
  void ShowEntries(const std::string& Address);
  // Replaces the text (a fresh control: emptying a large one is slow).
  void SetShownText(const std::string& Text);
  void ClearText() { SetShownText(""); }

private:
  TShownText WholeFile();
  TShownText EntriesOf(const std::string& Address, int& Count);
  void ScrollToFirst(const std::string& Address);
  void SetOption(int Index, bool On);
};

extern TForm6* Form6;
