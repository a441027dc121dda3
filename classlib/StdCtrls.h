// Standard controls: label, buttons, check box, radio button, edit, memo,
// list box, combo box and group box. Except the label, each wraps the
// system's control of its kind and handles its own notifications.
#pragma once
#include <utility>
#include <vector>

#include "classlib/Controls.h"

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// A label draws its caption in its own small window (so it gets the mouse
// and its enter and leave messages from the system). With AutoSize it takes
// the size of its text; it takes its parent's colour until given one.
class TLabel : public TWinControl {
  DECLARE_CLASSINFO(TLabel)
public:
  explicit TLabel(TComponent* AOwner);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  bool ShowAccelChar = true;
  void SetParent(TWinControl* AParent) override;

protected:
  void Paint(HDC DC) override;
  void TextChanged() override;
  void FontChanged() override;
  void CreateParams(TCreateParams& Params) override;
  void CreateHandleDone() override;
  virtual void AdjustBounds();
  UINT DrawTextFlags() const;

private:
  bool FAutoSize = true;
  bool FWordWrap = false;
  TAlignment FAlignment = TAlignment::taLeftJustify;
};

// A push button. A click (mouse, space, Enter or Esc on its form) runs
// OnClick; a button with a ModalResult first gives it to its form, which
// ends ShowModal with it.
class TButton : public TWinControl {
  DECLARE_CLASSINFO(TButton)
public:
  explicit TButton(TComponent* AOwner);
  bool Default() const { return FDefault; }   // Enter on the form clicks it
  void SetDefault(bool Value);
  bool Cancel = false;                        // Esc on the form clicks it
  int ModalResult = 0;
  void Click() override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void WndProc(TMessage& Message) override;
  virtual DWORD ButtonStyle() const;   // BS_ type of the window

private:
  bool FDefault = false;
};

enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

// A check box. Changing Checked runs OnClick, as a click of the user does.
class TCheckBox : public TWinControl {
  DECLARE_CLASSINFO(TCheckBox)
public:
  explicit TCheckBox(TComponent* AOwner);
  bool Checked() const { return FState == TCheckBoxState::cbChecked; }
  void SetChecked(bool Value) { SetState(Value ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked); }
  TCheckBoxState State() const { return FState; }
  void SetState(TCheckBoxState Value);
  bool AllowGrayed = false;   // a click goes through the grayed state

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateHandleDone() override;
  void WndProc(TMessage& Message) override;

private:
  TCheckBoxState FState = TCheckBoxState::cbUnchecked;
};

// A radio button: checking it unchecks the radio buttons of the same parent
// and runs its OnClick.
class TRadioButton : public TWinControl {
  DECLARE_CLASSINFO(TRadioButton)
public:
  explicit TRadioButton(TComponent* AOwner);
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateHandleDone() override;
  void WndProc(TMessage& Message) override;

private:
  bool FChecked = false;
};

enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// The edit box of the system; Text follows what the user types and OnChange
// runs for every change, typed or set.
class TCustomEdit : public TWinControl {
  DECLARE_CLASSINFO(TCustomEdit)
public:
  explicit TCustomEdit(TComponent* AOwner);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool NumbersOnly() const { return FNumbersOnly; }   // the user types digits only
  void SetNumbersOnly(bool Value);
  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase Value);
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int Value);   // 0: no limit
  int SelStart();
  void SetSelStart(int Value);
  int SelLength();
  void SetSelLength(int Value);
  virtual std::string SelText();
  void SetSelText(const std::string& Value);   // replaces the selection
  void SelectAll();
  void Clear() { SetText(""); }
  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateHandleDone() override;
  void WndProc(TMessage& Message) override;
  virtual void Change();
  void UpdateStyle(DWORD Bit, bool On);
  std::pair<DWORD, DWORD> Selection();

