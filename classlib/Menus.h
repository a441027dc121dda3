// Menu items, popup menus and the global popup list, whose hidden window
// owns every popup menu while it is tracked and receives its messages.
#pragma once
#include <windows.h>

#include <map>
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

class TMenu;

// "F2", "Ctrl+S", "Shift+Del": the text a menu shows for a shortcut.
std::string ShortCutToText(TShortCut ShortCut);

enum class TOwnerDrawStateItem { odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odNoAccel };
using TOwnerDrawState = TSet<TOwnerDrawStateItem>;
using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;
using TMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, bool Selected)>;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState State)>;

// A menu item; its sub-items belong to it (freed with it, or by Clear).
// A caption of "-" makes a separator. An item with a measure or draw event
// (or in a menu with OwnerDraw) is drawn by the program: its events get a
// canvas on the menu's context, with the menu font and the colours of the
// item's state set, and draw the caption themselves.
class TMenuItem : public TComponent {
  DECLARE_CLASSINFO(TMenuItem)
public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  std::string Caption;
  std::string Hint;
  bool Enabled = true;
  bool Visible = true;
  TShortCut ShortCut = 0;   // shown after the caption; a main menu's item runs on it
  // Checking a radio item unchecks the other radio items of its group
  // (same parent, same GroupIndex); it shows a dot instead of a tick.
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);
  bool RadioItem = false;
  int GroupIndex = 0;
  bool AutoCheck = false;   // a click toggles Checked first
  TBitmap* Bitmap() { return &FBitmap; }
  TNotifyEvent OnClick;
  TMenuMeasureItemEvent OnMeasureItem;
  TMenuDrawItemEvent OnDrawItem;
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;
  bool OwnerDrawn() const;

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

  TMenuItem* FindShortCut(TShortCut Key);   // an enabled, visible item below this one
  // The item behind a menu command (of any menu), or null.
  static TMenuItem* FromCommand(UINT ACommand);

  // A new popup menu handle of the sub-items (the caller owns it).
  HMENU BuildHandle();
  // Puts the sub-items into Menu. With Lazy, sub-menus are left empty and
  // listed there, to be filled when they open (FillHandle again).
  void FillHandle(HMENU Menu, std::map<HMENU, TMenuItem*>* Lazy);

protected:
  virtual void MeasureItem(TCanvas* ACanvas, int& Width, int& Height);
  virtual void DrawItem(TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State);

private:
  friend class TMenu;
  friend bool DispatchMenuOwnerDraw(TMessage& Message);
  TMenu* Menu() const;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;   // on the root item only
  std::vector<TMenuItem*> FItems;
  UINT FCommand = 0;
  bool FChecked = false;
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
  bool OwnerDraw = false;   // every item is drawn by the program

private:
  std::unique_ptr<TMenuItem> FItems;
};

// The menu bar of a form (TForm::SetMenu). Its drop-down menus are filled
// from the items each time they open; after adding or removing items of
// the bar itself, Rebuild.
class TMainMenu : public TMenu {
  DECLARE_CLASSINFO(TMainMenu)
public:
  explicit TMainMenu(TComponent* AOwner);
  HMENU Handle();   // the bar, made when first needed
  void Rebuild();
  // From the window that shows the bar: WM_INITMENU, WM_INITMENUPOPUP.
  void InitMenu(HMENU Menu);
  bool IsShortCut(TShortCut Key);   // runs the item with this shortcut

private:
  void UpdateBar();
  TMenuHandle FHandle;
  HWND FWindow = nullptr;
  std::map<HMENU, TMenuItem*> FPopups;
  friend class TForm;
};

// WM_MEASUREITEM and WM_DRAWITEM of an owner-drawn menu item, whichever
// window receives them: runs the item's events; false for other items.
bool DispatchMenuOwnerDraw(TMessage& Message);

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
