// Window modes and the keyboard commands of the main window.
#include "viewer/NsMain.h"
#include "viewer/NsMainDesktop.h"
#include "viewer/NsMainModes.h"
#include "viewer/NsMainPicking.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainRoute.h"
#include "viewer/NsMainSettings.h"
#include "viewer/NsMainStartup.h"

#include <shellapi.h>

#include "classlib/WinHandles.h"
#include "monitor/Unit2.h"
#include "monitor/Unit6.h"
#include "viewer/Unit3.h"
#include "viewer/components/HyperLbl.h"
#include "viewer/unit4.h"

TKeyCommand KeyCommandOf(WORD Key) {
  switch (Key) {
    case VK_ESCAPE: return TKeyCommand::kcLeaveFullScreen;
    case VK_SPACE: return TKeyCommand::kcAutoRotation;
    case VK_PRIOR: return TKeyCommand::kcZoomIn;
    case VK_NEXT: return TKeyCommand::kcZoomOut;
    case 'A': return TKeyCommand::kcAbout;
    case 'C': return TKeyCommand::kcConnectLocations;
    case 'E': return TKeyCommand::kcEstablishedOnly;
    case 'F': return TKeyCommand::kcFullScreen;
    case 'H': return TKeyCommand::kcHighlightShadow;
    case 'I': return TKeyCommand::kcImplant;
    case 'L': return TKeyCommand::kcLabels;
    case 'R': return TKeyCommand::kcAutorefresh;
    default: return TKeyCommand::kcNone;
  }
}

int DesktopSquareSize(int Width, int ScreenHeight) {
  int size = Width < 128 ? 128 : Width < 512 ? 256 : Width < 1024 ? 512 : 1024;
  if (size >= ScreenHeight) size = 512;
  return size;
}

// ---- Modes ----

const char* const HelpPageURL = "https://vantrel.org/help.html";
TDesktopShell DesktopShell{ShowDesktopIcons, MinimizeAllWindows, RestoreAllWindows, [](DWORD Ms) { Sleep(Ms); }};

namespace {
// Changes the application window's extended style, hidden around the change
// so that the task bar takes it up.
void AddApplicationExStyle(LONG_PTR Style) {
  if (!Application) return;
  HWND app = Application->Handle();
  ShowWindow(app, SW_HIDE);
  SetWindowLongPtrA(app, GWL_EXSTYLE, GetWindowLongPtrA(app, GWL_EXSTYLE) | Style);
  ShowWindow(app, SW_SHOW);
}
}  // namespace

void TMainForm::ImplantClick(TObject*) {
  if (FullScreenActive()) return;
  if (BorderStyle() != TFormBorderStyle::bsNone) {
    CloseSideWindows();
    WindowModes.ImplantActive = true;
    ShowDesktopPicture(true);
    SetFormStyle(TFormStyle::fsNormal);
    SetBorderStyle(TFormBorderStyle::bsNone);
    if (WindowState() == TWindowState::wsMaximized) SetWindowState(TWindowState::wsNormal);
    Hide();
    AddApplicationExStyle(WS_EX_NOACTIVATE);

    const int cx = Left() + Width() / 2, cy = Top() + Height() / 2;
    const int size = DesktopSquareSize(Width(), Screen->Height());
    SetBounds(cx - size / 2, cy - size / 2, size, size);
    if (ViewResources.OSMajorVersion >= 9) WindowModes.SavedBounds = {Left(), Top(), Width(), Height()};
    PlaceDesktopPicture(size);

    // The wallpaper behind the square: icons hidden and windows minimised
    // where the shell can do that (Wine's may not), then a screen copy.
    DesktopShell.ShowIcons(false);
    DesktopShell.MinimizeAll();
    DesktopShell.Wait(500);
    TBitmap wallpaper;
    wallpaper.SetSize(size, size);
    {
      HDC screen = GetDC(nullptr);
      {
        TMemoryDC dc(screen);
        dc.Select(wallpaper.Handle());
        BitBlt(dc.Get(), 0, 0, size, size, screen, Left(), Top(), SRCCOPY);
      }
      ReleaseDC(nullptr, screen);
    }
    Show();
    SetDesktopPicture(wallpaper);
    LayoutHudBar();
    DesktopShell.ShowIcons(true);
    DesktopShell.UndoMinimizeAll();
  } else {
    AddApplicationExStyle(WS_EX_TOOLWINDOW);
    ShowDesktopPicture(false);
    SetBorderStyle(TFormBorderStyle::bsSizeable);
    WindowModes.ImplantActive = false;
    Show();
    PollState.FirstPollState = 0;   // the next poll puts the window on top again when set
  }
}

