// Forms, the screen and the application: top-level windows, the message
// loop and the application's exception handler.
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "classlib/Controls.h"
#include "classlib/Messages.h"

struct TWindowTraits {
  static HWND Invalid() { return nullptr; }
  static void Close(HWND h) { DestroyWindow(h); }
};
using TWindowHandle = TOwnedHandle<HWND, TWindowTraits>;

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TFormStyle { fsNormal, fsStayOnTop };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;
constexpr TModalResult mrAll = mrNo + 2;

class TMainMenu;

// A top-level window. Its window class is its class name; CreateParams
// gives the style of the border style and form style, owned by the
// application window unless a form sets another parent (secondary windows
// set WS_EX_APPWINDOW and the desktop window). OnCreate runs from
// AfterConstruction (TApplication::CreateForm calls it); OnDestroy runs
// from BeforeDestruction, which the application calls for the forms it owns
// before freeing them (as Release does); it first tells every component the
// form owns that it is about to go (Destroying), so worker threads stop while
// the form is whole. A form deleted directly runs it from its own destructor,
// after the members of derived classes are gone.
//
// Keys: the application's loop hands every key message to the form of the
// focused control first. With KeyPreview the form's OnKeyDown, OnKeyUp and
// OnKeyPress see it before the control (a key set to 0 goes no further);
// then the menu bar's shortcuts, then the dialog keys: Tab and Shift+Tab
// move the focus along the controls with TabStop, Enter clicks the focused
// button or else the Default one, Esc the Cancel one (unless the focused
// control wants those keys).
class TForm : public TCustomControl {
  DECLARE_CLASSINFO(TForm)
public:
  explicit TForm(TComponent* AOwner);
  ~TForm() override;

  void AfterConstruction();    // OnCreate, with exceptions handed to the application
  void BeforeDestruction();    // OnDestroy and the window's end; runs once

  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle Value);
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle Value);
  TWindowState WindowState() const;
  void SetWindowState(TWindowState Value);
  void SetClientSize(int AClientWidth, int AClientHeight);

  bool KeyPreview = false;
  TMainMenu* Menu() const { return FMenu; }
  void SetMenu(TMainMenu* Value);
  TWinControl* ActiveControl() const;   // the focused control of this form
  void SetActiveControl(TWinControl* Value);
  void SelectNext(TWinControl* CurControl, bool GoForward);   // the next control with TabStop
  // What the loop calls for a key message of a control on this form; true
  // when the form used it up.
  bool IsKeyMessage(TWinControl* Target, MSG& Msg);
  // A shortcut of the form's menu or of an action of an action list it
  // owns, run; true when one took the key.
  bool IsShortCut(TShortCut Key);

  void Close();
  void Release();      // frees the form from the message loop, after its handlers return
  TModalResult ShowModal();
  TModalResult ModalResult = mrNone;
  bool Modal() const { return FModal; }
  void BringToFront();

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateHandleDone() override;
  void WndProc(TMessage& Message) override;
  void UpdateShowing() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual bool CloseQuery();
  virtual void DoShow();
  virtual void DoHide();

private:
  void ApplyStyles();
  bool DialogKey(TWinControl* Target, MSG& Msg);
  TMainMenu* FMenu = nullptr;
  HWND FLastFocus = nullptr;   // where the focus was when the form was deactivated
  TFormBorderStyle FBorderStyle = TFormBorderStyle::bsSizeable;
  TFormStyle FFormStyle = TFormStyle::fsNormal;
  TWindowState FWindowState = TWindowState::wsNormal;
  bool FModal = false;
  bool FDestroying = false;
};

class TScreen : public TComponent {
  DECLARE_CLASSINFO(TScreen)
public:
  explicit TScreen(TComponent* AOwner);
  int FormCount() const { return static_cast<int>(FForms.size()); }
  TForm* Forms(int Index) const { return FForms.at(static_cast<size_t>(Index)); }
  TForm* ActiveForm() const { return FActiveForm; }
  HCURSOR Cursors(TCursor Index) const;
  void SetCursors(TCursor Index, HCURSOR Handle);   // shared cursors (LoadCursor), not destroyed
  int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
  int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
  int PixelsPerInch() const;

private:
  friend class TForm;
  std::vector<TForm*> FForms;
  TForm* FActiveForm = nullptr;
  std::map<TCursor, HCURSOR> FCursors;
};

using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TExceptionEvent = std::function<void(TObject* Sender, Exception& E)>;
// Asked before the help file is opened; CallHelp := false keeps it closed.
using THelpEvent = std::function<bool(UINT Command, INT_PTR Data, bool& CallHelp)>;

class TApplication : public TComponent {
  DECLARE_CLASSINFO(TApplication)
public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  void Initialize() { Handle(); }
  HWND Handle();   // the hidden application window, made when first needed
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& Value);
  TForm* MainForm() const { return FMainForm; }
  bool ShowMainForm = true;

  // Creates a form owned by the application (the first becomes the main
  // form) and runs its OnCreate.
  template <typename T>
  void CreateForm(T*& Reference) {
    T* f = new T(this);
    Reference = f;
    if (!FMainForm) FMainForm = f;
    f->AfterConstruction();
  }

  void Run();                 // shows the main form, loops until Terminate
  void Terminate();           // posts WM_QUIT
  bool Terminated() const { return FTerminated; }
  void ProcessMessages();     // handles every waiting message; re-entrant
  void HandleMessage();       // one message, or idle processing and a wait
  void HandleException(TObject* Sender);   // call inside a catch block
  void ShowException(const Exception& E);
  int MessageBox(const std::string& Text, const std::string& Caption, UINT Flags = MB_OK);

  // Opens the application's help at a topic: OnHelp first, then HelpFile
  // when it names one. True when help was given.
  bool HelpContext(int Context);
  std::string HelpFile;

  TIdleEvent OnIdle;
  TExceptionEvent OnException;
  THelpEvent OnHelp;

private:
  friend class TForm;
  friend LRESULT CALLBACK AppWndProc(HWND, UINT, WPARAM, LPARAM);
  bool ProcessMessage(MSG& Msg);
  bool IsKeyMsg(MSG& Msg);
  void Idle();
  void WndProc(TMessage& Message);
  std::string FTitle;
  TForm* FMainForm = nullptr;
  bool FTerminated = false;
  bool FHandlingException = false;
  TWindowHandle FWindow;
};

// The form a control sits on, or null.
TForm* GetParentForm(TControl* Control);

// Made by Forms_Initialize, freed by Forms_Finalize.
extern TApplication* Application;
extern TScreen* Screen;

// Also starts the Threads, Menus and Dialogs units.
void Forms_Initialize();
void Forms_Finalize();
