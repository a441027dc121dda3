#include "classlib/StdCtrls.h"

#include <algorithm>

IMPLEMENT_CLASSINFO(TLabel, TWinControl)

TLabel::TLabel(TComponent* AOwner) : TWinControl(AOwner) {
  FPaints = true;
  FWidth = 65;
  FHeight = 13;
  SetParentColor(true);
}

void TLabel::CreateParams(TCreateParams& P) { TWinControl::CreateParams(P); }

// Labels lie under the other controls of their parent (a display box may
// sit in the blanks of a label's text), later labels over earlier ones.
void TLabel::CreateHandleDone() {
  HWND self = Handle(), below = HWND_TOP;
  for (HWND w = GetWindow(self, GW_HWNDFIRST); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == self) continue;
    if (dynamic_cast<TLabel*>(FindControl(w))) break;
    below = w;   // the lowest control that is no label so far
  }
  if (below != HWND_TOP) SetWindowPos(self, below, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TLabel::SetParent(TWinControl* AParent) {
  TWinControl::SetParent(AParent);
  AdjustBounds();
}

UINT TLabel::DrawTextFlags() const {
  UINT f = DT_EXPANDTABS;
  if (FWordWrap) f |= DT_WORDBREAK;
  if (!ShowAccelChar) f |= DT_NOPREFIX;
  if (FAlignment == TAlignment::taRightJustify) f |= DT_RIGHT;
  else if (FAlignment == TAlignment::taCenter) f |= DT_CENTER;
  return f;
}

void TLabel::Paint(HDC DC) {
  RECT r{0, 0, ClientWidth(), ClientHeight()};
  HGDIOBJ old = SelectObject(DC, FFont.Handle());
  SetBkMode(DC, TRANSPARENT);
  COLORREF c = ColorToRGB(FFont.Color());
  if (!FEnabled) c = GetSysColor(COLOR_GRAYTEXT);
  SetTextColor(DC, c);
  DrawTextA(DC, FCaption.c_str(), static_cast<int>(FCaption.size()), &r, DrawTextFlags());
  SelectObject(DC, old);
}

void TLabel::AdjustBounds() {
  if (!FAutoSize) return;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, FFont.Handle());
  RECT r{0, 0, FWordWrap ? FWidth : 0, 0};
  std::string text = FCaption.empty() ? std::string(" ") : FCaption;
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DrawTextFlags() | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  SetBounds(FLeft, FTop, r.right, r.bottom);
}

void TLabel::SetAutoSize(bool Value) {
  FAutoSize = Value;
  AdjustBounds();
}

void TLabel::SetWordWrap(bool Value) {
  FWordWrap = Value;
  AdjustBounds();
  Invalidate();
}

void TLabel::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  Invalidate();
}

void TLabel::TextChanged() {
  TWinControl::TextChanged();
  AdjustBounds();
}

void TLabel::FontChanged() {
  AdjustBounds();
  Invalidate();
}

// ---- TButton -----------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TButton, TWinControl)

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 75;
  FHeight = 25;
  TabStop = true;
}

DWORD TButton::ButtonStyle() const { return FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON; }

void TButton::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.SystemClass = "BUTTON";
  P.Style |= ButtonStyle();
}

void TButton::SetDefault(bool Value) {
  if (Value == FDefault) return;
  FDefault = Value;
  if (HandleAllocated()) SendMessageA(Handle(), BM_SETSTYLE, ButtonStyle(), TRUE);
}

void TButton::Click() {
  if (ModalResult != 0)
    if (TControl* f = Parent()) {
      while (f->Parent()) f = f->Parent();
      f->Perform(CM_MODALRESULT, static_cast<WPARAM>(ModalResult));
    }
  TWinControl::Click();
}

void TButton::WndProc(TMessage& M) {
  if (M.Msg == CN_COMMAND && HIWORD(M.WParam) == BN_CLICKED) {
    Click();
    return;
  }
  TWinControl::WndProc(M);
}

// ---- TCheckBox -----------------------------------------------------------------

IMPLEMENT_CLASSINFO(TCheckBox, TWinControl)

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 97;
  FHeight = 17;
  TabStop = true;
  SetParentColor(true);
}

void TCheckBox::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.SystemClass = "BUTTON";
  P.Style |= BS_3STATE;   // the control's state is set here, on its click
}