void TMainForm::CloseSideWindows() {
  for (TForm* f : std::initializer_list<TForm*>{aform, Form2, frmMain, Form6})
    if (f && f->Visible()) f->Close();
}

void TMainForm::StayOnTop1Click(TObject*) {
  if (StayOnTop1->Checked()) {
    SetFormStyle(TFormStyle::fsNormal);
    StayOnTop1->SetChecked(false);
  } else {
    SetFormStyle(TFormStyle::fsStayOnTop);
    StayOnTop1->SetChecked(true);
  }
}

void TMainForm::FullScreen1Click(TObject*) {
  if (ViewResources.OSMajorVersion < 9) {
    if (FullScreenActive()) {
      ClampCameraZoom();
      LeaveFullScreenViewer();
    } else {
      EnterFullScreenViewer();
    }
    return;
  }
  if (BorderStyle() != TFormBorderStyle::bsSizeable) {
    AddApplicationExStyle(WS_EX_TOOLWINDOW);
    ShowDesktopPicture(false);
    SetBorderStyle(TFormBorderStyle::bsSizeable);
    Show();
    LayoutHudBar();
    SetWindowState(TWindowState::wsMaximized);
    WindowModes.ImplantActive = true;
    return;
  }
  SetWindowState(WindowState() == TWindowState::wsMaximized ? TWindowState::wsNormal : TWindowState::wsMaximized);
  if (WindowState() == TWindowState::wsNormal && WindowModes.ImplantActive) ImplantClick(this);
}

void TMainForm::LeaveFullScreen() {
  if (ViewResources.OSMajorVersion < 9) {
    if (FullScreenActive()) LeaveFullScreenViewer();
    return;
  }
  if (WindowState() != TWindowState::wsMaximized) return;
  SetWindowState(TWindowState::wsNormal);
  if (WindowModes.ImplantActive) {
    SetWidth(WindowModes.SavedBounds.Width);
    SetHeight(WindowModes.SavedBounds.Height);
    SetLeft(WindowModes.SavedBounds.Left);
    SetTop(WindowModes.SavedBounds.Top);
    ImplantClick(this);
  }
}

// Full screen below version 9: the full-screen viewer covers the screen at
// the desktop's resolution and the main window hides; the windowed viewer
// takes the screen's size so that picking and texts measure the screen.
void TMainForm::EnterFullScreenViewer() {
  WindowModes.BackgroundWasVisible = GLHUDSprite1->Visible();
  GLHUDSprite1->SetVisible(false);
  GLFullScreenViewer1->MatchDesktopResolution();
  GLFullScreenViewer1->SetWidth(Screen->Width());
  GLFullScreenViewer1->SetHeight(Screen->Height());
  Scene3DViewer1->SetVisible(false);
  Scene3DViewer1->SetWidth(GLFullScreenViewer1->Width());
  Scene3DViewer1->SetHeight(GLFullScreenViewer1->Height());
  const int w = GLFullScreenViewer1->Width(), h = GLFullScreenViewer1->Height();
  GLHUDSprite2->SetWidth(332);
  GLHUDSprite2->SetHeight(32);
  GLHUDSprite2->Position()->SetPoint(static_cast<float>(w / 2), static_cast<float>(h - 2 - 16), 0);
  GLFullScreenViewer1->SetActive(true);
  Hide();
}

