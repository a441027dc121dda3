#include "EveryControl.h"

#include "ControlForm.h"

void BuildEveryControl(TForm* F, TEveryControl& C) {
  F->SetCaption("Every control");
  F->Font()->SetName("Arial");
  F->Font()->SetHeight(-12);
  F->SetBounds(20, 20, 100, 100);
  F->SetClientSize(740, 560);

  C.Menu = new TMainMenu(F);
  auto* file = new TMenuItem(C.Menu);
  file->Caption = "&File";
  C.Menu->Items()->Add(file);
  auto* open = new TMenuItem(C.Menu);
  open->Caption = "Analyze file";
  open->ShortCut = VK_F4;
  file->Add(open);
  auto* drawn = new TMenuItem(C.Menu);
  drawn->Caption = "Traceroute";
  drawn->OnMeasureItem = [](TObject*, TCanvas* Cv, int& W, int& H) {
    W = Cv->TextWidth("Traceroute") + 40;
    H = 22;
  };
  file->Add(drawn);
  auto* options = new TMenuItem(C.Menu);
  options->Caption = "&Options";
  C.Menu->Items()->Add(options);
  auto* check = new TMenuItem(C.Menu);
  check->Caption = "Show this window automatically";
  check->SetChecked(true);
  options->Add(check);
  F->SetMenu(C.Menu);

  auto* status = new TStatusBar(F);
  status->SetParent(F);
  for (int w : {250, 150, 150}) status->AddPanel()->SetWidth(w);
  status->Panels(0)->SetText(" 3 connections listed");
  status->Panels(2)->SetText("Double click items");

  // left column: texts and choices
  auto* label = Place<TLabel>(F, F, 10, 10, 0, 0);
  label->SetCaption("Refresh every                    seconds");
  auto* display = Place<TEdit>(F, F, 83, 7, 32, 22);
  display->SetText("15");
  display->SetEnabled(false);
  auto* updown = Place<TUpDown>(F, F, 115, 6, 17, 24);
  updown->SetMin(1);
  updown->SetMax(3600);
  updown->SetPosition(15);
  C.Edit = Place<TEdit>(F, F, 10, 40, 200, 22);
  C.Edit->SetText("8.8.8.8");
  auto* labelled = Place<TLabeledEdit>(F, F, 114, 72, 96, 22);
  labelled->SetLabelPosition(TLabelPosition::lpLeft);
  labelled->EditLabel()->SetCaption("Country Code");
  labelled->SetCharCase(TEditCharCase::ecUpperCase);
  labelled->SetText("AT");
  auto* spin = Place<TSpinEdit>(F, F, 10, 104, 60, 22);
  spin->SetMaxValue(180);
  spin->SetValue(16);
  spin->SetEditorEnabled(false);
  auto* combo = Place<TComboBox>(F, F, 80, 104, 130, 22);
  combo->SetStyle(TComboBoxStyle::csDropDownList);
  for (const char* s : {"Normal", "Satellite", "Hybrid", "Physical", "3D"}) combo->Items()->Add(s);
  combo->SetItemIndex(2);
  auto* box = Place<TCheckBox>(F, F, 10, 136, 200, 20);
  box->SetCaption("Show UDP Connections");
  box->SetChecked(true);
  auto* group = Place<TGroupBox>(F, F, 10, 162, 200, 70);
  group->SetCaption(" Hemisphere ");
  auto* north = Place<TRadioButton>(F, group, 10, 20, 80, 20);
  north->SetCaption("N");
  north->SetChecked(true);
  auto* south = Place<TRadioButton>(F, group, 10, 44, 80, 20);
  south->SetCaption("S");
  auto* lines = Place<TListBox>(F, F, 10, 240, 200, 90);
  for (const char* s : {"Afghanistan", "Austria", "Brazil", "Chile", "Denmark"}) lines->Items()->Add(s);
  lines->SetItemIndex(1);

  // middle column: buttons, pictures, progress, memo
  C.Button = Place<TButton>(F, F, 230, 10, 100, 26);
  C.Button->SetCaption("Change font");
  C.Button->OnClick = [&C](TObject*) { ++C.Clicks; };
  auto* ok = Place<TBitBtn>(F, F, 230, 44, 80, 28);
  ok->SetKind(TBitBtnKind::bkOK);
  auto* cancel = Place<TBitBtn>(F, F, 320, 44, 80, 28);
  cancel->SetKind(TBitBtnKind::bkCancel);
  auto* panel = Place<TPanel>(F, F, 230, 80, 170, 40);
  panel->SetCaption("Panel");
  auto* bevel = Place<TBevel>(F, F, 230, 128, 170, 2);
  bevel->SetShape(TBevelShape::bsTopLine);
  auto* swatch = Place<TShape>(F, F, 230, 138, 20, 20);
  swatch->Brush()->SetColor(0x00FF00);
  auto* swatch2 = Place<TShape>(F, F, 260, 138, 20, 20);
  swatch2->Brush()->SetColor(0xFF0000);
  auto* image = Place<TImage>(F, F, 290, 138, 110, 40);
  TBitmap* pic = image->Picture()->Bitmap();
  pic->SetSize(110, 40);
  for (int i = 0; i < 11; ++i) {
    image->Canvas()->Brush()->SetColor(static_cast<TColor>(RGB(i * 25, 120, 255 - i * 25)));
    image->Canvas()->FillRect(Bounds(i * 10, 0, 10, 40));
  }
  image->Changed();
  auto* bar = Place<TProgressBar>(F, F, 230, 186, 170, 16);
  bar->SetPosition(60);
  auto* memo = Place<TMemo>(F, F, 230, 210, 170, 120);
  memo->ScrollBars = TScrollStyle::ssVertical;
  memo->Lines()->Add("---> Entering analyze mode.");
  memo->Lines()->Add("Logging suspended.");

  // right column: pages and the analysed file
  auto* pages = Place<TPageControl>(F, F, 420, 10, 310, 150);
  for (const char* c : {"&Options", "&Visuals", "&About"}) {
    auto* s = new TTabSheet(F);
    s->SetPageControl(pages);
    s->SetCaption(c);
  }
  auto* smoothing = Place<TCheckBox>(F, pages->Pages(0), 14, 20, 180, 20);
  smoothing->SetCaption("&Enable line smoothing");
  C.Rich = Place<TRichEdit>(F, F, 420, 170, 310, 160);
  C.Rich->WordWrap = false;
  C.Rich->Lines()->SetText("10:00 8.8.8.8:53 -> 192.168.1.2\r\n10:01 1.1.1.1:443 -> 192.168.1.2\r\n");
  int at = C.Rich->FindText("8.8.8.8", 0, C.Rich->GetTextLen(), {});
  SendMessageA(C.Rich->Handle(), EM_SETSEL, static_cast<WPARAM>(at), at + 7);
  C.Rich->SelAttributes()->SetColor(clRed);
  SendMessageA(C.Rich->Handle(), EM_SETSEL, 0, 0);

  // across the bottom: the connections table
  C.List = Place<TListView>(F, F, 10, 340, 720, 170);
  C.List->SetRowSelect(true);
  for (const char* c : {"Protocol", "Local IP", "Local Port", "Remote IP", "Remote Port", "Connection State"}) {
    TListColumn* col = C.List->AddColumn();
    col->SetCaption(c);
    col->SetWidth(110);
  }
  const char* rows[][6] = {{"TCP", "192.168.1.2", "50000", "8.8.8.8", "53", "Established"},
                           {"TCP", "0.0.0.0", "135", "0.0.0.0", "0", "Listen"},
                           {"UDP", "0.0.0.0", "500", "-", "-", ""}};
  for (auto& r : rows) {
    TListItem* it = C.List->AddItem();
    it->SetCaption(r[0]);
    for (int i = 1; i < 6; ++i) it->SubItems()->Add(r[i]);
  }
  C.List->OnCustomDrawItem = [](TObject* S, TListItem* Item, TCustomDrawState, bool&) {
    TCanvas* cv = static_cast<TListView*>(S)->Canvas();
    if (Item->Caption() == "UDP") cv->Brush()->SetColor(0xF0F0FF);
    else if (Item->SubItems()->Strings(2) == "0.0.0.0") cv->Brush()->SetColor(0xFFF0F0);
  };
}
