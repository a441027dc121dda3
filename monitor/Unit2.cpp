#include "monitor/Unit2.h"

#include <cmath>

#include "monitor/Unit7.h"
#include "monitor/uAddressMatch.h"
#include "monitor/uIPHelperAPI.h"

IMPLEMENT_CLASSINFO(TForm2, TAppWindowForm)

TForm2* Form2 = nullptr;
int SortColumn = -1;
bool SortAscending = true;
const std::array<const char*, 9> SortCaptions = {
    " Protocol", " Local IP", " Local Port", " Remote IP", " Remote port", " Connection State",
    " Process Name: PId", " Location", " Country"};

namespace {
const char* const ColumnCaptions[] = {"Protocol",          "Local IP", "Local Port", "Remote IP", "Remote Port",
                                      "Connection State", "Process Name: PId", "Location", "Country", "ID"};
constexpr char Bullet = '\x95';

const std::string& SubItem(TListItem* Item, int Index) {
  static const std::string none;
  TStringList* s = Item->SubItems();
  return Index >= 0 && Index < s->Count() ? (*s)[Index] : none;
}

int PortValue(const std::string& Text) { return Text == "-" ? 0 : StrToInt(Text); }

enum TTableImage { tiRefresh, tiSave, tiProcessInfo, tiWhois, tiWebMap, tiCloseConnection, tiKill, tiCloseWindow };
}  // namespace

// ---- Sorting, colours, commands ----

int CompareConnectionItems(TListItem* Item1, TListItem* Item2, int Column) {
  int result;
  if (Column == 0) {
    result = AnsiCompareText(Item1->Caption(), Item2->Caption());
  } else if (Column == 2 || Column == 4) {
    const int a = PortValue(SubItem(Item1, Column - 1)), b = PortValue(SubItem(Item2, Column - 1));
    result = b < a ? -1 : b > a ? 1 : 0;
  } else {
    result = AnsiCompareText(SubItem(Item1, Column - 1), SubItem(Item2, Column - 1));
  }
  return SortAscending ? result : -result;
}

bool ConnectionRowColor(TListItem* Item, TColor& Color) {
  if (Item->Caption() == "UDP") {
    Color = RGB(255, 240, 240);
    return true;
  }
  if (Item->Caption() == "TCP" && SubItem(Item, siRemoteIP) == "0.0.0.0") {
    Color = RGB(240, 240, 255);
    return true;
  }
  return false;
}

TTableCommands TableCommandsFor(TListItem* S, bool DoubleClick) {
  TTableCommands c;
  if (!S) return c;
  const std::string& process = SubItem(S, siProcess);
  c.Process = SubItem(S, siID) != "0" && (DoubleClick || process.empty() || process[0] != '?');
  c.Close = S->Caption() == "TCP" && SubItem(S, siState) == "Established";
  if (OwnerInfoMissing)
    c.Process = false;
  else
    c.ProcessInfo = true;
  const std::string& remote = SubItem(S, siRemoteIP);
  c.MapWhois = remote != "-" && remote != "0.0.0.0" && SubItem(S, siLocation) != "-";
  return c;
}

// ---- HTML export ----

std::string HtmlText(const std::string& S) {
  std::string r;
  r.reserve(S.size());
  for (char c : S) {
    switch (c) {
      case '<': r += "&lt;"; break;
      case '>': r += "&gt;"; break;
      case '&': r += "&amp;"; break;
      case '"': r += "&quot;"; break;
      case '\'': r += "&#39;"; break;
      default: r += c;
    }
  }
  return r;
}

