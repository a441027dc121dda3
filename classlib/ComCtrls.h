// Common controls: progress bar, up-down buttons, page control with tab
// sheets, status bar, list view and rich edit.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>   // FindText is a macro there: included wherever the method is named
#include <richedit.h>

#include <exception>
#include <memory>
#include <vector>

#include "classlib/Controls.h"
#include "classlib/StdCtrls.h"

// Registers the common-control window classes of ICC_ flags (once each).
void InitCommonControl(DWORD Classes);

class TProgressBar : public TWinControl {
  DECLARE_CLASSINFO(TProgressBar)
public:
  explicit TProgressBar(TComponent* AOwner);
  int Min() const { return FMin; }
  void SetMin(int Value);
  int Max() const { return FMax; }
  void SetMax(int Value);
  int Position();
  void SetPosition(int Value);
  int Step = 10;
  void StepIt() { StepBy(Step); }
  void StepBy(int Delta) { SetPosition(Position() + Delta); }

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateHandleDone() override;

private:
  int FMin = 0, FMax = 100, FPosition = 0;
};

enum class TUDBtnType { btNext, btPrev };
enum class TUDOrientation { udHorizontal, udVertical };
using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

// Two arrow buttons that step a position between Min and Max. OnChanging may
// refuse a step; OnClick follows each step with the button that made it.
// With Associate, the position is also the text of that control (an edit),
// beside which the buttons sit.
class TUpDown : public TWinControl {
  DECLARE_CLASSINFO(TUpDown)
public:
  explicit TUpDown(TComponent* AOwner);
  int Min() const { return FMin; }
  void SetMin(int Value);
  int Max() const { return FMax; }
  void SetMax(int Value);
  int Position();
  void SetPosition(int Value);
  int Increment() const { return FIncrement; }
  void SetIncrement(int Value);
  bool Wrap = false;                                         // before the window is made
  bool ArrowKeys = true;                                     // before the window is made
  bool Thousands = true;                                     // before the window is made
  TUDOrientation Orientation = TUDOrientation::udVertical;   // before the window is made
  TWinControl* Associate() const { return FAssociate; }
  void SetAssociate(TWinControl* Value);
  TUDClickEvent OnClick;
  TUDChangingEvent OnChanging;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateHandleDone() override;
  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  int FMin = 0, FMax = 100, FPosition = 0, FIncrement = 1;
  int FLastDelta = 0;   // of the step the buttons asked for; 0 when refused
  TWinControl* FAssociate = nullptr;
};

class TPageControl;

// A page of a page control: its controls show while its tab is chosen.
class TTabSheet : public TCustomControl {
  DECLARE_CLASSINFO(TTabSheet)
public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;
  TPageControl* PageControl() const { return FPageControl; }
  void SetPageControl(TPageControl* Value);
  int PageIndex() const;
  int TabIndex() const;   // among the visible tabs; -1 when its tab is hidden
  bool TabVisible() const { return FTabVisible; }
  void SetTabVisible(bool Value);

protected:
  void TextChanged() override;

private:
  friend class TPageControl;
  TPageControl* FPageControl = nullptr;
  bool FTabVisible = true;
};

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

// Tabs over pages. A click on a tab asks OnChanging, shows the page and
// runs OnChange.
class TPageControl : public TWinControl {
  DECLARE_CLASSINFO(TPageControl)
public:
  explicit TPageControl(TComponent* AOwner);
  int PageCount() const { return static_cast<int>(FPages.size()); }
  TTabSheet* Pages(int Index) const { return FPages.at(static_cast<size_t>(Index)); }
  TTabSheet* ActivePage() const { return FActivePage; }
  void SetActivePage(TTabSheet* Value);
  int ActivePageIndex() const;
  void SetActivePageIndex(int Value);
  void AdjustClientRect(TRect& Rect) override;
  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateHandleDone() override;
  void WndProc(TMessage& Message) override;

private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* Page);
  void RemovePage(TTabSheet* Page);
  void UpdateTabs();
  TTabSheet* PageOfTab(int TabIndex) const;
  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
};

class TStatusBar;

// One part of a status bar.
class TStatusPanel {
public:
  explicit TStatusPanel(TStatusBar* Owner) : FOwner(Owner) {}
  const std::string& Text() const { return FText; }
  void SetText(const std::string& Value);
  int Width() const { return FWidth; }
  void SetWidth(int Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);

private:
  TStatusBar* FOwner;
  std::string FText;
  int FWidth = 50;
  TAlignment FAlignment = TAlignment::taLeftJustify;
};

