#include "classlib/ComCtrls.h"

#include <windowsx.h>

#include <algorithm>

#include "classlib/ImgList.h"

void InitCommonControl(DWORD Classes) {
  static DWORD done = 0;
  if ((done & Classes) == Classes) return;
  INITCOMMONCONTROLSEX icc{sizeof icc, Classes};
  if (InitCommonControlsEx(&icc)) done |= Classes;
}

// ---- TProgressBar --------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TProgressBar, TWinControl)

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 150;
  FHeight = 16;
}

void TProgressBar::CreateParams(TCreateParams& P) {
  InitCommonControl(ICC_PROGRESS_CLASS);
  TWinControl::CreateParams(P);
  P.SystemClass = PROGRESS_CLASSA;
  P.Style |= PBS_SMOOTH;
}

void TProgressBar::CreateHandleDone() {
  SendMessageA(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
  SendMessageA(Handle(), PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

void TProgressBar::SetMin(int Value) {
  FMin = Value;
  if (HandleAllocated()) SendMessageA(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

void TProgressBar::SetMax(int Value) {
  FMax = Value;
  if (HandleAllocated()) SendMessageA(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

int TProgressBar::Position() {
  if (HandleAllocated()) FPosition = static_cast<int>(SendMessageA(Handle(), PBM_GETPOS, 0, 0));
  return FPosition;
}

void TProgressBar::SetPosition(int Value) {
  FPosition = std::clamp(Value, FMin, std::max(FMin, FMax));
  if (HandleAllocated()) SendMessageA(Handle(), PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

// ---- TUpDown ---------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TUpDown, TWinControl)

TUpDown::TUpDown(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 17;
  FHeight = 25;
}

void TUpDown::CreateParams(TCreateParams& P) {
  InitCommonControl(ICC_UPDOWN_CLASS);
  TWinControl::CreateParams(P);
  P.SystemClass = UPDOWN_CLASSA;
  P.Style |= UDS_ALIGNRIGHT | UDS_SETBUDDYINT;
  if (Wrap) P.Style |= UDS_WRAP;
  if (ArrowKeys) P.Style |= UDS_ARROWKEYS;
  if (!Thousands) P.Style |= UDS_NOTHOUSANDS;
  if (Orientation == TUDOrientation::udHorizontal) P.Style |= UDS_HORZ;
}

void TUpDown::CreateHandleDone() {
  HWND h = Handle();
  SendMessageA(h, UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
  UDACCEL accel{0, static_cast<UINT>(FIncrement)};
  SendMessageA(h, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  if (FAssociate) SendMessageA(h, UDM_SETBUDDY, reinterpret_cast<WPARAM>(FAssociate->Handle()), 0);
  SendMessageA(h, UDM_SETPOS32, 0, FPosition);
}

void TUpDown::SetMin(int Value) {
  FMin = Value;
  if (HandleAllocated()) SendMessageA(Handle(), UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

void TUpDown::SetMax(int Value) {
  FMax = Value;
  if (HandleAllocated()) SendMessageA(Handle(), UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

int TUpDown::Position() {
  if (HandleAllocated()) {
    BOOL failed = FALSE;
    int p = static_cast<int>(SendMessageA(Handle(), UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed)));
    // "failed" tells that the buddy's text is no number; without a buddy
    // the control's own position is the answer
    if (!failed || !FAssociate) FPosition = p;
  }
  return FPosition;
}

void TUpDown::SetPosition(int Value) {
  FPosition = std::clamp(Value, std::min(FMin, FMax), std::max(FMin, FMax));
  if (HandleAllocated()) SendMessageA(Handle(), UDM_SETPOS32, 0, FPosition);
}

void TUpDown::SetIncrement(int Value) {
  FIncrement = Value;
  if (!HandleAllocated()) return;
  UDACCEL accel{0, static_cast<UINT>(Value)};
  SendMessageA(Handle(), UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
}

void TUpDown::SetAssociate(TWinControl* Value) {
  if (FAssociate) FAssociate->RemoveFreeNotification(this);
  FAssociate = Value;
  if (Value) {
    Value->FreeNotification(this);
    if (Value->Parent() && Value->Parent() != Parent()) SetParent(Value->Parent());
  }
  if (HandleAllocated())
    SendMessageA(Handle(), UDM_SETBUDDY, Value ? reinterpret_cast<WPARAM>(Value->Handle()) : 0, 0);
  if (Value && HandleAllocated()) SendMessageA(Handle(), UDM_SETPOS32, 0, FPosition);
}

void TUpDown::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FAssociate) {
    FAssociate = nullptr;
    if (HandleAllocated()) SendMessageA(Handle(), UDM_SETBUDDY, 0, 0);
  }
}

void TUpDown::WndProc(TMessage& M) {
  if (M.Msg == CN_NOTIFY && reinterpret_cast<NMHDR*>(M.LParam)->code == static_cast<UINT>(UDN_DELTAPOS)) {
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    M.Result = allow ? 0 : 1;
    FLastDelta = allow ? reinterpret_cast<NMUPDOWN*>(M.LParam)->iDelta : 0;
    return;
  }
  if ((M.Msg == CN_VSCROLL || M.Msg == CN_HSCROLL) && LOWORD(M.WParam) == SB_THUMBPOSITION) {
    Position();
    if (FLastDelta != 0 && OnClick) OnClick(this, FLastDelta > 0 ? TUDBtnType::btNext : TUDBtnType::btPrev);
    FLastDelta = 0;
    return;
  }
  TWinControl::WndProc(M);
}

// ---- TTabSheet -------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TTabSheet, TCustomControl)

TTabSheet::TTabSheet(TComponent* AOwner) : TCustomControl(AOwner) {
  FAlign = TAlign::alClient;
  FVisible = false;   // until its page control shows it
}

TTabSheet::~TTabSheet() { SetPageControl(nullptr); }

void TTabSheet::SetPageControl(TPageControl* Value) {
  if (Value == FPageControl) return;
  if (FPageControl) FPageControl->RemovePage(this);
  FPageControl = Value;
  SetParent(Value);
  if (Value) Value->InsertPage(this);
}

int TTabSheet::PageIndex() const {
  if (!FPageControl) return -1;
  auto& p = FPageControl->FPages;
  return static_cast<int>(std::find(p.begin(), p.end(), this) - p.begin());
}

int TTabSheet::TabIndex() const {
  if (!FPageControl || !FTabVisible) return -1;
  int n = 0;
  for (TTabSheet* p : FPageControl->FPages) {
    if (p == this) return n;
    if (p->FTabVisible) ++n;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool Value) {
  if (Value == FTabVisible) return;
  FTabVisible = Value;
  if (FPageControl) FPageControl->UpdateTabs();
}

void TTabSheet::TextChanged() {
  TCustomControl::TextChanged();
  if (FPageControl) FPageControl->UpdateTabs();
}

// ---- TPageControl -----------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TPageControl, TWinControl)

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 289;
  FHeight = 193;
  TabStop = true;
}

void TPageControl::CreateParams(TCreateParams& P) {
  InitCommonControl(ICC_TAB_CLASSES);
  TWinControl::CreateParams(P);
  P.SystemClass = WC_TABCONTROLA;
}

void TPageControl::CreateHandleDone() { UpdateTabs(); }

void TPageControl::UpdateTabs() {
  if (!HandleAllocated()) return;
  HWND h = Handle();
  SendMessageA(h, TCM_DELETEALLITEMS, 0, 0);
  int n = 0;
  for (TTabSheet* p : FPages) {
    if (!p->FTabVisible) continue;
    TCITEMA item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = const_cast<char*>(p->Caption().c_str());
    item.lParam = reinterpret_cast<LPARAM>(p);
    SendMessageA(h, TCM_INSERTITEMA, static_cast<WPARAM>(n++), reinterpret_cast<LPARAM>(&item));
  }
  SendMessageA(h, TCM_SETCURSEL, static_cast<WPARAM>(FActivePage ? FActivePage->TabIndex() : -1), 0);
  Realign();
}

void TPageControl::InsertPage(TTabSheet* Page) {
  FPages.push_back(Page);
  UpdateTabs();
  if (!FActivePage) SetActivePage(Page);
  else Page->SetVisible(false);
}

void TPageControl::RemovePage(TTabSheet* Page) {
  FPages.erase(std::remove(FPages.begin(), FPages.end(), Page), FPages.end());
  if (FActivePage == Page) {
    FActivePage = nullptr;
    SetActivePage(FPages.empty() ? nullptr : FPages.front());
  }
  UpdateTabs();
}

TTabSheet* TPageControl::PageOfTab(int TabIndex) const {
  for (TTabSheet* p : FPages)
    if (p->FTabVisible && TabIndex-- == 0) return p;
  return nullptr;
}

void TPageControl::SetActivePage(TTabSheet* Value) {
  if (Value && Value->FPageControl != this) return;
  FActivePage = Value;
  if (Value) Value->SetVisible(true);
  for (TTabSheet* p : FPages)
    if (p != Value) p->SetVisible(false);
  if (HandleAllocated())
    SendMessageA(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(Value ? Value->TabIndex() : -1), 0);
  if (Value && Value->HandleAllocated()) BringWindowToTop(Value->Handle());
}

int TPageControl::ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int Value) {
  SetActivePage(Value >= 0 && Value < PageCount() ? FPages[static_cast<size_t>(Value)] : nullptr);
}

void TPageControl::AdjustClientRect(TRect& R) {
  if (HandleAllocated()) {
    SendMessageA(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&R));
  } else {
    R.top += 24;
    InflateRect(&R, -4, -4);
  }
}

void TPageControl::WndProc(TMessage& M) {
  if (M.Msg == CN_NOTIFY) {
    auto* h = reinterpret_cast<NMHDR*>(M.LParam);
    if (h->code == static_cast<UINT>(TCN_SELCHANGING)) {
      bool allow = true;
      if (OnChanging) OnChanging(this, allow);
      M.Result = allow ? FALSE : TRUE;
      return;
    }
    if (h->code == static_cast<UINT>(TCN_SELCHANGE)) {
      SetActivePage(PageOfTab(static_cast<int>(SendMessageA(Handle(), TCM_GETCURSEL, 0, 0))));
      if (OnChange) OnChange(this);
      return;
    }
  }
  TWinControl::WndProc(M);
}

// ---- TStatusBar -------------------------------------------------------------------------

void TStatusPanel::SetText(const std::string& Value) {
  FText = Value;
  FOwner->UpdatePanel(static_cast<int>(std::find_if(FOwner->FPanels.begin(), FOwner->FPanels.end(),
                                                    [this](auto& p) { return p.get() == this; }) -
                                       FOwner->FPanels.begin()));
}

void TStatusPanel::SetWidth(int Value) {
  FWidth = Value;
  FOwner->UpdatePanels();
}

void TStatusPanel::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  FOwner->UpdatePanels();
}

IMPLEMENT_CLASSINFO(TStatusBar, TWinControl)

TStatusBar::TStatusBar(TComponent* AOwner) : TWinControl(AOwner) {
  FAlign = TAlign::alBottom;
  FWidth = 200;
  FHeight = 19;
}

void TStatusBar::CreateParams(TCreateParams& P) {
  InitCommonControl(ICC_BAR_CLASSES);
  TWinControl::CreateParams(P);
  P.SystemClass = STATUSCLASSNAMEA;
  P.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
}

void TStatusBar::CreateHandleDone() { UpdatePanels(); }

TStatusPanel* TStatusBar::AddPanel() {
  FPanels.push_back(std::make_unique<TStatusPanel>(this));
  UpdatePanels();
  return FPanels.back().get();
}

void TStatusBar::SetSimplePanel(bool Value) {
  FSimplePanel = Value;
  UpdatePanels();
}

void TStatusBar::SetSimpleText(const std::string& Value) {
  FSimpleText = Value;
  if (HandleAllocated() && FSimplePanel)
    SendMessageA(Handle(), SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(Value.c_str()));
}

void TStatusBar::UpdatePanels() {
  if (!HandleAllocated()) return;
  HWND h = Handle();
  SendMessageA(h, SB_SIMPLE, FSimplePanel, 0);
  if (FSimplePanel) {
    SendMessageA(h, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(FSimpleText.c_str()));
    return;
  }
  std::vector<int> edges;
  int x = 0;
  for (auto& p : FPanels) edges.push_back(x += p->Width());
  if (!edges.empty()) edges.back() = -1;   // the last panel takes the rest
  else edges.push_back(-1);
  SendMessageA(h, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  for (int i = 0; i < PanelCount(); ++i) UpdatePanel(i);
}

void TStatusBar::UpdatePanel(int Index) {
  if (!HandleAllocated() || FSimplePanel || Index < 0 || Index >= PanelCount()) return;
  TStatusPanel* p = Panels(Index);
  // a tab before the text centres it, two align it right
  static const char* const prefix[] = {"", "\t\t", "\t"};
  std::string text = prefix[static_cast<int>(p->Alignment())] + p->Text();
  SendMessageA(Handle(), SB_SETTEXTA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(text.c_str()));
}

void TStatusBar::WndProc(TMessage& M) {
  TWinControl::WndProc(M);
  if (M.Msg == WM_SIZE) UpdatePanels();
}

// ---- TListColumn, TListItem ------------------------------------------------------------------

void TListColumn::SetCaption(const std::string& Value) {
  FCaption = Value;
  if (!FOwner->HandleAllocated()) return;
  LVCOLUMNA c{};
  c.mask = LVCF_TEXT;
  c.pszText = const_cast<char*>(FCaption.c_str());
  SendMessageA(FOwner->Handle(), LVM_SETCOLUMNA, static_cast<WPARAM>(FIndex), reinterpret_cast<LPARAM>(&c));
}

int TListColumn::Width() {
  if (FOwner->FColumnsMade)
    FWidth = static_cast<int>(SendMessageA(FOwner->Handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(FIndex), 0));
  return FWidth;
}

void TListColumn::SetWidth(int Value) {
  if (MinWidth > 0) Value = std::max(Value, MinWidth);
  if (MaxWidth > 0) Value = std::min(Value, MaxWidth);
  FWidth = Value;
  if (FOwner->FColumnsMade) SendMessageA(FOwner->Handle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(FIndex), Value);
}

void TListColumn::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  if (!FOwner->HandleAllocated()) return;
  static const int formats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};
  LVCOLUMNA c{};
  c.mask = LVCF_FMT;
  c.fmt = formats[static_cast<int>(Value)];
  SendMessageA(FOwner->Handle(), LVM_SETCOLUMNA, static_cast<WPARAM>(FIndex), reinterpret_cast<LPARAM>(&c));
}

TListItem::TListItem(TListView* Owner) : FOwner(Owner) {
  FSubItems.OnChange = [this](TObject*) { Update(); };
}

int TListItem::Index() const { return FOwner->IndexOf(this); }

void TListItem::SetCaption(const std::string& Value) {
  FCaption = Value;
  Update();
}

void TListItem::Update() {
  if (!FOwner->HandleAllocated() || FOwner->FUpdateCount > 0) return;
  int i = Index();
  if (i >= 0) SendMessageA(FOwner->Handle(), LVM_REDRAWITEMS, static_cast<WPARAM>(i), i);
}

bool TListItem::Selected() const {
  return FOwner->HandleAllocated() &&
         SendMessageA(FOwner->Handle(), LVM_GETITEMSTATE, static_cast<WPARAM>(Index()), LVIS_SELECTED);
}

void TListItem::SetSelected(bool Value) {
  LVITEMA it{};
  it.stateMask = LVIS_SELECTED;
  it.state = Value ? LVIS_SELECTED : 0;
  SendMessageA(FOwner->Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(Index()), reinterpret_cast<LPARAM>(&it));
}

bool TListItem::Focused() const {
  return FOwner->HandleAllocated() &&
         SendMessageA(FOwner->Handle(), LVM_GETITEMSTATE, static_cast<WPARAM>(Index()), LVIS_FOCUSED);
}

void TListItem::SetFocused(bool Value) {
  LVITEMA it{};
  it.stateMask = LVIS_FOCUSED;
  it.state = Value ? LVIS_FOCUSED : 0;
  SendMessageA(FOwner->Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(Index()), reinterpret_cast<LPARAM>(&it));
}

void TListItem::MakeVisible() { SendMessageA(FOwner->Handle(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(Index()), FALSE); }

TRect TListItem::DisplayRect() const {
  RECT r{LVIR_BOUNDS, 0, 0, 0};
  SendMessageA(FOwner->Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(Index()), reinterpret_cast<LPARAM>(&r));
  return r;
}

// ---- TListView ---------------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TListView, TWinControl)

TListView::TListView(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 250;
  FHeight = 150;
  FColor = clWindow;
  Brush()->SetColor(clWindow);
  TabStop = true;
}

TListView::~TListView() { DestroyHandle(); }   // while the rows it asks about still exist

void TListView::CreateParams(TCreateParams& P) {
  InitCommonControl(ICC_LISTVIEW_CLASSES);
  TWinControl::CreateParams(P);
  P.SystemClass = WC_LISTVIEWA;
  static const DWORD views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
  P.Style |= views[static_cast<int>(ViewStyle)] | LVS_SHAREIMAGELISTS;
  if (!ReadOnly) P.Style |= LVS_EDITLABELS;
  if (!HideSelection) P.Style |= LVS_SHOWSELALWAYS;
  if (!MultiSelect) P.Style |= LVS_SINGLESEL;
  if (!ShowColumnHeaders) P.Style |= LVS_NOCOLUMNHEADER;
  P.ExStyle |= WS_EX_CLIENTEDGE;
}

void TListView::SetExtendedStyles() {
  if (!HandleAllocated()) return;
  DWORD mask = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES;
  DWORD value = (FRowSelect ? LVS_EX_FULLROWSELECT : 0) | (FGridLines ? LVS_EX_GRIDLINES : 0);
  SendMessageA(Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, mask, value);
}

void TListView::SetRowSelect(bool Value) {
  FRowSelect = Value;
  SetExtendedStyles();
}

void TListView::SetGridLines(bool Value) {
  FGridLines = Value;
  SetExtendedStyles();
}

void TListView::CreateHandleDone() {
  SetExtendedStyles();
  for (auto& c : FColumns) InsertColumnWindow(c.get());
  FColumnsMade = true;
  SendMessageA(Handle(), LVM_SETITEMCOUNT, FItems.size(), 0);
  for (int i = 0; i < ItemCount(); ++i) InsertItemWindow(i);
  SizeColumns();
}

void TListView::InsertColumnWindow(TListColumn* Column) {
  static const int formats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};
  LVCOLUMNA c{};
  c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
  c.fmt = formats[static_cast<int>(Column->FAlignment)];
  c.cx = Column->FWidth;
  c.pszText = const_cast<char*>(Column->FCaption.c_str());
  c.iSubItem = Column->FIndex;
  SendMessageA(Handle(), LVM_INSERTCOLUMNA, static_cast<WPARAM>(Column->FIndex), reinterpret_cast<LPARAM>(&c));
  if (Column->FIndex == 0) return;
  LVITEMA it{};
  it.iSubItem = Column->FIndex;
  it.pszText = LPSTR_TEXTCALLBACKA;
  for (int i = 0; i < ItemCount(); ++i)
    SendMessageA(Handle(), LVM_SETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&it));
}

TListColumn* TListView::AddColumn() {
  FColumns.push_back(std::make_unique<TListColumn>(this, ColumnCount()));
  TListColumn* c = FColumns.back().get();
  if (HandleAllocated()) InsertColumnWindow(c);
  return c;
}

void TListView::InsertItemWindow(int Index) {
  LVITEMA it{};
  it.mask = LVIF_TEXT | LVIF_PARAM;
  it.iItem = Index;
  it.pszText = LPSTR_TEXTCALLBACKA;
  it.lParam = reinterpret_cast<LPARAM>(FItems[static_cast<size_t>(Index)].get());
  HWND h = Handle();
  int at = static_cast<int>(SendMessageA(h, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it)));
  for (int c = 1; c < ColumnCount(); ++c) {
    LVITEMA sub{};
    sub.iSubItem = c;
    sub.pszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(h, LVM_SETITEMTEXTA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&sub));
  }
}

TListItem* TListView::InsertItem(int Index) {
  Index = std::clamp(Index, 0, ItemCount());
  FItems.insert(FItems.begin() + Index, std::make_unique<TListItem>(this));
  if (HandleAllocated()) InsertItemWindow(Index);
  return FItems[static_cast<size_t>(Index)].get();
}

void TListView::DeleteItem(int Index) {
  if (Index < 0 || Index >= ItemCount()) throw EListError(Format("List index out of bounds (%d)", Index));
  if (HandleAllocated()) SendMessageA(Handle(), LVM_DELETEITEM, static_cast<WPARAM>(Index), 0);
  FItems.erase(FItems.begin() + Index);
}

void TListView::Clear() {
  if (HandleAllocated()) SendMessageA(Handle(), LVM_DELETEALLITEMS, 0, 0);
  FItems.clear();
}

void TListView::BeginUpdate() {
  if (FUpdateCount++ == 0 && HandleAllocated()) SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
}

void TListView::EndUpdate() {
  if (FUpdateCount == 0 || --FUpdateCount > 0 || !HandleAllocated()) return;
  SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(Handle(), nullptr, TRUE);
}

int TListView::IndexOf(const TListItem* Item) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == Item) return static_cast<int>(i);
  return -1;
}

TListItem* TListView::Selected() const {
  if (!HandleAllocated()) return nullptr;
  int i = static_cast<int>(SendMessageA(const_cast<TListView*>(this)->Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  return i >= 0 && i < ItemCount() ? FItems[static_cast<size_t>(i)].get() : nullptr;
}

void TListView::SetSelected(TListItem* Value) {
  if (!HandleAllocated()) return;
  LVITEMA none{};
  none.stateMask = LVIS_SELECTED;
  SendMessageA(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  if (!Value) return;
  Value->SetSelected(true);
  Value->SetFocused(true);
}

int TListView::ItemIndex() const {
  TListItem* s = Selected();
  return s ? IndexOf(s) : -1;
}

void TListView::SetItemIndex(int Value) {
  SetSelected(Value >= 0 && Value < ItemCount() ? FItems[static_cast<size_t>(Value)].get() : nullptr);
}

TListItem* TListView::ItemFocused() const {
  if (!HandleAllocated()) return nullptr;
  int i = static_cast<int>(
      SendMessageA(const_cast<TListView*>(this)->Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  return i >= 0 && i < ItemCount() ? FItems[static_cast<size_t>(i)].get() : nullptr;
}

TListItem* TListView::GetItemAt(int X, int Y) const {
  if (!HandleAllocated()) return nullptr;
  LVHITTESTINFO hit{};
  hit.pt = Point(X, Y);
  int i = static_cast<int>(
      SendMessageA(const_cast<TListView*>(this)->Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  return i >= 0 && i < ItemCount() ? FItems[static_cast<size_t>(i)].get() : nullptr;
}

namespace {
struct TSortContext {
  const TLVCompare* Compare;
  LPARAM Data;
  std::exception_ptr Error;
};

int CALLBACK SortCallback(LPARAM A, LPARAM B, LPARAM Context) {
  auto* c = reinterpret_cast<TSortContext*>(Context);
  if (c->Error) return 0;
  try {
    return (*c->Compare)(reinterpret_cast<TListItem*>(A), reinterpret_cast<TListItem*>(B), c->Data);
  } catch (...) {
    c->Error = std::current_exception();   // raised once the system's sort returned
    return 0;
  }
}
}  // namespace

void TListView::CustomSort(const TLVCompare& Compare, LPARAM Data) {
  TSortContext context{&Compare, Data, nullptr};
  if (!HandleAllocated()) {
    std::stable_sort(FItems.begin(), FItems.end(), [&](auto& a, auto& b) {
      return !context.Error && SortCallback(reinterpret_cast<LPARAM>(a.get()), reinterpret_cast<LPARAM>(b.get()),
                                            reinterpret_cast<LPARAM>(&context)) < 0;
    });
  } else {
    HWND h = Handle();
    SendMessageA(h, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&context), reinterpret_cast<LPARAM>(SortCallback));
    // the rows in the order the control now shows them
    std::vector<std::unique_ptr<TListItem>> sorted;
    sorted.reserve(FItems.size());
    std::vector<std::pair<TListItem*, size_t>> where;
    for (size_t i = 0; i < FItems.size(); ++i) where.emplace_back(FItems[i].get(), i);
    std::sort(where.begin(), where.end());
    for (int i = 0; i < ItemCount(); ++i) {
      LVITEMA it{};
      it.mask = LVIF_PARAM;
      it.iItem = i;
      SendMessageA(h, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
      auto w = std::lower_bound(where.begin(), where.end(), std::make_pair(reinterpret_cast<TListItem*>(it.lParam), size_t{0}));
      sorted.push_back(std::move(FItems[w->second]));
    }
    FItems = std::move(sorted);
  }
  if (context.Error) std::rethrow_exception(context.Error);
}

void TListView::AlphaSort() {
  if (OnCompare) {
    CustomSort(
        [this](TListItem* A, TListItem* B, LPARAM Data) {
          int c = 0;
          OnCompare(this, A, B, static_cast<int>(Data), c);
          return c;
        },
        0);
  } else {
    CustomSort([](TListItem* A, TListItem* B, LPARAM) { return lstrcmpiA(A->Caption().c_str(), B->Caption().c_str()); },
               0);
  }
}

const std::string& TListView::TextOf(TListItem* Item, int SubItem) const {
  static const std::string none;
  if (SubItem == 0) return Item->FCaption;
  return SubItem - 1 < Item->FSubItems.Count() ? Item->FSubItems[SubItem - 1] : none;
}

LRESULT TListView::CustomDraw(NMLVCUSTOMDRAW* D) {
  if (D->nmcd.dwDrawStage == CDDS_PREPAINT) return OnCustomDrawItem ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
  if (D->nmcd.dwDrawStage != CDDS_ITEMPREPAINT || !OnCustomDrawItem) return CDRF_DODEFAULT;
  size_t i = D->nmcd.dwItemSpec;
  if (i >= FItems.size()) return CDRF_DODEFAULT;
  TCustomDrawState state;
  const std::pair<UINT, TCustomDrawStateItem> flags[] = {
      {CDIS_SELECTED, TCustomDrawStateItem::cdsSelected}, {CDIS_GRAYED, TCustomDrawStateItem::cdsGrayed},
      {CDIS_DISABLED, TCustomDrawStateItem::cdsDisabled}, {CDIS_CHECKED, TCustomDrawStateItem::cdsChecked},
      {CDIS_FOCUS, TCustomDrawStateItem::cdsFocused},     {CDIS_DEFAULT, TCustomDrawStateItem::cdsDefault},
      {CDIS_HOT, TCustomDrawStateItem::cdsHot}};
  for (auto& f : flags)
    if (D->nmcd.uItemState & f.first) state.Include(f.second);
  FCanvas.SetHandle(D->nmcd.hdc);
  FCanvas.Brush()->SetColor(FColor);
  FCanvas.Font()->Assign(&FFont);
  bool defaultDraw = true;
  try {
    OnCustomDrawItem(this, FItems[i].get(), state, defaultDraw);
  } catch (...) {
    FCanvas.SetHandle(nullptr);
    throw;
  }
  D->clrTextBk = ColorToRGB(FCanvas.Brush()->Color());
  D->clrText = ColorToRGB(FCanvas.Font()->Color());
  FCanvas.SetHandle(nullptr);
  return defaultDraw ? CDRF_DODEFAULT : CDRF_SKIPDEFAULT;
}

LRESULT TListView::Notify(NMHDR* H) {
  switch (H->code) {
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW: {
      auto* d = reinterpret_cast<NMLVDISPINFOA*>(H);
      if (!(d->item.mask & LVIF_TEXT) || d->item.cchTextMax <= 0) return 0;
      auto* item = reinterpret_cast<TListItem*>(d->item.lParam);
      if (!item && d->item.iItem >= 0 && d->item.iItem < ItemCount()) item = Items(d->item.iItem);
      if (!item) return 0;
      const std::string& text = TextOf(item, d->item.iSubItem);
      if (H->code == LVN_GETDISPINFOA) {
        lstrcpynA(d->item.pszText, text.c_str(), d->item.cchTextMax);
      } else {
        auto* w = reinterpret_cast<LPWSTR>(d->item.pszText);
        int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), w, d->item.cchTextMax - 1);
        w[std::max(n, 0)] = L'\0';
      }
      return 0;
    }
    case NM_CUSTOMDRAW:
      return CustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(H));
    case NM_CLICK:
      Click();
      return 0;
    case NM_DBLCLK:
      DblClick();
      return 0;
    case LVN_COLUMNCLICK: {
      int c = reinterpret_cast<NMLISTVIEW*>(H)->iSubItem;
      if (OnColumnClick && c >= 0 && c < ColumnCount()) OnColumnClick(this, Columns(c));
      return 0;
    }
    case LVN_ITEMCHANGED: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(H);
      if ((nm->uChanged & LVIF_STATE) && ((nm->uOldState ^ nm->uNewState) & LVIS_SELECTED) && nm->iItem >= 0 &&
          nm->iItem < ItemCount() && OnSelectItem)
        OnSelectItem(this, Items(nm->iItem), (nm->uNewState & LVIS_SELECTED) != 0);
      return 0;
    }
    default:
      return 0;
  }
}

void TListView::WndProc(TMessage& M) {
  if (M.Msg == WM_NCDESTROY) FColumnsMade = false;
  if (M.Msg == CN_NOTIFY) {
    M.Result = Notify(reinterpret_cast<NMHDR*>(M.LParam));
    return;
  }
  if (M.Msg == WM_NOTIFY) {
    // the header's: a column dragged keeps within its limits
    auto* h = reinterpret_cast<NMHEADERA*>(M.LParam);
    if ((h->hdr.code == HDN_ITEMCHANGINGA || h->hdr.code == HDN_ITEMCHANGINGW) && h->pitem &&
        (h->pitem->mask & HDI_WIDTH) && h->iItem >= 0 && h->iItem < ColumnCount()) {
      TListColumn* c = Columns(h->iItem);
      if (c->MinWidth > 0 && h->pitem->cxy < c->MinWidth) h->pitem->cxy = c->MinWidth;
      if (c->MaxWidth > 0 && h->pitem->cxy > c->MaxWidth) h->pitem->cxy = c->MaxWidth;
    }
  }
  TWinControl::WndProc(M);
}

void TListView::SizeColumns() {
  if (!FColumnsMade || FSizingColumns) return;
  int room = ClientWidth();
  std::vector<TListColumn*> autos;
  for (auto& c : FColumns) {
    if (c->AutoSize) autos.push_back(c.get());
    else room -= c->Width();
  }
  // equal shares; a column held at a limit leaves the rest to the others
  std::vector<std::pair<TListColumn*, int>> widths;
  for (bool held = true; held && !autos.empty();) {
    held = false;
    int share = std::max(0, room) / static_cast<int>(autos.size());
    for (auto it = autos.begin(); it != autos.end(); ++it) {
      TListColumn* c = *it;
      int limit = c->MaxWidth > 0 && share > c->MaxWidth ? c->MaxWidth : c->MinWidth > share ? c->MinWidth : -1;
      if (limit < 0) continue;
      widths.emplace_back(c, limit);
      room -= limit;
      autos.erase(it);
      held = true;
      break;
    }
  }
  for (TListColumn* c : autos) widths.emplace_back(c, std::max(0, room) / static_cast<int>(autos.size()));
  FSizingColumns = true;
  for (auto& w : widths) w.first->SetWidth(w.second);
  FSizingColumns = false;
}

void TListView::Resize() {
  SizeColumns();
  TWinControl::Resize();
}

// ---- TRichEdit -------------------------------------------------------------------------------------

TColor TTextAttributes::Color() { return Get().crTextColor; }

void TTextAttributes::SetColor(TColor Value) {
  CHARFORMAT2A f{};
  f.cbSize = sizeof f;
  f.dwMask = CFM_COLOR;
  f.crTextColor = ColorToRGB(Value);
  Set(f);
}

TFontStyles TTextAttributes::Style() {
  CHARFORMAT2A f = Get();
  TFontStyles s;
  if (f.dwEffects & CFE_BOLD) s.Include(TFontStyle::fsBold);
  if (f.dwEffects & CFE_ITALIC) s.Include(TFontStyle::fsItalic);
  if (f.dwEffects & CFE_UNDERLINE) s.Include(TFontStyle::fsUnderline);
  if (f.dwEffects & CFE_STRIKEOUT) s.Include(TFontStyle::fsStrikeOut);
  return s;
}

void TTextAttributes::SetStyle(TFontStyles Value) {
  CHARFORMAT2A f{};
  f.cbSize = sizeof f;
  f.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
  if (Value.Contains(TFontStyle::fsBold)) f.dwEffects |= CFE_BOLD;
  if (Value.Contains(TFontStyle::fsItalic)) f.dwEffects |= CFE_ITALIC;
  if (Value.Contains(TFontStyle::fsUnderline)) f.dwEffects |= CFE_UNDERLINE;
  if (Value.Contains(TFontStyle::fsStrikeOut)) f.dwEffects |= CFE_STRIKEOUT;
  Set(f);
}

CHARFORMAT2A TTextAttributes::Get() {
  CHARFORMAT2A f{};
  f.cbSize = sizeof f;
  SendMessageA(FOwner->Handle(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&f));
  return f;
}

void TTextAttributes::Set(CHARFORMAT2A& F) {
  SendMessageA(FOwner->Handle(), EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&F));
}

IMPLEMENT_CLASSINFO(TRichEdit, TMemo)

TRichEdit::TRichEdit(TComponent* AOwner) : TMemo(AOwner), FSelAttributes(this) {
  FLibrary.Reset(LoadLibraryA("riched20.dll"));
  if (!FLibrary) throw EOSError("Cannot load riched20.dll: " + SysErrorMessage(GetLastError()));
}

TRichEdit::~TRichEdit() { DestroyHandle(); }   // before its library goes

void TRichEdit::CreateParams(TCreateParams& P) {
  TMemo::CreateParams(P);
  P.SystemClass = "RichEdit20A";   // the ANSI class: this program's texts are ANSI
}

void TRichEdit::CreateHandleDone() {
  TMemo::CreateHandleDone();
  HWND h = Handle();
  if (MaxLength() == 0) SendMessageA(h, EM_EXLIMITTEXT, 0, 0x7FFFFFF0);
  SendMessageA(h, EM_SETEVENTMASK, 0, ENM_CHANGE);
  SendMessageA(h, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(ColorToRGB(FColor)));
}

int TRichEdit::FindText(const std::string& SearchStr, int StartPos, int Length, TSearchTypes Options) {
  FINDTEXTEXA ft{};
  ft.chrg.cpMin = StartPos;
  ft.chrg.cpMax = StartPos + Length;
  ft.lpstrText = SearchStr.c_str();
  WPARAM flags = FR_DOWN;
  if (Options.Contains(TSearchType::stMatchCase)) flags |= FR_MATCHCASE;
  if (Options.Contains(TSearchType::stWholeWord)) flags |= FR_WHOLEWORD;
  return static_cast<int>(SendMessageA(Handle(), EM_FINDTEXTEX, flags, reinterpret_cast<LPARAM>(&ft)));
}

int TRichEdit::GetTextLen() {
  GETTEXTLENGTHEX g{GTL_NUMCHARS | GTL_PRECISE, CP_ACP};
  return static_cast<int>(SendMessageA(Handle(), EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&g), 0));
}

std::string TRichEdit::SelText() {
  CHARRANGE r{};
  SendMessageA(Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
  std::string s(static_cast<size_t>(std::max(0L, static_cast<long>(r.cpMax - r.cpMin))) * 2 + 1, '\0');
  s.resize(static_cast<size_t>(SendMessageA(Handle(), EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(s.data()))));
  return s;
}

// ---- TToolButton, TToolBar ---------------------------------------------------------------

IMPLEMENT_CLASSINFO(TToolButton, TGraphicControl)

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 23;
  FHeight = 22;
}

TToolBar* TToolButton::Bar() const { return dynamic_cast<TToolBar*>(FParent); }

void TToolButton::SetParent(TWinControl* AParent) {
  TToolBar* old = Bar();
  TGraphicControl::SetParent(AParent);
  if (old && old != Bar()) old->Arrange();
  if (TToolBar* b = Bar()) b->Arrange();
}

void TToolButton::SetStyle(TToolButtonStyle Value) {
  FStyle = Value;
  if (TToolBar* b = Bar()) b->Arrange();
}

void TToolButton::SetImageIndex(int Value) {
  FImageIndex = Value;
  Invalidate();
}

void TToolButton::SetHint(const std::string& Value) {
  Hint = Value;
  if (TToolBar* b = Bar()) b->UpdateToolTips();
}

void TToolButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == TMouseButton::mbLeft) {
    FPressed = true;
    Invalidate();
  }
  TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TToolButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == TMouseButton::mbLeft && FPressed) {
    FPressed = false;
    Invalidate();
  }
  TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TToolButton::Paint() {
  TCanvas* c = Canvas();
  HDC dc = c->Handle();
  RECT r{0, 0, FWidth, FHeight};
  if (FStyle == TToolButtonStyle::tbsSeparator) {
    RECT line{FWidth / 2 - 1, 1, FWidth / 2 + 1, FHeight - 1};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
    return;
  }
  const bool enabled = FEnabled;
  if (enabled && FPressed && FHot)
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
  else if (enabled && FHot)
    DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
  TToolBar* b = Bar();
  TCustomImageList* images = b ? b->Images() : nullptr;
  if (!images || FImageIndex < 0 || FImageIndex >= images->Count()) return;
  const int shift = enabled && FPressed && FHot ? 1 : 0;
  const int x = (FWidth - images->Width()) / 2 + shift, y = (FHeight - images->Height()) / 2 + shift;
  if (enabled) {
    ImageList_Draw(images->Handle(), FImageIndex, dc, x, y, ILD_NORMAL);
  } else {
    HICON icon = ImageList_GetIcon(images->Handle(), FImageIndex, ILD_NORMAL);
    DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, x, y, 0, 0, DST_ICON | DSS_DISABLED);
    DestroyIcon(icon);
  }
}

IMPLEMENT_CLASSINFO(TToolBar, TCustomControl)

TToolBar::TToolBar(TComponent* AOwner) : TCustomControl(AOwner) {
  FAlign = TAlign::alTop;
  FWidth = 150;
  FHeight = 29;
}

TToolBar::~TToolBar() {
  if (FToolTips) DestroyWindow(FToolTips);
}

void TToolBar::SetImages(TCustomImageList* Value) {
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (FImages) FImages->FreeNotification(this);
  Invalidate();
}

void TToolBar::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FImages) FImages = nullptr;
  if (AComponent == FHot) FHot = nullptr;
}