void TCheckBox::CreateHandleDone() { SendMessageA(Handle(), BM_SETCHECK, static_cast<WPARAM>(FState), 0); }

void TCheckBox::SetState(TCheckBoxState Value) {
  if (Value == FState) return;
  FState = Value;
  if (HandleAllocated()) SendMessageA(Handle(), BM_SETCHECK, static_cast<WPARAM>(Value), 0);
  Click();
}

void TCheckBox::WndProc(TMessage& M) {
  if (M.Msg == CN_COMMAND && HIWORD(M.WParam) == BN_CLICKED) {
    switch (FState) {
      case TCheckBoxState::cbUnchecked:
        SetState(AllowGrayed ? TCheckBoxState::cbGrayed : TCheckBoxState::cbChecked);
        break;
      case TCheckBoxState::cbGrayed: SetState(TCheckBoxState::cbChecked); break;
      case TCheckBoxState::cbChecked: SetState(TCheckBoxState::cbUnchecked); break;
    }
    return;
  }
  TWinControl::WndProc(M);
}

// ---- TRadioButton ----------------------------------------------------------------

IMPLEMENT_CLASSINFO(TRadioButton, TWinControl)

TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 113;
  FHeight = 17;
  TabStop = true;
  SetParentColor(true);
}

void TRadioButton::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.SystemClass = "BUTTON";
  P.Style |= BS_RADIOBUTTON;
}

void TRadioButton::CreateHandleDone() { SendMessageA(Handle(), BM_SETCHECK, FChecked ? BST_CHECKED : 0, 0); }

void TRadioButton::SetChecked(bool Value) {
  if (Value == FChecked) return;
  FChecked = Value;
  if (HandleAllocated()) SendMessageA(Handle(), BM_SETCHECK, Value ? BST_CHECKED : 0, 0);
  if (!Value) return;
  if (TWinControl* p = Parent())
    for (int i = 0; i < p->ControlCount(); ++i)
      if (auto* r = dynamic_cast<TRadioButton*>(p->Controls(i)); r && r != this) r->SetChecked(false);
  Click();
}

void TRadioButton::WndProc(TMessage& M) {
  if (M.Msg == CN_COMMAND && (HIWORD(M.WParam) == BN_CLICKED || HIWORD(M.WParam) == BN_DOUBLECLICKED)) {
    SetChecked(true);
    return;
  }
  TWinControl::WndProc(M);
}

// ---- TCustomEdit ---------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TCustomEdit, TWinControl)
IMPLEMENT_CLASSINFO(TEdit, TCustomEdit)

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 121;
  FHeight = 21;
  FColor = clWindow;
  Brush()->SetColor(clWindow);
  TabStop = true;
}

void TCustomEdit::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.SystemClass = "EDIT";
  P.Style |= ES_AUTOHSCROLL;
  P.ExStyle |= WS_EX_CLIENTEDGE;
  if (FReadOnly) P.Style |= ES_READONLY;
  if (FNumbersOnly) P.Style |= ES_NUMBER;
  if (FCharCase == TEditCharCase::ecUpperCase) P.Style |= ES_UPPERCASE;
  if (FCharCase == TEditCharCase::ecLowerCase) P.Style |= ES_LOWERCASE;
}

void TCustomEdit::CreateHandleDone() {
  if (FMaxLength > 0) SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TCustomEdit::UpdateStyle(DWORD Bit, bool On) {
  if (!HandleAllocated()) return;
  LONG_PTR style = GetWindowLongPtrA(Handle(), GWL_STYLE);
  SetWindowLongPtrA(Handle(), GWL_STYLE, On ? (style | static_cast<LONG_PTR>(Bit)) : (style & ~static_cast<LONG_PTR>(Bit)));
}

void TCustomEdit::SetReadOnly(bool Value) {
  FReadOnly = Value;
  if (HandleAllocated()) SendMessageA(Handle(), EM_SETREADONLY, Value, 0);
}

void TCustomEdit::SetNumbersOnly(bool Value) {
  FNumbersOnly = Value;
  UpdateStyle(ES_NUMBER, Value);
}

void TCustomEdit::SetCharCase(TEditCharCase Value) {
  FCharCase = Value;
  UpdateStyle(ES_UPPERCASE, Value == TEditCharCase::ecUpperCase);
  UpdateStyle(ES_LOWERCASE, Value == TEditCharCase::ecLowerCase);
  if (Value == TEditCharCase::ecUpperCase) SetText(UpperCase(FCaption));
  if (Value == TEditCharCase::ecLowerCase) SetText(LowerCase(FCaption));
}

void TCustomEdit::SetMaxLength(int Value) {
  FMaxLength = Value;
  if (HandleAllocated()) SendMessageA(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(Value), 0);
}

std::pair<DWORD, DWORD> TCustomEdit::Selection() {
  DWORD start = 0, end = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, end};
}

