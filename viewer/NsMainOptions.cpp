// The options and about window: its controls, built on the empty form each
// time it opens and freed when it closes; OK applies and stores every
// setting.
#include <algorithm>
#include <cmath>

#include "classlib/Buttons.h"
#include "classlib/CheckLst.h"
#include "classlib/ComCtrls.h"
#include "classlib/Dialogs.h"
#include "classlib/ExtCtrls.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainCommands.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainLog.h"
#include "viewer/NsMainSettings.h"
#include "viewer/NsMainStartup.h"
#include "viewer/Unit3.h"
#include "viewer/components/HyperLbl.h"
#include "viewer/unit4.h"

HINSTANCE(WINAPI* ShellExecuteProc)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) = ShellExecuteA;

namespace {
const char* const HomePageURL = "https://vantrel.org/";
const char* const DataPublisherURL = "https://vantrel.org/data/";
const char* const Scene3DURL = "https://vantrel.org/scene3d/";
const char* const IPListHint =
    " File has to consist of IP addresses followed by \r\n CR/LF characters e.g.: \r\n\r\n   12.34.56.78\r\n"
    "   123.45.43.12\r\n   234.5.6.78\r\n   ...\r\n and so forth.";
const char* const MapTypeNames[5] = {"Normal", "Satellite", "Hybrid", "Physical", "3D"};

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

std::string RotationText(int Position) {
  if (Position >= 1) return "-" + IntToStr(Position);
  if (Position <= -1) return "+" + IntToStr(-Position);
  return "0";
}

// Makes the options window's controls: each owned by the window, on its
// parent, recorded for freeing when the window closes.
class TBuilder {
public:
  TBuilder(TOptionControls& C) : Controls(C) {}
  template <typename T>
  T* Make(TWinControl* Parent, int Left, int Top, int Width = -1, int Height = -1) {
    T* c = new T(aform);
    Controls.Built.push_back(c);
    c->SetParent(Parent);
    c->SetBounds(Left, Top, Width < 0 ? c->Width() : Width, Height < 0 ? c->Height() : Height);
    return c;
  }
  TLabel* Label(TWinControl* Parent, int Left, int Top, const std::string& Text) {
    TLabel* l = Make<TLabel>(Parent, Left, Top);
    const int ppi = Screen->PixelsPerInch();
    if (ppi != 96 && ppi > 0) l->Font()->SetSize(l->Font()->Size() * 96 / ppi);
    l->SetCaption(Text);
    return l;
  }
  TCheckBox* Check(TWinControl* Parent, int Left, int Top, int Width, const std::string& Text, bool State) {
    TCheckBox* c = Make<TCheckBox>(Parent, Left, Top, Width, 17);
    c->SetCaption(Text);
    c->SetChecked(State);
    return c;
  }
  TEdit* Display(TWinControl* Parent, int Left, int Top, int Width, const std::string& Text) {
    TEdit* e = Make<TEdit>(Parent, Left, Top, Width, 22);
    e->SetText(Text);
    e->SetEnabled(false);
    return e;
  }
  TUpDown* UpDown(TWinControl* Parent, int Left, int Top, int Min, int Max, int Position) {
    TUpDown* u = Make<TUpDown>(Parent, Left, Top, 17, 24);
    u->SetMin(Min);
    u->SetMax(Max);
    u->SetPosition(Position);
    return u;
  }
  // An up-down over the range the settings table offers for Setting.
  TUpDown* UpDown(TWinControl* Parent, int Left, int Top, const char* Setting, int Position) {
    const TSettingRange range = OptionRange(Setting);
    return UpDown(Parent, Left, Top, range.Min, range.Max, Position);
  }
  TBitBtn* GlyphButton(TWinControl* Parent, int Left, int Top, int Glyph) {
    TBitBtn* b = Make<TBitBtn>(Parent, Left, Top, 26, 22);
    b->Glyph()->LoadFromResourceID(Instance(), Glyph);
    return b;
  }
  void EtchedLine(TWinControl* Parent, int Top) {
    TBevel* b = Make<TBevel>(Parent, 14, Top, 380, 2);
    b->SetShape(TBevelShape::bsTopLine);
  }
  TPanel* Panel(TWinControl* Parent, int Left, int Top, int Width, int Height) {
    TPanel* p = Make<TPanel>(Parent, Left, Top, Width, Height);
    p->SetBevelOuter(TBevelCut::bvNone);
    return p;
  }
  TOptionControls& Controls;
};
}  // namespace