void TToolBar::SetButtonSize(int AWidth, int AHeight) {
  FButtonWidth = AWidth;
  FButtonHeight = AHeight;
  Arrange();
}

void TToolBar::Arrange() {
  if (FArranging) return;
  FArranging = true;
  int x = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (!c->Visible()) continue;
    if (auto* b = dynamic_cast<TToolButton*>(c)) {
      const int w = b->Style() == TToolButtonStyle::tbsSeparator ? 8 : FButtonWidth;
      b->SetBounds(x, 2, w, FButtonHeight);
      x += w;
    } else {
      c->SetBounds(x, 2 + (FButtonHeight - c->Height()) / 2, c->Width(), c->Height());
      x += c->Width();
    }
  }
  FArranging = false;
  UpdateToolTips();
  Invalidate();
}

void TToolBar::CreateHandleDone() {
  TCustomControl::CreateHandleDone();
  InitCommonControl(ICC_BAR_CLASSES);
  FToolTips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  Arrange();
}

// One tool per button with a hint, over the button's place.
void TToolBar::UpdateToolTips() {
  if (!FToolTips || !HandleAllocated()) return;
  TTTOOLINFOA t{};
  t.cbSize = sizeof t;
  while (SendMessageA(FToolTips, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&t)))
    SendMessageA(FToolTips, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&t));
  for (int i = 0; i < ControlCount(); ++i) {
    auto* b = dynamic_cast<TToolButton*>(Controls(i));
    if (!b || !b->Visible() || b->Hint.empty() || b->Style() == TToolButtonStyle::tbsSeparator) continue;
    TTTOOLINFOA n{};
    n.cbSize = sizeof n;
    n.uFlags = TTF_SUBCLASS;
    n.hwnd = Handle();
    n.uId = static_cast<UINT_PTR>(i + 1);
    n.rect = b->BoundsRect();
    n.lpszText = const_cast<char*>(b->Hint.c_str());
    SendMessageA(FToolTips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&n));
  }
}

