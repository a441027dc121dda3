#include <string>
#include <vector>

#include "ControlForm.h"
#include "classlib/ComCtrls.h"

namespace {
const char* const Captions[] = {"Protocol", "Local IP", "Local Port", "Remote IP", "Remote Port",
                                "Connection State", "Process Name: PId", "Location", "Country", "ID"};

// A connection table as the poll fills it: TCP rows, listening rows
// (remote 0.0.0.0) and UDP rows, ports "-" for UDP remotes.
void Fill(TListView* L, int Rows) {
  L->BeginUpdate();
  for (int i = 0; i < Rows; ++i) {
    TListItem* it = L->AddItem();
    int kind = i % 5;
    it->SetCaption(kind == 4 ? "UDP" : "TCP");
    TStringList* s = it->SubItems();
    s->Add("192.168.1." + IntToStr(i % 250));
    s->Add(IntToStr((i * 7919) % 65536));
    s->Add(kind == 3 ? "0.0.0.0" : "10.0." + IntToStr(i / 250) + "." + IntToStr(i % 250));
    s->Add(kind == 4 ? "-" : IntToStr((i * 104729) % 65536));
    s->Add(kind == 3 ? "Listen" : "Established");
    s->Add("svc" + IntToStr(i % 17) + ".exe: " + IntToStr(1000 + i));
    s->Add("Place " + IntToStr(i % 31));
    s->Add("XX");
    s->Add(IntToStr(1000 + i));
  }
  L->EndUpdate();
}

std::string ItemText(TListView* L, int Item, int Sub) {
  char buf[128] = {};
  LVITEMA it{};
  it.iSubItem = Sub;
  it.pszText = buf;
  it.cchTextMax = sizeof buf;
  SendMessageA(L->Handle(), LVM_GETITEMTEXTA, static_cast<WPARAM>(Item), reinterpret_cast<LPARAM>(&it));
  return buf;
}

int Port(const std::string& S) { return S == "-" ? 0 : StrToInt(S); }

uint32_t Rgb(TColor C) { return ((C & 0xFF) << 16) | (C & 0xFF00) | ((C >> 16) & 0xFF); }
}  // namespace

