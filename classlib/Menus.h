// Menu items, popup menus and the global popup list, whose hidden window
// owns every popup menu while it is tracked and receives its messages.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Graphics.h"
#include "classlib/Messages.h"

struct TMenuHandleTraits {
  static HMENU Invalid() { return nullptr; }
  static void Close(HMENU h) { DestroyMenu(h); }
};
using TMenuHandle = TOwnedHandle<HMENU, TMenuHandleTraits>;

// A menu item; its sub-items belong to it (freed with it, or by Clear).
// A caption of "-" makes a separator.
class TMenuItem : public TComponent {
  DECLARE_CLASSINFO(TMenuItem)
public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  std::string Caption;
  std::string Hint;
  bool Enabled = true;
  bool Checked = false;
  bool Visible = true;
  TBitmap* Bitmap() { return &FBitmap; }
  TNotifyEvent OnClick;

  UINT Command() const { return FCommand; }
  TMenuItem* Parent() const { return FParent; }
  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
  int IndexOf(const TMenuItem* Item) const;
  int MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  void Remove(TMenuItem* Item);   // takes the item out without freeing it
  void Delete(int Index);         // the same by index
  void Clear();                   // frees every sub-item
  bool IsLine() const { return Caption == "-"; }
  virtual void Click();
  TMenuItem* FindCommand(UINT ACommand);

  // A new popup menu handle of the sub-items (the caller owns it).
  HMENU BuildHandle();

private:
  TMenuItem* FParent = nullptr;
  std::vector<TMenuItem*> FItems;
  UINT FCommand = 0;
  TBitmap FBitmap;
};

class TMenu : public TComponent {
  DECLARE_CLASSINFO(TMenu)
public:
  explicit TMenu(TComponent* AOwner);
  TMenuItem* Items() { return FItems.get(); }
  // Runs the OnClick of the item with this command; false when none has it.
  bool DispatchCommand(UINT ACommand);
  TMenuItem* FindItem(UINT ACommand) { return FItems->FindCommand(ACommand); }

private:
  std::unique_ptr<TMenuItem> FItems;
};

class TPopupMenu : public TMenu {
  DECLARE_CLASSINFO(TPopupMenu)
public:
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;
  // Tracks the menu at screen point (X, Y) with the popup list's window as
  // its owner; the chosen item's OnClick runs from the posted command.
  virtual void Popup(int X, int Y);
  HMENU Handle() const { return FHandle.Get(); }   // the last popped-up handle
  TComponent* PopupComponent = nullptr;
  bool AutoPopup = true;
  TNotifyEvent OnPopup;

private:
  TMenuHandle FHandle;
};

// Every popup menu registers here; its window is the owner of tracked popup
// menus and hands WM_COMMAND to the menus.
class TPopupList : public TObject {
  DECLARE_CLASSINFO(TPopupList)
public:
  TPopupList();
  ~TPopupList() override;
  HWND Window() const { return FWindow.Handle(); }
  void Add(TPopupMenu* Menu);
  void Remove(TPopupMenu* Menu);
  int Count() const { return static_cast<int>(FMenus.size()); }
  TPopupMenu* Menus(int Index) const { return FMenus.at(static_cast<size_t>(Index)); }

protected:
  virtual void WndProc(TMessage& Message);

private:
  friend void SetPopupList(std::unique_ptr<TPopupList> List);
  std::vector<TPopupMenu*> FMenus;
  THiddenWindow FWindow;
};

// The global popup list (a plain one is made when first needed).
TPopupList* PopupList();
// Puts another list in place of the global one; the registered menus move over.
void SetPopupList(std::unique_ptr<TPopupList> List);

void Menus_Initialize();
void Menus_Finalize();   // frees the global popup list