// A bar of text panels along the bottom of its form; the last panel takes
// what room is left.
class TStatusBar : public TWinControl {
  DECLARE_CLASSINFO(TStatusBar)
public:
  explicit TStatusBar(TComponent* AOwner);
  int PanelCount() const { return static_cast<int>(FPanels.size()); }
  TStatusPanel* Panels(int Index) const { return FPanels.at(static_cast<size_t>(Index)).get(); }
  TStatusPanel* AddPanel();
  bool SimplePanel() const { return FSimplePanel; }
  void SetSimplePanel(bool Value);
  const std::string& SimpleText() const { return FSimpleText; }
  void SetSimpleText(const std::string& Value);

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateHandleDone() override;
  void WndProc(TMessage& Message) override;

private:
  friend class TStatusPanel;
  void UpdatePanels();
  void UpdatePanel(int Index);
  std::vector<std::unique_ptr<TStatusPanel>> FPanels;
  bool FSimplePanel = false;
  std::string FSimpleText;
};

class TListView;
class TListItem;

// A column of a report list. AutoSize columns share the width the others
// leave, within MinWidth and MaxWidth, which also hold when the user drags.
class TListColumn {
public:
  TListColumn(TListView* Owner, int Index) : FOwner(Owner), FIndex(Index) {}
  int Index() const { return FIndex; }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  int Width();
  void SetWidth(int Value);
  int MinWidth = 0;   // 0: no limit
  int MaxWidth = 0;   // 0: no limit
  bool AutoSize = false;
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);

private:
  friend class TListView;
  TListView* FOwner;
  int FIndex;
  std::string FCaption;
  int FWidth = 50;
  TAlignment FAlignment = TAlignment::taLeftJustify;
};

// A row: its caption is the first column, its sub-items the next ones.
class TListItem {
public:
  explicit TListItem(TListView* Owner);
  TListView* Owner() const { return FOwner; }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  TStringList* SubItems() { return &FSubItems; }
  void* Data = nullptr;
  int Index() const;
  bool Selected() const;
  void SetSelected(bool Value);
  bool Focused() const;
  void SetFocused(bool Value);
  void MakeVisible();
  TRect DisplayRect() const;   // the whole row, in the list's client coordinates

private:
  friend class TListView;
  void Update();
  TListView* FOwner;
  std::string FCaption;
  TStringList FSubItems;
};

enum class TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum class TCustomDrawStateItem { cdsSelected, cdsGrayed, cdsDisabled, cdsChecked, cdsFocused, cdsDefault, cdsHot };
using TCustomDrawState = TSet<TCustomDrawStateItem>;
using TLVCustomDrawItemEvent =
    std::function<void(TObject* Sender, TListItem* Item, TCustomDrawState State, bool& DefaultDraw)>;
using TLVCompareEvent = std::function<void(TObject* Sender, TListItem* Item1, TListItem* Item2, int Data, int& Compare)>;
using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVCompare = std::function<int(TListItem* Item1, TListItem* Item2, LPARAM Data)>;

// The system's list view; the rows' texts stay here and the control asks
// for them as it draws (LVM_GETITEMTEXT answers with them too). Sorting
// keeps Items in the order shown. OnCustomDrawItem sets the row's colours on
// Canvas (its brush is the background, its font colour the text).
class TListView : public TWinControl {
  DECLARE_CLASSINFO(TListView)
public:
  explicit TListView(TComponent* AOwner);
  ~TListView() override;

  int ColumnCount() const { return static_cast<int>(FColumns.size()); }
  TListColumn* Columns(int Index) const { return FColumns.at(static_cast<size_t>(Index)).get(); }
  TListColumn* AddColumn();
  int ItemCount() const { return static_cast<int>(FItems.size()); }
  TListItem* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)).get(); }
  TListItem* AddItem() { return InsertItem(ItemCount()); }
  TListItem* InsertItem(int Index);
  void DeleteItem(int Index);
  void Clear();
  void BeginUpdate();
  void EndUpdate();
  int IndexOf(const TListItem* Item) const;

  TViewStyle ViewStyle = TViewStyle::vsReport;   // before the window is made
  bool ReadOnly = true;                           // before the window is made
  bool HideSelection = true;                      // before the window is made
  bool MultiSelect = false;                       // before the window is made
  bool ShowColumnHeaders = true;                  // before the window is made
  bool RowSelect() const { return FRowSelect; }
  void SetRowSelect(bool Value);
  bool GridLines() const { return FGridLines; }
  void SetGridLines(bool Value);
  TListItem* Selected() const;      // the first selected row, or null
  void SetSelected(TListItem* Value);
  int ItemIndex() const;
  void SetItemIndex(int Value);
  TListItem* ItemFocused() const;
  TListItem* GetItemAt(int X, int Y) const;
  TCanvas* Canvas() { return &FCanvas; }

  // Orders the rows with Compare (negative, 0, positive); what Compare
  // throws is raised here after the system's sort has returned.
  void CustomSort(const TLVCompare& Compare, LPARAM Data);
  void AlphaSort();   // with OnCompare, else by caption ignoring case

  TLVColumnClickEvent OnColumnClick;
  TLVCompareEvent OnCompare;
  TLVCustomDrawItemEvent OnCustomDrawItem;
  TLVSelectItemEvent OnSelectItem;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateHandleDone() override;
  void WndProc(TMessage& Message) override;
  void Resize() override;