std::string ConnectionsTableHtml(TListView* List, const std::string& Stamp) {
  std::string h =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1250\">"
      "<title>Connections Table</title></head><body><table border=\"1\" width=\"100%\" cellspacing=\"0\" "
      "cellpadding=\"2\" style=\"font-family: Arial; font-size: 10pt\">"
      "<tr bgcolor=\"#dddddd\"><td width=\"7%\"><b>Protocol</b></td><td width=\"12%\"><b>Local IP</b></td>"
      "<td width=\"9%\"><b>Local Port</b></td><td width=\"12%\"><b>Remote IP</b></td><td width=\"10%\">"
      "<b>Remote Port</b></td><td width=\"13%\"><b>Connection State</b>"
      "</td><td width=\"14%\"><b>Process Name: PID</b></td><td width=\"15%\"><b>Location</b></td>"
      "<td width=\"8%\"><b>Country</b></td></tr>";
  for (int i = 0; i < List->ItemCount(); ++i) {
    TListItem* item = List->Items(i);
    h += item->Caption() == "TCP" ? "<tr bgcolor=\"#ffffff\"><td>" : "<tr bgcolor=\"#ffeeee\"><td>";
    h += HtmlText(item->Caption());
    h += "</td>";
    TStringList* s = item->SubItems();
    for (int k = 0; k + 1 < s->Count(); ++k) {   // the last one, the process ID, is left out
      const std::string& v = (*s)[k];
      if (v == "Unknown")
        h += "<td><i>" + v + "</i></td>";
      else
        h += "<td>" + HtmlText(v) + "</td>";
    }
  }
  h += "</tr></table><p align=\"right\"><font size=\"1\">Connectons Table generated at ";
  h += HtmlText(Stamp);
  h += " by Vantrel</font></p></body></html>";
  return h;
}

// ---- The window ----