void TMainForm::LeaveFullScreenViewer() {
  GLHUDSprite1->SetVisible(WindowModes.BackgroundWasVisible);
  ShowHudBar(false);
  HoverState.HudHint.clear();
  Show();
  Scene3DViewer1->SetVisible(true);
  GLFullScreenViewer1->SetActive(false);
  LayoutHudBar();
  if (BorderStyle() == TFormBorderStyle::bsNone)
    SetWindowPos(Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TMainForm::Resetwindow1Click(TObject*) {
  HWND h = Handle();
  if (BorderStyle() == TFormBorderStyle::bsNone) DesktopShell.MinimizeAll();
  if (IsIconic(h)) ShowWindow(h, SW_RESTORE);
  if (!IsWindowVisible(h)) Show();
  SetForegroundWindow(h);
  WindowModes.FocusRequested = true;
}

void TMainForm::FormActivate(TObject*) {
  if (BorderStyle() == TFormBorderStyle::bsNone && !FullScreenActive())
    SetWindowPos(Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TMainForm::Help1Click(TObject*) {
  HyperLinkShellExecute(Handle(), "open", HelpPageURL, nullptr, nullptr, SW_SHOWNORMAL);
}

void TMainForm::FormKeyDown(TObject*, WORD& Key, TShiftState) {
  const int w = Scene3DViewer1->Width(), h = Scene3DViewer1->Height();
  switch (KeyCommandOf(Key)) {
    case TKeyCommand::kcLeaveFullScreen: LeaveFullScreen(); break;
    case TKeyCommand::kcZoomIn: SetCameraZoom(ZoomBy(CameraZoom(), 120, w, h)); break;
    case TKeyCommand::kcZoomOut: SetCameraZoom(ZoomBy(CameraZoom(), -120, w, h)); break;
    case TKeyCommand::kcAutoRotation: autorotation(this); break;
    case TKeyCommand::kcConnectLocations: connectedpoints(this); break;
    case TKeyCommand::kcHighlightShadow: hiliteshadow(this); break;
    case TKeyCommand::kcLabels: allnames(this); break;
    case TKeyCommand::kcEstablishedOnly: actAllEndpointsExecute(this); break;
    case TKeyCommand::kcFullScreen: FullScreen1Click(this); break;
    case TKeyCommand::kcImplant: ImplantClick(this); break;
    case TKeyCommand::kcAutorefresh: autorefresz(this); break;
    case TKeyCommand::kcAbout: aboutform(this); break;
    default: break;
  }
}

void TMainForm::autorefresz(TObject*) {
  if (!RouteState.RouteIdle) return;   // no change while a trace runs
  PollState.StartupCounter = 0;
  if (Timer->Enabled()) {
    Timer->SetEnabled(false);
    PollState.AutoRefreshOn = false;
    PollState.AutorefreshText = "; Autorefresh OFF";
  } else {
    Timer->SetEnabled(true);
    PollState.AutoRefreshOn = true;
    PollState.AutorefreshText = "; Autorefresh ON";
  }
}

void TMainForm::connectedpoints(TObject*) {
  Settings.ConnectLocations = !Settings.ConnectLocations;
  Redraw();
}

void TMainForm::SetCameraZoom(float Bias) { GLCamera1->SetNearPlaneBias(Bias); }

// ---- The desktop picture sprite ----

void TMainForm::ShowDesktopPicture(bool Show) { GLHUDSprite1->SetVisible(Show); }

void TMainForm::PlaceDesktopPicture(int Size) {
  GLHUDSprite1->Position()->SetPoint(static_cast<float>(Size / 2), static_cast<float>(Size / 2), 0);
  GLHUDSprite1->SetWidth(static_cast<float>(Size));
  GLHUDSprite1->SetHeight(static_cast<float>(Size));
}

void TMainForm::SetDesktopPicture(TBitmap& Wallpaper) {
  GLHUDSprite1->Material()->Texture()->Image()->Assign(&Wallpaper);
}