int TCustomEdit::SelStart() { return static_cast<int>(Selection().first); }

int TCustomEdit::SelLength() {
  auto s = Selection();
  return static_cast<int>(s.second - s.first);
}

void TCustomEdit::SetSelStart(int Value) { SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(Value), Value); }

void TCustomEdit::SetSelLength(int Value) {
  int start = SelStart();
  SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(start), start + Value);
}

std::string TCustomEdit::SelText() {
  auto s = Selection();
  return FCaption.substr(std::min<size_t>(s.first, FCaption.size()), s.second - s.first);
}

void TCustomEdit::SetSelText(const std::string& Value) {
  SendMessageA(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Value.c_str()));
}

void TCustomEdit::SelectAll() { SendMessageA(Handle(), EM_SETSEL, 0, -1); }

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

namespace {
std::string WindowText(HWND Wnd) {
  std::string s(static_cast<size_t>(GetWindowTextLengthA(Wnd)) + 1, '\0');
  s.resize(static_cast<size_t>(GetWindowTextA(Wnd, s.data(), static_cast<int>(s.size()))));
  return s;
}
}  // namespace

void TCustomEdit::WndProc(TMessage& M) {
  if (M.Msg == CN_COMMAND && HIWORD(M.WParam) == EN_CHANGE) {
    FCaption = WindowText(Handle());
    Change();
    return;
  }
  TWinControl::WndProc(M);
}

// ---- TMemo -------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TMemo, TCustomEdit)

TMemo::TMemo(TComponent* AOwner) : TCustomEdit(AOwner) {
  FWidth = 185;
  FHeight = 89;
  FLines.OnChange = [this](TObject*) {
    if (FSyncing) return;
    std::string text = FLines.Text();
    if (text.size() >= 2) text.resize(text.size() - 2);   // no line break after the last line
    FSyncing = true;
    try {
      SetText(text);
    } catch (...) {
      FSyncing = false;
      throw;
    }
    FSyncing = false;
  };
}

void TMemo::CreateParams(TCreateParams& P) {
  TCustomEdit::CreateParams(P);
  P.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
  P.Style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
  if (!WordWrap) P.Style |= ES_AUTOHSCROLL;
  if (ScrollBars == TScrollStyle::ssVertical || ScrollBars == TScrollStyle::ssBoth) P.Style |= WS_VSCROLL;
  if (ScrollBars == TScrollStyle::ssHorizontal || ScrollBars == TScrollStyle::ssBoth) P.Style |= WS_HSCROLL;
}

void TMemo::Change() {
  if (!FSyncing) {
    FSyncing = true;
    FLines.SetText(FCaption);
    FSyncing = false;
  }
  TCustomEdit::Change();
}

void TMemo::WndProc(TMessage& M) {
  if (M.Msg == WM_GETDLGCODE) {
    TCustomEdit::WndProc(M);
    if (!WantTabs) M.Result &= ~static_cast<LRESULT>(DLGC_WANTTAB);
    return;
  }
  TCustomEdit::WndProc(M);
}

// ---- TControlItems ---------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TControlItems, TStrings)

TControlItems::TControlItems(TWinControl* Control, const TMessages& Messages)
    : FControl(Control), FMessages(Messages) {}

void TControlItems::Check(int Index) const {
  if (Index < 0 || Index >= Count()) Error(Index);
}

void TControlItems::Changed() {
  if (FUpdateCount == 0 && OnChange) OnChange(this);
}

const std::string& TControlItems::Get(int Index) const {
  Check(Index);
  return FItems[static_cast<size_t>(Index)].first;
}

