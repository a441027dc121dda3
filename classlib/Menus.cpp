#include "classlib/Menus.h"

#include <algorithm>
#include <utility>

#include "classlib/UnitInit.h"

namespace {
TUnitCounter Counter;
std::unique_ptr<TPopupList> GlobalPopupList;
// Every item by its command; owner-drawn items carry their command as data.
std::map<UINT, TMenuItem*>& Commands() {
  static std::map<UINT, TMenuItem*> Items;
  return Items;
}
UINT NextCommand = 1;

UINT AllocCommand(TMenuItem* Item) {
  for (;;) {
    UINT c = NextCommand;
    NextCommand = NextCommand >= 0x7FFF ? 1 : NextCommand + 1;
    if (Commands().emplace(c, Item).second) return c;
  }
}

// The font the system draws menus with.
void MenuFont(TFont* Font) {
  NONCLIENTMETRICSA m{};
  m.cbSize = sizeof m;
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0)) return;
  Font->SetName(m.lfMenuFont.lfFaceName);
  Font->SetHeight(m.lfMenuFont.lfHeight);
  TFontStyles style;
  if (m.lfMenuFont.lfWeight >= FW_BOLD) style.Include(TFontStyle::fsBold);
  if (m.lfMenuFont.lfItalic) style.Include(TFontStyle::fsItalic);
  Font->SetStyle(style);
}

std::string KeyName(WORD Key) {
  if (Key >= VK_F1 && Key <= VK_F24) return "F" + IntToStr(Key - VK_F1 + 1);
  if ((Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z')) return std::string(1, static_cast<char>(Key));
  switch (Key) {
    case VK_BACK: return "BkSp";
    case VK_TAB: return "Tab";
    case VK_RETURN: return "Enter";
    case VK_ESCAPE: return "Esc";
    case VK_SPACE: return "Space";
    case VK_PRIOR: return "PgUp";
    case VK_NEXT: return "PgDn";
    case VK_END: return "End";
    case VK_HOME: return "Home";
    case VK_LEFT: return "Left";
    case VK_UP: return "Up";
    case VK_RIGHT: return "Right";
    case VK_DOWN: return "Down";
    case VK_INSERT: return "Ins";
    case VK_DELETE: return "Del";
    default: return "";
  }
}
}  // namespace

std::string ShortCutToText(TShortCut ShortCut) {
  std::string key = KeyName(ShortCut & 0xFF);
  if (key.empty()) return "";
  std::string s;
  if (ShortCut & scShift) s += "Shift+";
  if (ShortCut & scCtrl) s += "Ctrl+";
  if (ShortCut & scAlt) s += "Alt+";
  return s + key;
}

// ---- TMenuItem -------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TMenuItem, TComponent)

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), FCommand(AllocCommand(this)) {}

TMenuItem::~TMenuItem() {
  Clear();
  if (FParent) FParent->Remove(this);
  Commands().erase(FCommand);
}

TMenuItem* TMenuItem::FromCommand(UINT ACommand) {
  auto it = Commands().find(ACommand);
  return it == Commands().end() ? nullptr : it->second;
}

TMenu* TMenuItem::Menu() const {
  const TMenuItem* i = this;
  while (i->FParent) i = i->FParent;
  return i->FMenu;
}

bool TMenuItem::OwnerDrawn() const {
  if (OnMeasureItem || OnDrawItem || OnAdvancedDrawItem) return true;
  TMenu* m = Menu();
  return m && m->OwnerDraw;
}

void TMenuItem::SetChecked(bool Value) {
  FChecked = Value;
  if (Value && RadioItem && FParent)
    for (TMenuItem* i : FParent->FItems)
      if (i != this && i->RadioItem && i->GroupIndex == GroupIndex) i->FChecked = false;
}

TMenuItem* TMenuItem::FindShortCut(TShortCut Key) {
  if (Key == 0) return nullptr;
  for (TMenuItem* i : FItems) {
    if (!i->Visible || !i->Enabled) continue;
    if (i->ShortCut == Key) return i;
    if (TMenuItem* f = i->FindShortCut(Key)) return f;
  }
  return nullptr;
}