private:
  friend class TListItem;
  friend class TListColumn;
  void InsertColumnWindow(TListColumn* Column);
  void InsertItemWindow(int Index);
  void SetExtendedStyles();
  void SizeColumns();
  LRESULT Notify(NMHDR* Header);
  LRESULT CustomDraw(NMLVCUSTOMDRAW* Draw);
  const std::string& TextOf(TListItem* Item, int SubItem) const;
  std::vector<std::unique_ptr<TListColumn>> FColumns;
  std::vector<std::unique_ptr<TListItem>> FItems;
  TCanvas FCanvas;
  bool FRowSelect = false, FGridLines = false;
  int FUpdateCount = 0;
  bool FSizingColumns = false;
  bool FColumnsMade = false;   // the columns are in the window
};

enum class TSearchType { stWholeWord, stMatchCase };
using TSearchTypes = TSet<TSearchType>;

class TRichEdit;

// The character format of a rich edit's selection.
class TTextAttributes {
public:
  explicit TTextAttributes(TRichEdit* Owner) : FOwner(Owner) {}
  TColor Color();
  void SetColor(TColor Value);
  TFontStyles Style();
  void SetStyle(TFontStyles Value);

private:
  CHARFORMAT2A Get();
  void Set(CHARFORMAT2A& Format);
  TRichEdit* FOwner;
};

// The system's rich edit (riched20.dll, loaded by name; its ANSI class),
// as a memo whose selection can be coloured and whose text can be searched.
// Positions count a line break as one character.
class TRichEdit : public TMemo {
  DECLARE_CLASSINFO(TRichEdit)
public:
  explicit TRichEdit(TComponent* AOwner);
  ~TRichEdit() override;
  // The position of the first occurrence of SearchStr in the Length
  // characters from StartPos; -1 when there is none.
  int FindText(const std::string& SearchStr, int StartPos, int Length, TSearchTypes Options);
  TTextAttributes* SelAttributes() { return &FSelAttributes; }
  int GetTextLen();   // in positions
  std::string SelText() override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateHandleDone() override;

private:
  TLibraryHandle FLibrary;
  TTextAttributes FSelAttributes;
};

class TCustomImageList;
class TToolBar;

enum class TToolButtonStyle { tbsButton, tbsSeparator };

// A button of a tool bar: a picture of the bar's image list, flat until the
// pointer is over it; its Hint shows as a tool tip. A separator is a gap
// with an etched line.
class TToolButton : public TGraphicControl {
  DECLARE_CLASSINFO(TToolButton)
public:
  explicit TToolButton(TComponent* AOwner);
  TToolButtonStyle Style() const { return FStyle; }
  void SetStyle(TToolButtonStyle Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  void SetParent(TWinControl* AParent) override;
  bool Hot() const { return FHot; }
  void SetHint(const std::string& Value);

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  friend class TToolBar;
  TToolBar* Bar() const;
  TToolButtonStyle FStyle = TToolButtonStyle::tbsButton;
  int FImageIndex = -1;
  bool FHot = false, FPressed = false;
};

// A row of tool buttons and other controls along the top of its form, laid
// out left to right in the order they were put on it; other controls sit
// centred in the row.
class TToolBar : public TCustomControl {
  DECLARE_CLASSINFO(TToolBar)
public:
  explicit TToolBar(TComponent* AOwner);
  ~TToolBar() override;
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  int ButtonWidth() const { return FButtonWidth; }
  int ButtonHeight() const { return FButtonHeight; }
  void SetButtonSize(int AWidth, int AHeight);
  void Arrange();                 // places the controls again
  HWND ToolTips() const { return FToolTips; }   // the tool tip window, once made
  std::string ToolTipText(TToolButton* Button);   // what its tool tip shows

protected:
  void CreateHandleDone() override;
  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TToolButton;
  void SetHot(TToolButton* Button);
  void UpdateToolTips();
  TCustomImageList* FImages = nullptr;
  int FButtonWidth = 23, FButtonHeight = 22;
  TToolButton* FHot = nullptr;
  HWND FToolTips = nullptr;
  bool FArranging = false;
};