TObject* TControlItems::GetObject(int Index) const {
  Check(Index);
  return FItems[static_cast<size_t>(Index)].second;
}

void TControlItems::PutObject(int Index, TObject* AObject) {
  Check(Index);
  FItems[static_cast<size_t>(Index)].second = AObject;
}

void TControlItems::Put(int Index, const std::string& S) {
  Check(Index);
  TObject* o = GetObject(Index);
  Delete(Index);
  Insert(Index, S);
  PutObject(Index, o);
}

void TControlItems::Insert(int Index, const std::string& S) {
  if (Index < 0 || Index > Count()) Error(Index);
  FItems.insert(FItems.begin() + Index, {S, nullptr});
  if (FControl->HandleAllocated()) {
    LRESULT r = SendMessageA(FControl->Handle(), FMessages.Insert, static_cast<WPARAM>(Index),
                             reinterpret_cast<LPARAM>(S.c_str()));
    if (r == static_cast<LRESULT>(FMessages.Error)) {
      FItems.erase(FItems.begin() + Index);
      throw EOutOfMemory("Insufficient space to insert an item");
    }
  }
  Changed();
}

int TControlItems::Add(const std::string& S) {
  int i = Count();
  if (FSorted)
    i = static_cast<int>(std::upper_bound(FItems.begin(), FItems.end(), S,
                                          [](const std::string& a, const auto& b) {
                                            return lstrcmpiA(a.c_str(), b.first.c_str()) < 0;
                                          }) -
                         FItems.begin());
  Insert(i, S);
  return i;
}

void TControlItems::Delete(int Index) {
  Check(Index);
  FItems.erase(FItems.begin() + Index);
  if (FControl->HandleAllocated()) SendMessageA(FControl->Handle(), FMessages.Delete, static_cast<WPARAM>(Index), 0);
  Changed();
}

void TControlItems::Clear() {
  FItems.clear();
  if (FControl->HandleAllocated()) SendMessageA(FControl->Handle(), FMessages.Reset, 0, 0);
  Changed();
}

void TControlItems::SetSorted(bool Value) {
  if (Value == FSorted) return;
  FSorted = Value;
  if (!Value) return;
  std::stable_sort(FItems.begin(), FItems.end(),
                   [](const auto& a, const auto& b) { return lstrcmpiA(a.first.c_str(), b.first.c_str()) < 0; });
  if (FControl->HandleAllocated()) PushToWindow();
  Changed();
}

void TControlItems::PushToWindow() {
  HWND h = FControl->Handle();
  SendMessageA(h, FMessages.Reset, 0, 0);
  for (size_t i = 0; i < FItems.size(); ++i)
    SendMessageA(h, FMessages.Insert, i, reinterpret_cast<LPARAM>(FItems[i].first.c_str()));
}

// ---- TListBox ----------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TListBox, TWinControl)

TListBox::TListBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(this, {LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT, 0, static_cast<UINT>(LB_ERR)}) {
  FWidth = 121;
  FHeight = 97;
  FColor = clWindow;
  Brush()->SetColor(clWindow);
  TabStop = true;
}

void TListBox::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.SystemClass = "LISTBOX";
  P.Style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
  P.ExStyle |= WS_EX_CLIENTEDGE;
}

void TListBox::CreateHandleDone() {
  FItems.PushToWindow();
  SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(FItemIndex), 0);
}

int TListBox::ItemIndex() {
  if (!HandleAllocated()) return FItemIndex;
  return static_cast<int>(SendMessageA(Handle(), LB_GETCURSEL, 0, 0));
}

void TListBox::SetItemIndex(int Value) {
  FItemIndex = Value;
  if (HandleAllocated()) SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(Value), 0);
}

int TListBox::TopIndex() { return static_cast<int>(SendMessageA(Handle(), LB_GETTOPINDEX, 0, 0)); }

int TListBox::ItemAtPos(TPoint Pos) {
  LRESULT r = SendMessageA(Handle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(Pos.x, Pos.y));
  if (HIWORD(r) != 0) return -1;   // outside every item
  return LOWORD(r);
}