TForm2::TForm2(TComponent* AOwner) : TAppWindowForm(AOwner) {
  Name = "Form2";
  SetCaption("Connections Table");
  SetBounds(120, 120, 760, 360);
  Tag = SortColumn;   // the sort the poll's refill keeps
  OnCreate = [this](TObject* S) { FormCreate(S); };
  OnShow = [this](TObject* S) { FormShow(S); };
  OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };

  ImageList1 = new TImageList(this);
  ImageList1->Name = "ImageList1";
  ImageList1->SetSize(24, 24);
  DrawTableImages(ImageList1);

  ToolBar1 = new TToolBar(this);
  ToolBar1->Name = "ToolBar1";
  ToolBar1->SetParent(this);
  ToolBar1->SetImages(ImageList1);
  ToolBar1->SetButtonSize(31, 30);
  ToolBar1->SetHeight(34);
  tablerefresz = AddButton("tablerefresz", " Refresh Connections Table ", tiRefresh);
  ToolButton1 = AddButton("ToolButton1", " Save Table As HTML ", tiSave);
  ToolButton2 = AddButton("ToolButton2", " Process Information ", tiProcessInfo);
  ToolButton3 = AddButton("ToolButton3", " Remote IP Whois ", tiWhois);
  ToolButton3->SetEnabled(false);
  webmap = AddButton("webmap", " Show on Web Map ", tiWebMap);
  webmap->SetEnabled(false);
  AddSeparator();
  tablecloseconn = AddButton("tablecloseconn", " Close Selected TCP Connection ", tiCloseConnection);
  tablecloseconn->SetEnabled(false);
  kill = AddButton("kill", " Terminate Selected Process ", tiKill);
  kill->SetEnabled(false);
  AddSeparator();
  tableclose = AddButton("tableclose", " Close This Window ", tiCloseWindow);
  AddSeparator();
  CheckBox2 = AddCheckBox("CheckBox2", "Autorefresh");
  AddSeparator();
  CheckBox1 = AddCheckBox("CheckBox1", "Hide Own Connections");
  AddSeparator();
  CheckBox3 = AddCheckBox("CheckBox3", "Show UDP Connections");
  CheckBox3->SetChecked(true);   // before its handler is bound: no refill at creation
  CheckBox1->OnClick = [this](TObject* S) { CheckBox1Click(S); };
  CheckBox2->OnClick = [this](TObject* S) { CheckBox2Click(S); };
  CheckBox3->OnClick = [this](TObject* S) { CheckBox3Click(S); };
  tableclose->OnClick = [this](TObject* S) { tablecloseClick(S); };
  ToolButton1->OnClick = [this](TObject* S) { ToolButton1Click(S); };

  StatusBar1 = new TStatusBar(this);
  StatusBar1->Name = "StatusBar1";
  StatusBar1->SetParent(this);
  StatusBar1->AddPanel()->SetWidth(160);
  TStatusPanel* hint = StatusBar1->AddPanel();
  hint->SetAlignment(TAlignment::taRightJustify);
  hint->SetText("Double click items on list to center view over selected location.     ");

  PopupMenu1 = new TPopupMenu(this);
  PopupMenu1->Name = "PopupMenu1";
  ff1 = AddItem("ff1", "Refresh Table", "ct");
  SaveTable1 = AddItem("SaveTable1", "Save Table");
  ProcessInfo1 = AddItem("ProcessInfo1", "Process Info", "ct");
  RemoteIPWhois1 = AddItem("RemoteIPWhois1", "Remote IP Whois", "ct");
  webmapmenu = AddItem("webmapmenu", "Show on Web Map", "ct");
  AddItem("N1", "-");
  CloseConnection1 = AddItem("CloseConnection1", "Close Connection", "ct");
  erminateProcess1 = AddItem("erminateProcess1", "Terminate Process", "ct");
  AddItem("N2", "-");
  CloseThisWindow1 = AddItem("CloseThisWindow1", "Close This Window");
  SaveTable1->OnClick = [this](TObject* S) { ToolButton1Click(S); };
  CloseThisWindow1->OnClick = [this](TObject* S) { tablecloseClick(S); };
  PopupMenu1->OnPopup = [this](TObject* S) { ListView1Click(S); };

  ListView1 = new TListView(this);
  ListView1->Name = "ListView1";
  ListView1->SetParent(this);
  ListView1->SetAlign(TAlign::alClient);
  ListView1->ReadOnly = true;
  ListView1->HideSelection = false;
  ListView1->SetRowSelect(true);
  ListView1->Font()->SetName("Arial");
  ListView1->Font()->SetSize(8);
  for (int i = 0; i < 10; ++i) {
    TListColumn* c = ListView1->AddColumn();
    c->SetCaption(ColumnCaptions[i]);
    c->AutoSize = i < 8;
  }
  ListView1->Columns(0)->MaxWidth = 69;
  ListView1->Columns(2)->MaxWidth = 72;
  ListView1->Columns(5)->MinWidth = 102;
  ListView1->Columns(8)->SetWidth(65);
  ListView1->Columns(9)->SetWidth(0);
  ListView1->SetPopupMenu(PopupMenu1);
  ListView1->OnColumnClick = [this](TObject* S, TListColumn* C) { ListView1ColumnClick(S, C); };
  ListView1->OnCustomDrawItem = [this](TObject* S, TListItem* I, TCustomDrawState St, bool& D) {
    ListView1CustomDrawItem(S, I, St, D);
  };
  ListView1->OnClick = [this](TObject* S) { ListView1Click(S); };
  ListView1->OnDblClick = [this](TObject* S) { ListView1DblClick(S); };

  SaveDialog1 = new TSaveDialog(this);
  SaveDialog1->Name = "SaveDialog1";
}

TToolButton* TForm2::AddButton(const char* AName, const char* AHint, int Image) {
  auto* b = new TToolButton(this);
  b->Name = AName;
  b->SetImageIndex(Image);
  b->SetParent(ToolBar1);
  b->SetHint(AHint);
  b->ShowHint = true;
  return b;
}

void TForm2::AddSeparator() {
  auto* b = new TToolButton(this);
  b->SetStyle(TToolButtonStyle::tbsSeparator);
  b->SetParent(ToolBar1);
}

TCheckBox* TForm2::AddCheckBox(const char* AName, const char* ACaption) {
  auto* c = new TCheckBox(this);
  c->Name = AName;
  c->SetCaption(ACaption);
  c->SetParent(ToolBar1);
  HDC dc = GetDC(nullptr);
  TCanvas canvas(dc);
  canvas.SetFont(c->Font());
  const int width = canvas.TextWidth(ACaption) + 24;
  canvas.SetHandle(nullptr);
  ReleaseDC(nullptr, dc);
  c->SetBounds(0, 0, width, 17);
  ToolBar1->Arrange();
  return c;
}