void TMenuItem::MeasureItem(TCanvas* ACanvas, int& Width, int& Height) {
  std::string text = Caption;
  if (ShortCut) text += "      " + ShortCutToText(ShortCut);
  SIZE s = ACanvas->TextExtent(text.empty() ? std::string(" ") : text);
  Width = s.cx + 24;
  Height = s.cy + 6;
  if (OnMeasureItem) OnMeasureItem(this, ACanvas, Width, Height);
}

void TMenuItem::DrawItem(TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State) {
  if (OnAdvancedDrawItem) {
    OnAdvancedDrawItem(this, ACanvas, ARect, State);
    return;
  }
  if (OnDrawItem) {
    OnDrawItem(this, ACanvas, ARect, State.Contains(TOwnerDrawStateItem::odSelected));
    return;
  }
  ACanvas->FillRect(ARect);
  TRect r = ARect;
  r.left += 20;
  r.right -= 6;
  ACanvas->Brush()->SetStyle(TBrushStyle::bsClear);
  ACanvas->TextRect(r, Caption, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  if (ShortCut) ACanvas->TextRect(r, ShortCutToText(ShortCut), DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
  if (FChecked) {
    int cy = (ARect.top + ARect.bottom) / 2;
    ACanvas->Brush()->SetColor(ACanvas->Font()->Color());
    ACanvas->Pen()->SetColor(ACanvas->Font()->Color());
    ACanvas->Ellipse(ARect.left + 7, cy - 3, ARect.left + 13, cy + 3);
  }
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (Item->FParent) throw EInvalidOperation("Menu inserted twice");
  if (Index < 0 || Index > Count()) throw EListError(Format("List index out of bounds (%d)", Index));
  FItems.insert(FItems.begin() + Index, Item);
  Item->FParent = this;
}

void TMenuItem::Remove(TMenuItem* Item) {
  int i = IndexOf(Item);
  if (i < 0) throw EInvalidOperation("Sub-menu is not in menu");
  Delete(i);
}

void TMenuItem::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", Index));
  FItems[static_cast<size_t>(Index)]->FParent = nullptr;
  FItems.erase(FItems.begin() + Index);
}

void TMenuItem::Clear() {
  while (!FItems.empty()) {
    std::unique_ptr<TMenuItem> last(FItems.back());   // its destructor takes it out
  }
}

void TMenuItem::Click() {
  if (!Enabled) return;
  if (AutoCheck) SetChecked(!FChecked || RadioItem);
  if (OnClick) OnClick(this);
}

TMenuItem* TMenuItem::FindCommand(UINT ACommand) {
  if (FCommand == ACommand) return this;
  for (TMenuItem* i : FItems)
    if (TMenuItem* f = i->FindCommand(ACommand)) return f;
  return nullptr;
}

namespace {
// What a menu handle shows of an item, sub-menu aside; Text keeps the
// string alive for the call.
MENUITEMINFOA ItemInfo(TMenuItem* Item, std::string& Text) {
  MENUITEMINFOA mi{};
  mi.cbSize = sizeof mi;
  if (Item->IsLine()) {
    mi.fMask = MIIM_FTYPE;
    mi.fType = MFT_SEPARATOR;
    return mi;
  }
  mi.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_DATA;
  mi.wID = Item->Command();
  mi.dwItemData = Item->Command();
  mi.fState = (Item->Enabled ? MFS_ENABLED : MFS_DISABLED) | (Item->Checked() ? MFS_CHECKED : 0);
  mi.fType = Item->RadioItem ? MFT_RADIOCHECK : 0;
  if (Item->OwnerDrawn()) {
    mi.fType |= MFT_OWNERDRAW;
  } else {
    Text = Item->Caption;
    if (Item->ShortCut) Text += "\t" + ShortCutToText(Item->ShortCut);
    mi.fMask |= MIIM_STRING;
    mi.dwTypeData = Text.data();
    if (!Item->Bitmap()->Empty()) {
      mi.fMask |= MIIM_BITMAP;
      mi.hbmpItem = Item->Bitmap()->Handle();
    }
  }
  return mi;
}

// Forgets the lazily filled sub-menus below Menu, which are about to go.
void ForgetPopups(HMENU Menu, std::map<HMENU, TMenuItem*>& Lazy) {
  for (int i = 0, n = GetMenuItemCount(Menu); i < n; ++i)
    if (HMENU sub = GetSubMenu(Menu, i)) {
      ForgetPopups(sub, Lazy);
      Lazy.erase(sub);
    }
}
}  // namespace

HMENU TMenuItem::BuildHandle() {
  TMenuHandle menu(CreatePopupMenu());
  FillHandle(menu.Get(), nullptr);
  return menu.Release();
}

void TMenuItem::FillHandle(HMENU Menu, std::map<HMENU, TMenuItem*>* Lazy) {
  for (TMenuItem* item : FItems) {
    if (!item->Visible) continue;
    std::string text;
    MENUITEMINFOA mi = ItemInfo(item, text);
    if (item->Count() > 0 && !item->IsLine()) {
      mi.fMask |= MIIM_SUBMENU;
      if (Lazy) {
        mi.hSubMenu = CreatePopupMenu();
        (*Lazy)[mi.hSubMenu] = item;
      } else {
        mi.hSubMenu = item->BuildHandle();
      }
    }
    InsertMenuItemA(Menu, GetMenuItemCount(Menu), TRUE, &mi);
  }
}

// ---- TMenu, TPopupMenu ---------------------------------------------------------

IMPLEMENT_CLASSINFO(TMenu, TComponent)

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(std::make_unique<TMenuItem>(nullptr)) {
  FItems->FMenu = this;
}

bool TMenu::DispatchCommand(UINT ACommand) {
  TMenuItem* item = FindItem(ACommand);
  if (!item || item == FItems.get()) return false;
  item->Click();
  return true;
}

IMPLEMENT_CLASSINFO(TMainMenu, TMenu)

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}