void TListBox::WndProc(TMessage& M) {
  if (M.Msg == CN_COMMAND) {
    switch (HIWORD(M.WParam)) {
      case LBN_SELCHANGE:
        FItemIndex = ItemIndex();
        Click();
        return;
      case LBN_DBLCLK:
        DblClick();
        return;
      default:
        break;
    }
  }
  TWinControl::WndProc(M);
}

// ---- TComboBox -----------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TComboBox, TWinControl)

TComboBox::TComboBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(this, {CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT, 0, static_cast<UINT>(CB_ERR)}) {
  FWidth = 145;
  FHeight = 21;
  FColor = clWindow;
  Brush()->SetColor(clWindow);
  TabStop = true;
}

void TComboBox::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.SystemClass = "COMBOBOX";
  static const DWORD styles[] = {CBS_DROPDOWN, CBS_DROPDOWNLIST, CBS_SIMPLE};
  P.Style |= styles[static_cast<int>(FStyle)] | CBS_AUTOHSCROLL | WS_VSCROLL;
  P.Height = FHeight + std::max(DropDownCount, 1) * (FHeight - 4);   // with the list
}

void TComboBox::CreateHandleDone() {
  FItems.PushToWindow();
  SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(FItemIndex), 0);
  if (FStyle != TComboBoxStyle::csDropDownList && FItemIndex < 0) SetWindowTextA(Handle(), FCaption.c_str());
  RECT r;
  GetWindowRect(Handle(), &r);
  FHeight = r.bottom - r.top;
}

void TComboBox::SetStyle(TComboBoxStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  if (HandleAllocated()) {
    FItemIndex = ItemIndex();
    DestroyHandle();
    Handle();
  }
}

int TComboBox::ItemIndex() {
  if (!HandleAllocated()) return FItemIndex;
  return static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0));
}

void TComboBox::SyncText() {
  int i = ItemIndex();
  if (i >= 0 && i < FItems.Count()) FCaption = FItems[i];
  else FCaption = FStyle == TComboBoxStyle::csDropDownList || !HandleAllocated() ? std::string() : WindowText(Handle());
}

void TComboBox::SetItemIndex(int Value) {
  FItemIndex = Value;
  if (HandleAllocated()) SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(Value), 0);
  if (Value >= 0 && Value < FItems.Count()) FCaption = FItems[Value];
}

bool TComboBox::DroppedDown() { return HandleAllocated() && SendMessageA(Handle(), CB_GETDROPPEDSTATE, 0, 0); }

void TComboBox::SetDroppedDown(bool Value) { SendMessageA(Handle(), CB_SHOWDROPDOWN, Value, 0); }

void TComboBox::WndProc(TMessage& M) {
  if (M.Msg == CN_COMMAND) {
    switch (HIWORD(M.WParam)) {
      case CBN_SELCHANGE:
        FItemIndex = ItemIndex();
        SyncText();
        if (OnSelect) OnSelect(this);
        if (OnChange) OnChange(this);
        return;
      case CBN_EDITCHANGE:
        FCaption = WindowText(Handle());
        if (OnChange) OnChange(this);
        return;
      case CBN_DROPDOWN:
        if (OnDropDown) OnDropDown(this);
        return;
      default:
        break;
    }
  }
  TWinControl::WndProc(M);
  if (M.Msg == WM_WINDOWPOSCHANGED && HandleAllocated()) {
    RECT r;
    GetWindowRect(Handle(), &r);
    FHeight = r.bottom - r.top;   // the box, without its list
  }
}

// ---- TGroupBox ---------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGroupBox, TWinControl)

TGroupBox::TGroupBox(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 185;
  FHeight = 105;
  SetParentColor(true);
}

void TGroupBox::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.SystemClass = "BUTTON";
  P.Style |= BS_GROUPBOX;
  P.ExStyle |= WS_EX_CONTROLPARENT;
}

void TGroupBox::WndProc(TMessage& M) {
  if (M.Msg == WM_ERASEBKGND) {   // the system's box paints only its frame and caption
    RECT r;
    GetClientRect(Handle(), &r);
    FillRect(reinterpret_cast<HDC>(M.WParam), &r, Brush()->Handle());
    M.Result = 1;
    return;
  }
  TWinControl::WndProc(M);
}

void TGroupBox::AdjustClientRect(TRect& R) {
  R.top += 16;
  R.left += 2;
  R.right -= 2;
  R.bottom -= 2;
}