TEST_F(ControlTest, ReportListOfAThousandRowsSortsBothWaysAndColoursItsRows) {
  Form->SetBounds(20, 20, 900, 600);
  auto* list = new TListView(Form);
  list->SetParent(Form);
  list->SetAlign(TAlign::alClient);
  list->SetRowSelect(true);
  list->HideSelection = false;
  list->Font()->SetName("Arial");
  for (const char* c : Captions) {
    TListColumn* col = list->AddColumn();
    col->SetCaption(c);
    col->SetWidth(80);
  }
  list->Columns(9)->SetWidth(0);
  Fill(list, 1000);
  // sorting: the column's texts ignoring case, the port columns as numbers
  int sortColumn = -1;
  bool ascending = true;
  list->OnCompare = [&](TObject*, TListItem* A, TListItem* B, int Column, int& Result) {
    if (Column == 0) Result = lstrcmpiA(A->Caption().c_str(), B->Caption().c_str());
    else if (Column == 2 || Column == 4) {
      int a = Port(A->SubItems()->Strings(Column - 1)), b = Port(B->SubItems()->Strings(Column - 1));
      Result = b < a ? -1 : b > a ? 1 : 0;
    } else Result = lstrcmpiA(A->SubItems()->Strings(Column - 1).c_str(), B->SubItems()->Strings(Column - 1).c_str());
    if (!ascending) Result = -Result;
  };
  list->OnColumnClick = [&](TObject*, TListColumn* Column) {
    if (Column->Index() == sortColumn) ascending = !ascending;
    else sortColumn = Column->Index();
    list->CustomSort(
        [&](TListItem* A, TListItem* B, LPARAM Data) {
          int r = 0;
          list->OnCompare(list, A, B, static_cast<int>(Data), r);
          return r;
        },
        sortColumn);
  };
  // UDP rows pale red, listening TCP rows pale blue
  const TColor paleRed = 0xF0F0FF, paleBlue = 0xFFF0F0;
  list->OnCustomDrawItem = [&](TObject* S, TListItem* Item, TCustomDrawState, bool&) {
    TCanvas* c = static_cast<TListView*>(S)->Canvas();
    if (Item->Caption() == "UDP") c->Brush()->SetColor(paleRed);
    else if (Item->SubItems()->Strings(2) == "0.0.0.0") c->Brush()->SetColor(paleBlue);
  };
  std::vector<std::string> events;
  list->OnClick = [&](TObject*) { events.push_back("click"); };
  list->OnDblClick = [&](TObject*) { events.push_back("double"); };
  list->OnSelectItem = [&](TObject*, TListItem* I, bool Sel) {
    if (Sel) events.push_back("select " + I->SubItems()->Strings(8));
  };
  ShowForm();

  ASSERT_EQ(SendMessageA(list->Handle(), LVM_GETITEMCOUNT, 0, 0), 1000);
  // the texts the control shows are the rows' own
  EXPECT_EQ(ItemText(list, 0, 0), "TCP");
  EXPECT_EQ(ItemText(list, 4, 0), "UDP");
  EXPECT_EQ(ItemText(list, 4, 4), "-");
  EXPECT_EQ(ItemText(list, 777, 6), list->Items(777)->SubItems()->Strings(5));
  list->Items(777)->SubItems()->Put(6, "Vienna");
  EXPECT_EQ(ItemText(list, 777, 7), "Vienna");

  // a click on the "Remote Port" header: ports from the highest down (the
  // flag reads ascending), then the other way
  HWND header = reinterpret_cast<HWND>(SendMessageA(list->Handle(), LVM_GETHEADER, 0, 0));
  RECT hr;
  SendMessageA(header, HDM_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&hr));
  ClickClient(header, (hr.left + hr.right) / 2, (hr.top + hr.bottom) / 2);
  PumpFor(100);
  ASSERT_EQ(sortColumn, 4);
  std::vector<int> ports;
  for (int i = 0; i < 1000; ++i) ports.push_back(Port(ItemText(list, i, 4)));
  EXPECT_TRUE(std::is_sorted(ports.rbegin(), ports.rend()));
  EXPECT_EQ(ports.back(), 0);   // "-" counts as 0
  for (int i = 0; i < 1000; i += 97) EXPECT_EQ(list->Items(i)->SubItems()->Strings(3), ItemText(list, i, 4));
  PumpFor(GetDoubleClickTime() + 50);   // two clicks, not a double click
  ClickClient(header, (hr.left + hr.right) / 2, (hr.top + hr.bottom) / 2);
  PumpFor(100);
  EXPECT_FALSE(ascending);
  ports.clear();
  for (int i = 0; i < 1000; ++i) ports.push_back(Port(ItemText(list, i, 4)));
  EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end()));
  // a text column keeps the direction
  SendMessageA(header, HDM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&hr));
  PumpFor(GetDoubleClickTime() + 50);
  ClickClient(header, (hr.left + hr.right) / 2, (hr.top + hr.bottom) / 2);
  PumpFor(100);
  std::vector<std::string> remotes;
  for (int i = 0; i < 1000; ++i) remotes.push_back(ItemText(list, i, 3));
  EXPECT_TRUE(std::is_sorted(remotes.rbegin(), remotes.rend(),
                             [](auto& a, auto& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; }));
  for (int i = 0; i < 1000; i += 89) EXPECT_EQ(list->Items(i)->SubItems()->Strings(2), remotes[static_cast<size_t>(i)]);

  // back to the order of the poll, where every kind of row comes up on the screen
  list->CustomSort(
      [](TListItem* A, TListItem* B, LPARAM) {
        return StrToInt(A->SubItems()->Strings(8)) - StrToInt(B->SubItems()->Strings(8));
      },
      0);
  EXPECT_EQ(ItemText(list, 0, 9), "1000");
  list->Items(0)->MakeVisible();
  PumpFor(80);
  TCapture shot = CaptureClient(list->Handle());
  SaveBmp(shot, "listview.bmp");
  int top = static_cast<int>(SendMessageA(list->Handle(), LVM_GETTOPINDEX, 0, 0));
  int seenUdp = 0, seenListen = 0, seenPlain = 0;
  for (int i = top; i < top + 15; ++i) {
    TRect r = list->Items(i)->DisplayRect();
    uint32_t px = shot.At(r.left + 80 * 5 + 76, (r.top + r.bottom) / 2);   // the end of the "State" column
    if (list->Items(i)->Caption() == "UDP") seenUdp += px == Rgb(paleRed);
    else if (list->Items(i)->SubItems()->Strings(2) == "0.0.0.0") seenListen += px == Rgb(paleBlue);
    else seenPlain += px == 0xFFFFFF;
  }
  EXPECT_EQ(seenUdp + seenListen + seenPlain, 15);
  EXPECT_EQ(seenUdp, 3);
  EXPECT_EQ(seenListen, 3);

  // selection by a real click, and a double click
  events.clear();
  TRect r3 = list->Items(top + 3)->DisplayRect();
  ClickClient(list->Handle(), 40, (r3.top + r3.bottom) / 2);
  PumpFor(100);
  ASSERT_EQ(list->Selected(), list->Items(top + 3));
  EXPECT_EQ(list->ItemIndex(), top + 3);
  EXPECT_EQ(SendMessageA(list->Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), top + 3);
  std::string id = list->Items(top + 3)->SubItems()->Strings(8);
  EXPECT_EQ(events, (std::vector<std::string>{"select " + id, "click"}));
  POINT p = ClientToScreenPoint(list->Handle(), 40, (r3.top + r3.bottom) / 2);
  PumpFor(GetDoubleClickTime() + 50);
  DoubleClickAt(p.x, p.y);
  PumpFor(120);
  EXPECT_EQ(events.back(), "double");

  // a compare that fails: raised after the sort, the rows all still there
  list->Items(10)->SubItems()->Put(1, "http");
  EXPECT_THROW(list->CustomSort(
                   [](TListItem* A, TListItem* B, LPARAM) {
                     return StrToInt(A->SubItems()->Strings(1)) - StrToInt(B->SubItems()->Strings(1));
                   },
                   0),
               EConvertError);
  EXPECT_EQ(SendMessageA(list->Handle(), LVM_GETITEMCOUNT, 0, 0), 1000);
  EXPECT_EQ(list->ItemCount(), 1000);
  for (int i = 0; i < 1000; i += 111)
    EXPECT_EQ(ItemText(list, i, 9), list->Items(i)->SubItems()->Strings(8));
  list->DeleteItem(0);
  list->Clear();
  EXPECT_EQ(SendMessageA(list->Handle(), LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST_F(ControlTest, AutoSizeColumnsShareTheWidthWithinTheirLimits) {
  auto* list = Add<TListView>(Form, 10, 10, 420, 200);
  TListColumn* a = list->AddColumn();
  a->AutoSize = true;
  a->MaxWidth = 69;
  TListColumn* b = list->AddColumn();
  b->AutoSize = true;
  TListColumn* c = list->AddColumn();
  c->SetWidth(65);
  ShowForm();
  EXPECT_EQ(a->Width(), 69);   // held at its limit: the other takes the rest
  EXPECT_EQ(b->Width(), list->ClientWidth() - 65 - 69);
  list->SetWidth(620);
  PumpFor(50);
  EXPECT_EQ(b->Width(), list->ClientWidth() - 65 - 69);
  EXPECT_EQ(SendMessageA(list->Handle(), LVM_GETCOLUMNWIDTH, 0, 0), 69);
}