TMenuItem* TForm2::AddItem(const char* AName, const char* ACaption, const char* AHint) {
  auto* i = new TMenuItem(this);
  i->Name = AName;
  i->Caption = ACaption;
  i->Hint = AHint;
  PopupMenu1->Items()->Add(i);
  return i;
}

void TForm2::FormCreate(TObject*) {
  // The commands are the main window's.
  auto bind = [](void (TMonitorHost::*Handler)(TObject*)) {
    return [Handler](TObject* S) {
      if (MonitorHost) (MonitorHost->*Handler)(S);
    };
  };
  tablerefresz->OnClick = ff1->OnClick = bind(&TMonitorHost::ConnectionsTable1Click);
  tablecloseconn->OnClick = CloseConnection1->OnClick = bind(&TMonitorHost::closenonnectionClick);
  kill->OnClick = erminateProcess1->OnClick = bind(&TMonitorHost::killconnectionClick);
  ToolButton2->OnClick = ProcessInfo1->OnClick = bind(&TMonitorHost::webinfoClick);
  ToolButton3->OnClick = RemoteIPWhois1->OnClick = bind(&TMonitorHost::whoisClick);
  webmap->OnClick = webmapmenu->OnClick = bind(&TMonitorHost::gmClick);
  FirstShow = true;
}

void TForm2::FormShow(TObject*) {
  if (!FirstShow) return;
  if (MonitorHost) {
    TStringList& o = MonitorHost->Options();
    auto option = [&](int I) { return o.Count() > I && StrToBool(o[I]); };
    CheckBox1->SetChecked(option(3));   // each box that changes runs its handler
    CheckBox2->SetChecked(option(4));
    CheckBox3->SetChecked(option(2));
  }
  FirstShow = false;
}

void TForm2::FormClose(TObject*, TCloseAction&) {
  if (MonitorHost) MonitorHost->ConnectionsTableClosed();
  webmap->SetEnabled(false);
}

void TForm2::tablecloseClick(TObject*) { Close(); }

namespace {
void SetOption(int Index, bool On) {
  if (!MonitorHost) return;
  TStringList& o = MonitorHost->Options();
  while (o.Count() <= Index) o.Add("0");
  o.Put(Index, On ? "1" : "0");
}
}  // namespace

void TForm2::CheckBox1Click(TObject* Sender) {
  if (MonitorHost) MonitorHost->ConnectionsTable1Click(Sender);
  SetOption(3, CheckBox1->Checked());
}

void TForm2::CheckBox2Click(TObject* Sender) {
  if (CheckBox2->Checked() && MonitorHost) MonitorHost->ConnectionsTable1Click(Sender);
  SetOption(4, CheckBox2->Checked());
}

void TForm2::CheckBox3Click(TObject* Sender) {
  if (MonitorHost) MonitorHost->ConnectionsTable1Click(Sender);
  SetOption(2, CheckBox3->Checked());
}

void TForm2::ListView1ColumnClick(TObject*, TListColumn* Column) {
  if (SortColumn >= 0 && SortColumn < static_cast<int>(SortCaptions.size()))
    ListView1->Columns(SortColumn)->SetCaption(SortCaptions[static_cast<size_t>(SortColumn)]);
  const int clicked = Column->Index();
  if (clicked == SortColumn)
    SortAscending = !SortAscending;
  else
    SortColumn = clicked;
  Tag = SortColumn;
  ListView1->CustomSort([](TListItem* A, TListItem* B, LPARAM C) { return CompareConnectionItems(A, B, static_cast<int>(C)); },
                        clicked);
  if (clicked < static_cast<int>(SortCaptions.size()))
    Column->SetCaption(std::string(1, Bullet) + SortCaptions[static_cast<size_t>(clicked)]);
}

void TForm2::ListView1CustomDrawItem(TObject*, TListItem* Item, TCustomDrawState, bool&) {
  TColor c;
  if (ConnectionRowColor(Item, c)) ListView1->Canvas()->Brush()->SetColor(c);
}