HMENU TMainMenu::Handle() {
  if (!FHandle) {
    FPopups.clear();
    FHandle.Reset(CreateMenu());
    Items()->FillHandle(FHandle.Get(), &FPopups);
  }
  return FHandle.Get();
}

void TMainMenu::Rebuild() {
  if (!FHandle) return;
  std::map<HMENU, TMenuItem*> popups;
  TMenuHandle bar(CreateMenu());
  Items()->FillHandle(bar.Get(), &popups);
  if (FWindow && GetMenu(FWindow) == FHandle.Get()) {
    ::SetMenu(FWindow, bar.Get());
    DrawMenuBar(FWindow);
  }
  FHandle = std::move(bar);   // frees the old bar and its sub-menus
  FPopups = std::move(popups);
}

void TMainMenu::UpdateBar() {
  int pos = 0;
  for (int i = 0; i < Items()->Count(); ++i) {
    TMenuItem* item = Items()->Items(i);
    if (!item->Visible) continue;
    std::string text;
    MENUITEMINFOA mi = ItemInfo(item, text);
    mi.fMask &= ~static_cast<UINT>(MIIM_ID);
    SetMenuItemInfoA(FHandle.Get(), static_cast<UINT>(pos++), TRUE, &mi);
  }
}

void TMainMenu::InitMenu(HMENU Menu) {
  if (Menu == FHandle.Get()) {
    UpdateBar();
    return;
  }
  auto it = FPopups.find(Menu);
  if (it == FPopups.end()) return;
  ForgetPopups(Menu, FPopups);
  while (GetMenuItemCount(Menu) > 0) DeleteMenu(Menu, 0, MF_BYPOSITION);
  it->second->FillHandle(Menu, &FPopups);
}

bool TMainMenu::IsShortCut(TShortCut Key) {
  TMenuItem* item = Items()->FindShortCut(Key);
  if (!item) return false;
  item->Click();
  return true;
}