private:
  bool FReadOnly = false;
  bool FNumbersOnly = false;
  TEditCharCase FCharCase = TEditCharCase::ecNormal;
  int FMaxLength = 0;
};

class TEdit : public TCustomEdit {
  DECLARE_CLASSINFO(TEdit)
public:
  using TCustomEdit::TCustomEdit;
};

// A multi-line edit; Lines and Text are the same text.
class TMemo : public TCustomEdit {
  DECLARE_CLASSINFO(TMemo)
public:
  explicit TMemo(TComponent* AOwner);
  TStringList* Lines() { return &FLines; }
  TScrollStyle ScrollBars = TScrollStyle::ssNone;   // before the window is made
  bool WordWrap = true;                              // before the window is made
  bool WantTabs = false;

protected:
  void CreateParams(TCreateParams& Params) override;
  void WndProc(TMessage& Message) override;
  void Change() override;

private:
  TStringList FLines;
  bool FSyncing = false;
};

// Items of a list box or combo box: kept here and in the control's window,
// which gets them all again when it is made. Sorted lists insert in order
// (ignoring case).
class TControlItems : public TStrings {
  DECLARE_CLASSINFO(TControlItems)
public:
  struct TMessages {
    UINT Insert, Delete, Reset, SetData, Error;
  };
  TControlItems(TWinControl* Control, const TMessages& Messages);
  int Count() const override { return static_cast<int>(FItems.size()); }
  const std::string& Get(int Index) const override;
  void Put(int Index, const std::string& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  void Insert(int Index, const std::string& S) override;
  void Delete(int Index) override;
  void Clear() override;
  int Add(const std::string& S) override;
  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  void PushToWindow();   // the whole list into a new window
  TNotifyEvent OnChange;

protected:
  void UpdateDone() override { Changed(); }

private:
  void Check(int Index) const;
  void Changed();
  TWinControl* FControl;
  TMessages FMessages;
  std::vector<std::pair<std::string, TObject*>> FItems;
  bool FSorted = false;
};

class TListBox : public TWinControl {
  DECLARE_CLASSINFO(TListBox)
public:
  explicit TListBox(TComponent* AOwner);
  TStrings* Items() { return &FItems; }
  bool Sorted() const { return FItems.Sorted(); }
  void SetSorted(bool Value) { FItems.SetSorted(Value); }
  int ItemIndex();
  void SetItemIndex(int Value);   // -1: none
  int TopIndex();
  int ItemAtPos(TPoint Pos);      // -1 when no item is there

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateHandleDone() override;
  void WndProc(TMessage& Message) override;

private:
  TControlItems FItems;
  int FItemIndex = -1;
};

enum class TComboBoxStyle { csDropDown, csDropDownList, csSimple };

// A combo box: an edit with a drop-down list (csDropDown), or a drop-down
// list only (csDropDownList). OnChange runs when the user picks an item or
// edits the text.
class TComboBox : public TWinControl {
  DECLARE_CLASSINFO(TComboBox)
public:
  explicit TComboBox(TComponent* AOwner);
  TStrings* Items() { return &FItems; }
  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle Value);
  bool Sorted() const { return FItems.Sorted(); }
  void SetSorted(bool Value) { FItems.SetSorted(Value); }
  int ItemIndex();
  void SetItemIndex(int Value);   // -1: none
  int DropDownCount = 8;
  bool DroppedDown();
  void SetDroppedDown(bool Value);
  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateHandleDone() override;
  void WndProc(TMessage& Message) override;

private:
  void SyncText();
  TControlItems FItems;
  TComboBoxStyle FStyle = TComboBoxStyle::csDropDown;
  int FItemIndex = -1;
};

// A frame with a caption around other controls.
class TGroupBox : public TWinControl {
  DECLARE_CLASSINFO(TGroupBox)
public:
  explicit TGroupBox(TComponent* AOwner);
  void AdjustClientRect(TRect& Rect) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void WndProc(TMessage& Message) override;
};