std::string TToolBar::ToolTipText(TToolButton* Button) {
  if (!FToolTips) return {};
  for (int i = 0; i < ControlCount(); ++i) {
    if (Controls(i) != Button) continue;
    char text[256] = "";
    TTTOOLINFOA t{};
    t.cbSize = sizeof t;
    t.hwnd = Handle();
    t.uId = static_cast<UINT_PTR>(i + 1);
    t.lpszText = text;
    SendMessageA(FToolTips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&t));
    return text;
  }
  return {};
}

void TToolBar::SetHot(TToolButton* Button) {
  if (Button == FHot) return;
  if (FHot) {
    FHot->FHot = false;
    FHot->Invalidate();
  }
  FHot = Button;
  if (FHot) {
    FHot->FHot = true;
    FHot->Invalidate();
  }
}

void TToolBar::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_MOUSEMOVE: {
      const int x = GET_X_LPARAM(M.LParam), y = GET_Y_LPARAM(M.LParam);
      TToolButton* hot = nullptr;
      for (int i = 0; i < ControlCount(); ++i) {
        auto* b = dynamic_cast<TToolButton*>(Controls(i));
        if (b && b->Visible() && b->Style() == TToolButtonStyle::tbsButton && x >= b->Left() &&
            x < b->Left() + b->Width() && y >= b->Top() && y < b->Top() + b->Height())
          hot = b;
      }
      SetHot(hot);
      if (!MouseInControl()) {   // to hear when the pointer leaves
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, Handle(), 0};
        TrackMouseEvent(&t);
      }
      break;
    }
    case WM_MOUSELEAVE:
      SetHot(nullptr);
      break;
    case WM_SIZE:
      TCustomControl::WndProc(M);
      Arrange();
      return;
    case WM_DESTROY:
      if (FToolTips) DestroyWindow(FToolTips);   // owned by the form, not by the bar
      FToolTips = nullptr;
      break;
    default:
      break;
  }
  TCustomControl::WndProc(M);
}