void TMainForm::aboutform(TObject*) {
  if (aform->Visible()) return;
  ConfigAbout1->Enabled = false;
  aform->SetCaption("Options/About");
  aform->OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
  OptionControls = TOptionControls{};
  ChosenFolder.clear();
  ChosenFontName = LabelFont.Name();
  ChosenFontSize = 0;
  ChosenFontStyle = LabelFont.Style();
  ChosenFontText = Settings.Font;
  TBuilder b(OptionControls);
  TOptionControls& o = OptionControls;
  const bool analysing = AnalyzedIPs.Count() > 0;

  TImage* header = b.Make<TImage>(aform, 0, 0, 474, 96);
  header->Picture()->Bitmap()->LoadFromResourceID(Instance(), IDB_OPTIONS_HEADER);
  header->Changed();
  o.Pages = b.Make<TPageControl>(aform, 10, 107, 452, 300);
  const char* tabs[5] = {"&Options", "&Visuals", "&Web Map", "&Rogue Countries", "&About"};
  TTabSheet* page[5];
  for (int i = 0; i < 5; ++i) {
    page[i] = new TTabSheet(aform);
    o.Built.push_back(page[i]);
    page[i]->SetPageControl(o.Pages);
    page[i]->SetCaption(tabs[i]);
  }
  TBevel* box = b.Make<TBevel>(aform, 15, 112, aform->Width() - 35, aform->Height() - 188);
  box->SetStyle(TBevelStyle::bsRaised);
  TBitBtn* ok = b.Make<TBitBtn>(aform, 306, aform->Height() - 61, 75, 25);
  ok->SetKind(TBitBtnKind::bkOK);
  ok->OnClick = [this](TObject* S) { okclick(S); };
  TBitBtn* cancel = b.Make<TBitBtn>(aform, 386, aform->Height() - 61, 75, 25);
  cancel->SetKind(TBitBtnKind::bkCancel);
  cancel->OnClick = [this](TObject* S) { cancelclick(S); };

  // ---- Options ----
  TPanel* p = b.Panel(page[0], 10, 0, 408, 260);
  // whole seconds, rounded (with no sum that passes INT_MAX); a period the
  // display cannot show takes its nearest step
  const int refresh =
      OptionRange("Interval").Clamp(Settings.Interval / 1000 + (Settings.Interval % 1000 >= 500 ? 1 : 0));
  b.Label(p, 14, 69, "Refresh every                    seconds");
  o.RefreshDisplay = b.Display(p, 87, 66, 32, IntToStr(refresh));
  o.RefreshUpDown = b.UpDown(p, 119, 65, "Interval", refresh);
  o.RefreshUpDown->OnClick = [this](TObject* S, TUDBtnType B) { UpDown1Click(S, B); };
  b.Label(p, 228, 70, "Adjust rotation speed");
  o.RotationDisplay = b.Display(p, 337, 66, 32, RotationText(Settings.RotationSpeed));
  o.RotationUpDown = b.UpDown(p, 369, 65, "RotationSpeed", Settings.RotationSpeed);
  o.RotationUpDown->OnClick = [this](TObject* S, TUDBtnType B) { UpDown4Click(S, B); };
  o.LogConnections = b.Check(p, 14, 22, 136, " Log &TCP/IP connections", Settings.LogConnections);
  o.LoadButton = b.Make<TBitBtn>(p, 150, 19, 46, 22);
  o.LoadButton->SetCaption(LoadCaption);
  o.LoadButton->SetEnabled(FileExists(LogState.LogPath) && !Scanning());
  o.LoadButton->Hint = " Load and analyze log file ";
  o.LoadButton->ShowHint = true;
  o.LoadButton->OnClick = [this](TObject* S) {
    if (OptionControls.LoadButton->Caption() != "[&Unload]")
      EnterIP1Click(S);
    else
      Unloadanalysedfile1Click(S);
  };
  o.StayOnTop = b.Check(p, 234, 22, 170, "&Stay on top when windowed", Settings.StayOnTop);
  o.StayOnTop->Hint = " Keeps Vantrel window in front of other windows ";
  o.StayOnTop->ShowHint = true;
  o.IPList = b.Make<TLabeledEdit>(p, 114, 120, 206, 21);
  o.IPList->SetLabelPosition(TLabelPosition::lpLeft);
  o.IPList->EditLabel()->SetCaption("Load IP list from file:");
  o.IPList->SetText(Settings.IPList);
  o.IPList->Hint = IPListHint;
  o.IPList->ShowHint = true;
  o.BrowseButton = b.GlyphButton(p, 325, 120, IDB_BROWSE);
  o.BrowseButton->SetEnabled(!analysing);
  o.BrowseButton->Hint = IPListHint;
  o.BrowseButton->ShowHint = true;
  o.BrowseButton->OnClick = [this](TObject* S) { freq(S); };
  o.ClearButton = b.GlyphButton(p, 355, 120, IDB_CLEAR);
  o.ClearButton->OnClick = [this](TObject* S) { delfile(S); };
  o.SaveImages = b.Check(p, 14, 180, 170, "&Capture display every", Settings.SaveImages);
  o.SaveImages->Hint = "Images will be stored in:\n\r" + Settings.Savepath;
  o.SaveImages->ShowHint = true;
  o.SaveImages->SetEnabled(!analysing);
  if (Settings.SIInterval == 0) Settings.SIInterval = std::max(refresh, 1);
  o.SnapshotDisplay = b.Display(p, 142, 179, 30, IntToStr(Settings.SIInterval));
  o.SnapshotUpDown = b.UpDown(p, 170, 178, "SIInterval", Settings.SIInterval / std::max(refresh, 1));
  o.SnapshotUpDown->OnClick = [this](TObject* S, TUDBtnType B) { UpDown5Click(S, B); };
  b.Label(p, 192, 181, "second(s)");
  b.Label(p, 256, 181, "Select output folder");
  TBitBtn* folder = b.GlyphButton(p, 355, 178, IDB_BROWSE);
  folder->OnClick = [this](TObject* S) { direq(S); };
  o.Overwrite = b.Check(p, 14, 206, 160, "Do not overwrite images", Settings.Overwrite);
  o.Timestamp = b.Check(p, 14, 230, 160, "Timestamp each image", Settings.Timestamp);
  o.InternalOff = b.Check(p, 208, 230, 200, "&Disable internal TCP/UDP monitor", Settings.InternalOff);
  for (int top : {50, 101, 160}) b.EtchedLine(p, top);
  czekimageclick(o.SaveImages);
  o.SaveImages->OnClick = [this](TObject* S) { czekimageclick(S); };
  o.Cover = b.Panel(page[0], 10, 110, 418, 160);
  o.Advanced = b.Check(o.Cover, 14, 12, 266, " &Enable Advanced Options (Use With Caution)", false);
  o.Advanced->OnClick = [this](TObject* S) { advclick(S); };

  // ---- Visuals ----
  p = b.Panel(page[1], 10, 10, 408, 220);
  struct TSwatch {
    int Left, Top, LabelLeft, LabelTop;
    const char* Text;
    int Color;
  };
  const TSwatch swatches[4] = {{14, 20, 44, 23, "IP Locations (internal)", Settings.Color1},
                               {14, 50, 44, 54, "Routes", Settings.Color2},
                               {200, 20, 230, 23, "IP Locations (from file)", Settings.Color3},
                               {200, 50, 230, 54, "Connecting curves", Settings.Color4}};
  for (int i = 0; i < 4; ++i) {
    o.Swatches[i] = b.Make<TShape>(p, swatches[i].Left, swatches[i].Top, 20, 20);
    o.Swatches[i]->Brush()->SetColor(static_cast<TColor>(swatches[i].Color));
    b.Label(p, swatches[i].LabelLeft, swatches[i].LabelTop, swatches[i].Text);
  }
  o.Swatches[0]->OnClick = [this](TObject* S) { pcolor1(S); };
  o.Swatches[1]->OnClick = [this](TObject* S) { pcolor2(S); };
  o.Swatches[2]->OnClick = [this](TObject* S) { pcolor3(S); };
  o.Swatches[3]->OnClick = [this](TObject* S) { pcolor4(S); };
  b.Label(p, 14, 102, "Line thickness:");
  o.LineDisplay = b.Display(p, 94, 98, 32, IntToStr(Settings.LineThickness));
  o.LineUpDown = b.UpDown(p, 126, 97, "LineThickness", Settings.LineThickness);
  o.LineUpDown->OnClick = [this](TObject* S, TUDBtnType B) { UpDown2Click(S, B); };
  b.Label(p, 200, 102, "Point size:");
  o.PointDisplay = b.Display(p, 258, 98, 32, IntToStr(Settings.PointSize));
  o.PointUpDown = b.UpDown(p, 290, 97, "PointSize", Settings.PointSize);
  o.PointUpDown->OnClick = [this](TObject* S, TUDBtnType B) { UpDown3Click(S, B); };
  o.Smoothing = b.Check(p, 14, 130, 140, "&Enable line smoothing", Settings.LineSmoothing);
  o.Grid = b.Check(p, 200, 130, 120, "S&how Globe grid", Settings.GlobeGrid);
  b.Label(p, 14, 176, "Labels font:");
  o.FontPreview = b.Make<TLabel>(p, 74, 172, 200, 20);
  o.FontPreview->SetAutoSize(false);
  o.FontPreview->SetAlignment(TAlignment::taCenter);
  o.FontPreview->SetColor(clBlack);
  o.FontPreview->Font()->SetName(LabelFont.Name());
  o.FontPreview->Font()->SetSize(LabelFont.Size());
  o.FontPreview->Font()->SetStyle(LabelFont.Style());
  o.FontPreview->Font()->SetColor(clRed);
  o.FontPreview->SetCaption(LabelFont.Name() + ", " + IntToStr(LabelFont.Size()));
  o.FontButton = b.Make<TButton>(p, 282, 170, 76, 24);
  o.FontButton->SetCaption("Change font");
  o.FontButton->OnClick = [this](TObject* S) { fontclick(S); };
  o.ExtendLabels = b.Check(p, 14, 204, 300, "&Show extended labels (Location + IP address)", Settings.ExtendLabels);
  for (int top : {84, 156}) b.EtchedLine(p, top);

  // ---- Web Map ----
  b.Label(page[2], 20, 29, "Default Map Type:");
  o.MapType = b.Make<TComboBox>(page[2], 118, 26, 90, 21);
  o.MapType->SetStyle(TComboBoxStyle::csDropDownList);
  for (const char* n : MapTypeNames) o.MapType->Items()->Add(n);
  o.MapType->SetItemIndex(Settings.MapType >= 0 && Settings.MapType < 5 ? Settings.MapType : -1);
  b.Label(page[2], 20, 66, "Initial Zoom Level:");
  o.MapZoom = b.Make<TComboBox>(page[2], 118, 64, 90, 21);
  o.MapZoom->SetStyle(TComboBoxStyle::csDropDownList);
  o.MapZoom->DropDownCount = 19;
  for (int i = 1; i <= 19; ++i)
    o.MapZoom->Items()->Add(i == 1 ? "1 (Minimum)" : i == 10 ? "10 (Medium)" : i == 19 ? "19 (Maximum)" : IntToStr(i));
  o.MapZoom->SetItemIndex(Settings.MapZoom >= 0 && Settings.MapZoom < 19 ? Settings.MapZoom : -1);
  o.Balloons = b.Check(page[2], 20, 104, 200, "Show &Info Baloons", Settings.ShowInfoBalloons);
  TLabel* note = b.Label(page[2], 20, 239,
                         "Note: 3D Map requires a 3D earth browser plugin to be installed on your computer");
  note->Font()->SetColor(0x808080);

  // ---- Rogue Countries ----
  o.Countries = b.Make<TCheckListBox>(page[3], 20, 20, 250, 232);
  for (const char* n : CountryNames) o.Countries->Items()->Add(std::string(" ") + n);
  for (char c : Settings.RogueCountries) {
    const int code = static_cast<unsigned char>(c);
    if (code >= 1 && code <= CountryCount) o.Countries->SetChecked(code - 1, true);
  }
  TLabel* rogues = b.Make<TLabel>(page[3], 284, 20, 160, 200);
  rogues->SetAutoSize(false);
  rogues->SetWordWrap(true);
  rogues->SetCaption(
      "You can select one or more \"rogue\" countries. Locations in such countries will be marked with faint "
      "glowing ring. Use with caution - selecting too many countries may slow down the program.");
  o.SoundAlert = b.Check(page[3], 284, 200, 116, " &Enable sound alert", Settings.SoundAlert);
  b.Label(page[3], 285, 232, "Marker size:");
  o.MarkerDisplay = b.Display(page[3], 356, 229, 30, IntToStr(Settings.MarkerSize));
  o.MarkerUpDown = b.UpDown(page[3], 387, 229, 0, 9, Settings.MarkerSize);
  o.MarkerUpDown->OnClick = [this](TObject* S, TUDBtnType B) { UpDown6Click(S, B); };

  // ---- About ----
  // Each row starts below the one before it, and a link beside a text
  // follows the text's measured width, so that no text runs into another
  // whatever the font.
  TPanel* about = b.Panel(page[4], 0, 0, 443, 271);
  about->SetColor(clWhite);
  int bottom = 0;   // of the rows placed so far
  auto place = [&](TControl* C, int Left, int Top) {
    C->SetBounds(Left, std::max(Top, bottom), C->Width(), C->Height());
    return C;
  };
  auto rowDone = [&](std::initializer_list<TControl*> Row) {
    for (TControl* c : Row) bottom = std::max(bottom, c->Top() + c->Height());
  };
  auto grey = [&](int Left, int Top, const std::string& Text) {
    TLabel* l = b.Label(about, Left, Top, Text);
    l->Font()->SetColor(0x666666);
    place(l, Left, Top);
    return l;
  };
  auto link = [&](int Left, int Top, const std::string& Text, const std::string& URL) {
    THyperLabel* h = b.Make<THyperLabel>(about, Left, Top);
    h->SetCaption(Text);
    h->URL = URL;
    place(h, Left, Top);
    return h;
  };
  auto after = [](TControl* C, int Left) { return std::max(Left, C->Left() + C->Width() + 4); };
  TLabel* version = grey(0, 20, "Vantrel version 1.5.7 (19-Jul-2010)");
  version->SetLeft((about->Width() - version->Width()) / 2);
  rowDone({version});
  const std::string info = DatabaseInfo.Count() > 0 ? DatabaseInfo[0] : "";
  TLabel* database = grey(0, 60, "IP location database version " + Copy(info, 1, 1) + "." + Copy(info, 2, 4) + "     ");
  o.UpdateLink = b.Label(about, 0, 0, "[?]");
  place(o.UpdateLink, 0, database->Top() - 1);
  o.UpdateLink->SetAutoSize(false);
  o.UpdateLink->SetWidth(std::max(23, o.UpdateLink->Width()));
  o.UpdateLink->Font()->SetColor(0xFF0000);
  o.UpdateLink->SetCursor(crHandPoint);
  o.UpdateLink->Hint = " Click here to check for updates ";
  o.UpdateLink->ShowHint = true;
  o.UpdateLink->OnClick = [this](TObject* S) { updatedbase(S); };
  // the version and its "[?]" in the blanks after it, centred as one
  database->SetLeft((about->Width() - database->Width() - o.UpdateLink->Width()) / 2);
  o.UpdateLink->SetLeft(database->Left() + database->Width());
  rowDone({database, o.UpdateLink});
  THyperLabel* home = link(139, 80, "Vantrel Homepage", HomePageURL);
  home->Font()->SetColor(0xEE9999);
  rowDone({home});
  TLabel* data = grey(10, 180, "This product includes IP geolocation data created by its publisher, available from");
  data->SetWidth(404);
  data->SetWordWrap(true);   // as high as its lines
  rowDone({data});
  rowDone({link(10, 180, "vantrel.org/data", DataPublisherURL)});
  TLabel* uses = grey(10, 194, "This software makes use of");
  link(after(uses, 149), uses->Top(), "Scene3D - OpenGL based 3D library", Scene3DURL);

  // Overlapping controls: the later one lies on top (a label's blanks make
  // room for a display box, the cover panel hides what it covers).
  for (TControl* c : o.Built)
    if (auto* w = dynamic_cast<TWinControl*>(c))
      SetWindowPos(w->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  o.Pages->SetActivePageIndex(0);
  GuardOptionClicks();
  aform->Show();
}

void TMainForm::EndOptionsClick() {
  if (--FOptionsClickDepth == 0 && !FClosedControls.empty())
    PostMessageA(Handle(), WM_FREEOPTIONCONTROLS, 0, 0);
}

void TMainForm::GuardOptionClicks() {
  struct TClickDone {
    TMainForm* Form;
    ~TClickDone() { Form->EndOptionsClick(); }
  };
  auto guarded = [this](auto Handler) {
    return [this, Handler](auto... Args) {
      ++FOptionsClickDepth;
      TClickDone done{this};
      Handler(Args...);
    };
  };
  for (TControl* c : OptionControls.Built) {
    if (c->OnClick) c->OnClick = guarded(c->OnClick);
    if (auto* u = dynamic_cast<TUpDown*>(c); u && u->OnClick) u->OnClick = guarded(u->OnClick);
  }
}

void TMainForm::advclick(TObject*) { OptionControls.Cover->SetVisible(false); }

void TMainForm::UpDown1Click(TObject*, TUDBtnType) {
  const int refresh = OptionControls.RefreshUpDown->Position();
  OptionControls.RefreshDisplay->SetText(IntToStr(refresh));
  OptionControls.SnapshotDisplay->SetText(IntToStr(refresh * OptionControls.SnapshotUpDown->Position()));
}

void TMainForm::UpDown5Click(TObject*, TUDBtnType) {
  OptionControls.SnapshotDisplay->SetText(
      IntToStr(OptionControls.SnapshotUpDown->Position() * OptionControls.RefreshUpDown->Position()));
}

void TMainForm::UpDown2Click(TObject*, TUDBtnType) {
  OptionControls.LineDisplay->SetText(IntToStr(OptionControls.LineUpDown->Position()));
}

void TMainForm::UpDown3Click(TObject*, TUDBtnType) {
  OptionControls.PointDisplay->SetText(IntToStr(OptionControls.PointUpDown->Position()));
}

void TMainForm::UpDown4Click(TObject*, TUDBtnType) {
  OptionControls.RotationDisplay->SetText(RotationText(OptionControls.RotationUpDown->Position()));
}

void TMainForm::UpDown6Click(TObject*, TUDBtnType) {
  OptionControls.MarkerDisplay->SetText(IntToStr(OptionControls.MarkerUpDown->Position()));
}

void TMainForm::czekimageclick(TObject*) {
  const bool on = OptionControls.SaveImages->Checked();
  OptionControls.Overwrite->SetEnabled(on);
  OptionControls.Timestamp->SetEnabled(on);
  OptionControls.SnapshotDisplay->SetEnabled(on);
  OptionControls.SnapshotUpDown->SetEnabled(on);
}

void TMainForm::direq(TObject*) {
  std::string folder = ChosenFolder.empty() ? Settings.Savepath : ChosenFolder;
  if (SelectDirectory("Select a directory", "", folder))
    ChosenFolder = folder;
  else
    ChosenFolder = Settings.Savepath;
}

void TMainForm::delfile(TObject*) { OptionControls.IPList->SetText(""); }

namespace {
void PickColor(TShape* Swatch) {
  TColorDialog d(nullptr);
  d.Color = Swatch->Brush()->Color();
  if (d.Execute()) {
    Swatch->Brush()->SetColor(ColorToRGB(d.Color));
    Swatch->Invalidate();
  }
}
}  // namespace

void TMainForm::pcolor1(TObject*) { PickColor(OptionControls.Swatches[0]); }
void TMainForm::pcolor2(TObject*) { PickColor(OptionControls.Swatches[1]); }
void TMainForm::pcolor3(TObject*) { PickColor(OptionControls.Swatches[2]); }
void TMainForm::pcolor4(TObject*) { PickColor(OptionControls.Swatches[3]); }

void TMainForm::fontclick(TObject*) {
  TFontDialog d(nullptr);
  d.SetFont(&LabelFont);
  d.Font()->SetColor(clBlack);
  if (d.Execute()) ChosenFontName = d.Font()->Name();
  ChosenFontSize = d.Font()->Size();
  ChosenFontStyle = d.Font()->Style();
  TLabel* preview = OptionControls.FontPreview;
  preview->Font()->SetName(d.Font()->Name());
  preview->Font()->SetSize(d.Font()->Size());
  preview->Font()->SetStyle(d.Font()->Style());
  preview->SetCaption(d.Font()->Name() + ", " + IntToStr(d.Font()->Size()));
  preview->SetBounds(preview->Left(), preview->Top(), 200, 20);
  ChosenFontText = FontToText(*d.Font());
}

void TMainForm::updatedbase(TObject*) {
  const std::string wizard = ProgramFolder() + "vantrelwiz.exe";
  ShellExecuteProc(Handle(), nullptr, wizard.c_str(), "-u", nullptr, SW_SHOWNORMAL);
}

void TMainForm::cancelclick(TObject*) { aform->Close(); }

void TMainForm::FormClose(TObject*, TCloseAction&) {
  ConfigAbout1->Enabled = true;
  // The controls go once the message that closed the window is done with
  // them (OK and Cancel close it from their own clicks).
  for (TControl* c : OptionControls.Built) c->SetVisible(false);
  FClosedControls.insert(FClosedControls.end(), OptionControls.Built.begin(), OptionControls.Built.end());
  OptionControls = TOptionControls{};
  PostMessageA(Handle(), WM_FREEOPTIONCONTROLS, 0, 0);
}

void TMainForm::FreeClosedControls() {
  if (FOptionsClickDepth > 0) return;   // freed when the click is done
  std::vector<TControl*> closed;
  closed.swap(FClosedControls);
  for (auto c = closed.rbegin(); c != closed.rend(); ++c) delete *c;
}

void TMainForm::okclick(TObject*) {
  ++FOptionsClickDepth;   // run directly too, not only from its button
  struct TClickDone {
    TMainForm* Form;
    ~TClickDone() { Form->EndOptionsClick(); }
  } done{this};
  TOptionControls& o = OptionControls;
  // 1. the rogue countries' page
  Settings.LogConnections = o.LogConnections->Checked();
  Settings.SoundAlert = o.SoundAlert->Checked();
  Settings.RogueCountries.clear();
  for (int i = 0; i < o.Countries->Items()->Count() && i < CountryCount; ++i)
    if (o.Countries->Checked(i)) Settings.RogueCountries += static_cast<char>(i + 1);
  Settings.MarkerSize = o.MarkerUpDown->Position();
  // 2. visuals and the web map
  Settings.ExtendLabels = o.ExtendLabels->Checked();
  Settings.LineSmoothing = o.Smoothing->Checked();
  Settings.GlobeGrid = o.Grid->Checked();
  Settings.ShowInfoBalloons = o.Balloons->Checked();
  if (o.MapType->ItemIndex() >= 0) Settings.MapType = o.MapType->ItemIndex();
  if (o.MapZoom->ItemIndex() >= 0) Settings.MapZoom = o.MapZoom->ItemIndex();
  // 3.-4. snapshots
  if (ChosenFolder.size() > 1) Settings.Savepath = ChosenFolder;
  Settings.SaveImages = o.SaveImages->Checked();
  Settings.Overwrite = o.Overwrite->Checked();
  Settings.Timestamp = o.Timestamp->Checked();
  Settings.SIInterval = StrToIntDef(o.SnapshotDisplay->Text(), Settings.SIInterval);   // as shown
  SetUpSnapshots();
  // 5. rotation
  Settings.RotationSpeed = o.RotationUpDown->Position();
  Settings.RotationFactor = Settings.RotationSpeed == 0  ? 1.0f
                   : Settings.RotationSpeed < 0 ? std::fabs(1.0f / static_cast<float>(Settings.RotationSpeed))
                                       : static_cast<float>(Settings.RotationSpeed);
  // 6. lines and points
  Settings.LineThickness = static_cast<uint8_t>(o.LineUpDown->Position());
  Settings.PointSize = static_cast<uint8_t>(o.PointUpDown->Position());
  // 7. the IP-list file
  Settings.IPList = o.IPList->Text();
  // 8. the labels font
  if (ChosenFontSize != 0) {
    LabelFont.SetName(ChosenFontName);
    LabelFont.SetSize(ChosenFontSize < 6 ? 7 : ChosenFontSize);
    LabelFont.SetStyle(ChosenFontStyle);
    GLWindowsBitmapFont1->SetFont(&LabelFont);   // the globe draws a copy
    Settings.Font = ChosenFontText;
    ChosenFontSize = 0;
  }
  // 9. the poll period, as shown
  Settings.Interval = OptionRange("Interval").Clamp(StrToIntDef(o.RefreshDisplay->Text(), 1)) * 1000;
  Timer->SetInterval(static_cast<UINT>(Settings.Interval));
  // 10.-11. the monitor and the window
  Settings.InternalOff = o.InternalOff->Checked();
  ConnectionsTable1->Enabled = !Settings.InternalOff;
  Settings.StayOnTop = o.StayOnTop->Checked();
  if (Settings.StayOnTop) {
    if (!DesktopModeActive()) SetFormStyle(TFormStyle::fsStayOnTop);
    StayOnTop1->SetChecked(true);
  } else {
    SetFormStyle(TFormStyle::fsNormal);
    StayOnTop1->SetChecked(false);
  }
  // 12. colours
  int* colors[4] = {&Settings.Color1, &Settings.Color2, &Settings.Color3, &Settings.Color4};
  TColorRgb* rgbs[4] = {&Settings.Color1Rgb, &Settings.Color2Rgb, &Settings.Color3Rgb, &Settings.Color4Rgb};
  for (int i = 0; i < 4; ++i) {
    *colors[i] = static_cast<int>(o.Swatches[i]->Brush()->Color());
    *rgbs[i] = ColorToRgb(*colors[i]);
  }
  SetUpPointSets();
  // 13.-14. the view's state, then every key
  TakeViewSettings();
  Settings.Implant = DesktopModeActive();
  WriteMainKey();
  WriteOptionKeys();
  // 15.-17.
  if (AnalyzedIPs.Count() > 0 && !Settings.Rotate) RepaintGlobe();
  aform->Close();
  if (frmMain && frmMain->Visible()) {
    frmMain->Close();
    if (Settings.ShowInfoBalloons) ++Selection.InfoWindowCounter;
    frmMain->BringToFront();
    frmMain->PlaceSelection();
    frmMain->Show();
  }
  if (!Timer->Enabled()) actRefresh->Execute();
}