bool DispatchMenuOwnerDraw(TMessage& M) {
  if (M.Msg == WM_MEASUREITEM) {
    auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(M.LParam);
    TMenuItem* item = mi->CtlType == ODT_MENU ? TMenuItem::FromCommand(static_cast<UINT>(mi->itemData)) : nullptr;
    if (!item) return false;
    HDC dc = GetDC(nullptr);
    int w = 0, h = 0;
    try {
      TCanvas c(dc);
      MenuFont(c.Font());
      item->MeasureItem(&c, w, h);
    } catch (...) {
      ReleaseDC(nullptr, dc);
      throw;
    }
    ReleaseDC(nullptr, dc);
    mi->itemWidth = static_cast<UINT>(std::max(w, 0));
    mi->itemHeight = static_cast<UINT>(std::max(h, 0));
    M.Result = TRUE;
    return true;
  }
  if (M.Msg == WM_DRAWITEM) {
    auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(M.LParam);
    TMenuItem* item = di->CtlType == ODT_MENU ? TMenuItem::FromCommand(static_cast<UINT>(di->itemData)) : nullptr;
    if (!item) return false;
    TOwnerDrawState state;
    const std::pair<UINT, TOwnerDrawStateItem> flags[] = {
        {ODS_SELECTED, TOwnerDrawStateItem::odSelected}, {ODS_GRAYED, TOwnerDrawStateItem::odGrayed},
        {ODS_DISABLED, TOwnerDrawStateItem::odDisabled}, {ODS_CHECKED, TOwnerDrawStateItem::odChecked},
        {ODS_FOCUS, TOwnerDrawStateItem::odFocused},     {ODS_DEFAULT, TOwnerDrawStateItem::odDefault},
        {ODS_NOACCEL, TOwnerDrawStateItem::odNoAccel}};
    for (auto& f : flags)
      if (di->itemState & f.first) state.Include(f.second);
    bool selected = state.Contains(TOwnerDrawStateItem::odSelected);
    TCanvas c(di->hDC);
    MenuFont(c.Font());
    c.Brush()->SetColor(selected ? clHighlight : clMenu);
    c.Font()->SetColor(selected ? clHighlightText : !item->Enabled ? clGrayText : clMenuText);
    item->DrawItem(&c, di->rcItem, state);
    M.Result = TRUE;
    return true;
  }
  return false;
}

IMPLEMENT_CLASSINFO(TPopupMenu, TMenu)

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) { PopupList()->Add(this); }

TPopupMenu::~TPopupMenu() {
  if (GlobalPopupList) GlobalPopupList->Remove(this);
}

void TPopupMenu::Popup(int X, int Y) {
  if (OnPopup) OnPopup(this);
  FHandle.Reset(Items()->BuildHandle());
  TrackPopupMenu(FHandle.Get(), TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_RIGHTBUTTON, X, Y, 0, PopupList()->Window(),
                 nullptr);
}

// ---- TPopupList ------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TPopupList, TObject)

TPopupList::TPopupList() : FWindow([this](TMessage& M) { WndProc(M); }) {}

TPopupList::~TPopupList() = default;

void TPopupList::Add(TPopupMenu* Menu) {
  if (std::find(FMenus.begin(), FMenus.end(), Menu) == FMenus.end()) FMenus.push_back(Menu);
}

void TPopupList::Remove(TPopupMenu* Menu) {
  FMenus.erase(std::remove(FMenus.begin(), FMenus.end(), Menu), FMenus.end());
}

void TPopupList::WndProc(TMessage& M) {
  if (DispatchMenuOwnerDraw(M)) return;
  if (M.Msg == WM_COMMAND && HIWORD(M.WParam) == 0) {
    std::vector<TPopupMenu*> menus = FMenus;   // a handler may free menus
    for (TPopupMenu* m : menus)
      if (std::find(FMenus.begin(), FMenus.end(), m) != FMenus.end() && m->DispatchCommand(LOWORD(M.WParam)))
        return;
  }
  M.Result = DefaultHandler(FWindow.Handle(), M);
}

TPopupList* PopupList() {
  if (!GlobalPopupList) GlobalPopupList = std::make_unique<TPopupList>();
  return GlobalPopupList.get();
}

void SetPopupList(std::unique_ptr<TPopupList> List) {
  if (GlobalPopupList && List) List->FMenus = GlobalPopupList->FMenus;
  GlobalPopupList = std::move(List);
}

void Menus_Initialize() { Counter.Enter(); }

void Menus_Finalize() {
  if (Counter.Leave()) GlobalPopupList.reset();
}