void TForm2::EnableCommands(const TTableCommands& C) {
  kill->SetEnabled(C.Process);
  erminateProcess1->Enabled = C.Process;
  tablecloseconn->SetEnabled(C.Close);
  CloseConnection1->Enabled = C.Close;
  ToolButton2->SetEnabled(C.ProcessInfo);
  ProcessInfo1->Enabled = C.ProcessInfo;
  webmap->SetEnabled(C.MapWhois);
  webmapmenu->Enabled = C.MapWhois;
  ToolButton3->SetEnabled(C.MapWhois);
  RemoteIPWhois1->Enabled = C.MapWhois;
}

void TForm2::ListView1Click(TObject*) { EnableCommands(TableCommandsFor(ListView1->Selected(), false)); }

void TForm2::ListView1DblClick(TObject*) {
  TListItem* s = ListView1->Selected();
  EnableCommands(TableCommandsFor(s, true));
  if (!s || !MonitorHost) return;
  const std::string& remote = SubItem(s, siRemoteIP);
  if (remote == "-" || remote == "0.0.0.0" || SubItem(s, siLocation) == "-") return;
  // The entry that holds this very address: "1.2.3.4" is not "11.2.3.45".
  const TStringList& plotted = MonitorHost->PlottedAddresses();
  for (int i = 0; i < plotted.Count(); ++i)
    if (ContainsAddress(plotted[i], remote)) {
      MonitorHost->TurnGlobeTo(i);
      return;
    }
  if (Form7) Form7->Show();
}

void TForm2::ToolButton1Click(TObject*) { SaveListViewToFile(); }

void TForm2::SaveListViewToFile() {
  SaveDialog1->FileName = "Connections Table";
  SaveDialog1->DefaultExt = "html";
  SaveDialog1->Title = " Save Connections Table";
  SaveDialog1->Filter = "HTML file |*.html";
  if (!SaveDialog1->Execute()) return;
  const std::string page = ConnectionsTableHtml(ListView1, MonitorHost ? MonitorHost->TableTime() : std::string());
  TFileStream f(SaveDialog1->FileName, fmCreate);
  f.WriteBuffer(page.data(), static_cast<int64_t>(page.size()));
}

void TForm2::ShowConnectionItems(const std::vector<TConnectionItem>& Items) {
  ListView1->BeginUpdate();
  try {
    ListView1->Clear();
    for (const TConnectionItem& row : Items) {
      TListItem* item = ListView1->AddItem();
      item->SetCaption(row.Caption);
      TStringList* s = item->SubItems();
      s->BeginUpdate();
      for (const std::string& v : row.SubItems) s->Add(v);
      s->EndUpdate();
    }
    if (Tag >= 0)   // the user's sort, if any; else the poll's order
      ListView1->CustomSort(
          [](TListItem* A, TListItem* B, LPARAM C) { return CompareConnectionItems(A, B, static_cast<int>(C)); }, Tag);
  } catch (...) {
    ListView1->EndUpdate();
    throw;
  }
  ListView1->EndUpdate();
  StatusBar1->Panels(0)->SetText(" " + IntToStr(ListView1->ItemCount()) + " connections listed");
}

// ---- Tool-bar pictures ----

