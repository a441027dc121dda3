#include "classlib/Menus.h"

#include <algorithm>
#include <set>

#include "classlib/UnitInit.h"

namespace {
TUnitCounter Counter;
std::unique_ptr<TPopupList> GlobalPopupList;
std::set<UINT>& UsedCommands() {
  static std::set<UINT> Used;
  return Used;
}
UINT NextCommand = 1;

UINT AllocCommand() {
  for (;;) {
    UINT c = NextCommand;
    NextCommand = NextCommand >= 0x7FFF ? 1 : NextCommand + 1;
    if (UsedCommands().insert(c).second) return c;
  }
}
}  // namespace

// ---- TMenuItem -------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TMenuItem, TComponent)

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), FCommand(AllocCommand()) {}

TMenuItem::~TMenuItem() {
  Clear();
  if (FParent) FParent->Remove(this);
  UsedCommands().erase(FCommand);
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
  if (Enabled && OnClick) OnClick(this);
}

TMenuItem* TMenuItem::FindCommand(UINT ACommand) {
  if (FCommand == ACommand) return this;
  for (TMenuItem* i : FItems)
    if (TMenuItem* f = i->FindCommand(ACommand)) return f;
  return nullptr;
}

HMENU TMenuItem::BuildHandle() {
  TMenuHandle menu(CreatePopupMenu());
  for (TMenuItem* item : FItems) {
    if (!item->Visible) continue;
    MENUITEMINFOA mi{};
    mi.cbSize = sizeof mi;
    if (item->IsLine()) {
      mi.fMask = MIIM_FTYPE;
      mi.fType = MFT_SEPARATOR;
    } else {
      mi.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE;
      mi.wID = item->FCommand;
      mi.dwTypeData = const_cast<char*>(item->Caption.c_str());
      mi.fState = (item->Enabled ? MFS_ENABLED : MFS_DISABLED) | (item->Checked ? MFS_CHECKED : 0);
      if (!item->FBitmap.Empty()) {
        mi.fMask |= MIIM_BITMAP;
        mi.hbmpItem = item->FBitmap.Handle();
      }
      if (item->Count() > 0) {
        mi.fMask |= MIIM_SUBMENU;
        mi.hSubMenu = item->BuildHandle();
      }
    }
    InsertMenuItemA(menu.Get(), GetMenuItemCount(menu.Get()), TRUE, &mi);
  }
  return menu.Release();
}

// ---- TMenu, TPopupMenu ---------------------------------------------------------

IMPLEMENT_CLASSINFO(TMenu, TComponent)

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(std::make_unique<TMenuItem>(nullptr)) {}

bool TMenu::DispatchCommand(UINT ACommand) {
  TMenuItem* item = FindItem(ACommand);
  if (!item || item == FItems.get()) return false;
  item->Click();
  return true;
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