void DrawTableImages(TCustomImageList* Images) {
  const int n = 8, s = 24;
  const TColor mask = RGB(255, 0, 255);
  TBitmap strip;
  strip.SetPixelFormat(TPixelFormat::pf24bit);
  strip.SetSize(n * s, s);
  TCanvas* c = strip.Canvas();
  c->Brush()->SetColor(mask);
  c->FillRect(Rect(0, 0, n * s, s));
  auto pen = [&](TColor Color, int Width) {
    c->Pen()->SetColor(Color);
    c->Pen()->SetWidth(Width);
  };
  auto brush = [&](TColor Color) { c->Brush()->SetColor(Color); };
  auto text = [&](int X, int Y, const char* T, TColor Color, int Height) {
    c->Brush()->SetStyle(TBrushStyle::bsClear);
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(Height);
    c->Font()->SetStyle(TFontStyles{TFontStyle::fsBold});
    c->Font()->SetColor(Color);
    c->TextOut(X, Y, T);
    c->Brush()->SetStyle(TBrushStyle::bsSolid);
  };
  const TColor dark = RGB(40, 40, 40), red = RGB(200, 30, 30), blue = RGB(30, 80, 190), green = RGB(30, 140, 50);
  int x = 0;
  // refresh: two arrows around a circle
  pen(green, 3);
  c->MoveTo(x + 5, x + 12);
  for (int a = 0; a <= 270; a += 15) {
    const double r = a * 3.14159265 / 180;
    c->LineTo(x + 12 + static_cast<int>(7 * std::cos(r)), 12 - static_cast<int>(7 * std::sin(r)));
  }
  pen(green, 1);
  brush(green);
  const POINT head[] = {{x + 12, 1}, {x + 17, 5}, {x + 12, 9}};
  Polygon(c->Handle(), head, 3);
  // save: a disk
  x = tiSave * s;
  pen(dark, 1);
  brush(blue);
  c->Rectangle(x + 3, 3, x + 21, 21);
  brush(clWhite);
  c->Rectangle(x + 6, 3, x + 18, 11);
  brush(dark);
  c->Rectangle(x + 8, 14, x + 16, 21);
  // process information: an "i" in a circle
  x = tiProcessInfo * s;
  pen(blue, 1);
  brush(blue);
  c->Ellipse(x + 2, 2, x + 22, 22);
  text(x + 9, 3, "i", clWhite, -16);
  // whois: a magnifier
  x = tiWhois * s;
  pen(dark, 3);
  c->MoveTo(x + 14, 14);
  c->LineTo(x + 21, 21);
  pen(dark, 2);
  brush(RGB(200, 225, 255));
  c->Ellipse(x + 2, 2, x + 17, 17);
  text(x + 6, 2, "?", blue, -12);
  // web map: a globe
  x = tiWebMap * s;
  pen(blue, 1);
  brush(RGB(90, 150, 230));
  c->Ellipse(x + 2, 2, x + 22, 22);
  brush(green);
  pen(green, 1);
  c->Ellipse(x + 6, 6, x + 13, 14);
  c->Ellipse(x + 13, 11, x + 19, 18);
  pen(clWhite, 1);
  c->MoveTo(x + 2, 12);
  c->LineTo(x + 22, 12);
  // close connection: a cut line
  x = tiCloseConnection * s;
  pen(dark, 3);
  c->MoveTo(x + 1, 12);
  c->LineTo(x + 8, 12);
  c->MoveTo(x + 16, 12);
  c->LineTo(x + 23, 12);
  pen(red, 3);
  c->MoveTo(x + 8, 5);
  c->LineTo(x + 16, 19);
  c->MoveTo(x + 16, 5);
  c->LineTo(x + 8, 19);
  // terminate process: a stop sign
  x = tiKill * s;
  pen(red, 1);
  brush(red);
  const POINT stop[] = {{x + 8, 2},  {x + 16, 2}, {x + 22, 8},  {x + 22, 16},
                        {x + 16, 22}, {x + 8, 22}, {x + 2, 16}, {x + 2, 8}};
  Polygon(c->Handle(), stop, 8);
  brush(clWhite);
  pen(clWhite, 1);
  c->Rectangle(x + 6, 10, x + 18, 14);
  // close window: a window with a cross
  x = tiCloseWindow * s;
  pen(dark, 1);
  brush(clWhite);
  c->Rectangle(x + 2, 3, x + 22, 21);
  brush(blue);
  c->FillRect(Rect(x + 3, 4, x + 21, 8));
  pen(red, 2);
  c->MoveTo(x + 8, 10);
  c->LineTo(x + 16, 18);
  c->MoveTo(x + 16, 10);
  c->LineTo(x + 8, 18);
  Images->AddMasked(&strip, mask);
}
