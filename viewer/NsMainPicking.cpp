// The mouse side of the globe: the HUD bar's cells, picking by the colour
// of the pixel under the pointer, orbit and zoom.
#include "viewer/NsMain.h"
#include "viewer/NsMainCommands.h"
#include "viewer/NsMainModes.h"
#include "viewer/NsMainPicking.h"
#include "viewer/NsMainPopup.h"
#include "viewer/NsMainSettings.h"
#include "viewer/NsMainStartup.h"

#include <algorithm>

#include "viewer/components/WorkerThread.h"

double HudBarLeft(int ViewerWidth, double BarWidth) { return ViewerWidth / 2.0 - BarWidth / 2.0; }

int HudCellAt(int X, int ViewerWidth, double BarWidth) {
  const double left = HudBarLeft(ViewerWidth, BarWidth), x = X;
  if (BarWidth <= 0 || x <= left || x >= left + BarWidth) return 0;
  const double c = BarWidth / 10.0;
  for (int k = 1; k <= 10; ++k) {
    const double right = k == 10 ? left + BarWidth : left + k * c;
    if (left + (k - 1) * c < x && x < right) return k;
  }
  return 0;
}

float ZoomBy(float NearPlaneBias, int WheelDelta, int ViewerWidth, int ViewerHeight) {
  return ClampZoom(NearPlaneBias + static_cast<float>(WheelDelta) * NearPlaneBias / 1000, ViewerWidth,
                   ViewerHeight);
}

bool IsPickColor(uint32_t Color) {
  Color &= 0xFFFFFF;
  return Color == static_cast<uint32_t>(Settings.Color1 & 0xFFFFFF) || Color == 0x00FF00 ||
         Color == static_cast<uint32_t>(Settings.Color2 & 0xFFFFFF) ||
         Color == static_cast<uint32_t>(Settings.Color3 & 0xFFFFFF);
}

const std::array<const char*, 10> HudHints = {
    "Autorefresh", "Implant into Desktop", "Labels", "Rotation", "Connect Locations", "Full Screen",
    "Highlight Shadow", "Only Established Connections", "Options/About", "Exit"};

namespace {
constexpr TCursor PointerCursor = 1;   // "cur2"
constexpr TCursor PickCursor = 2;      // "myCursor"
}  // namespace

void TMainForm::Scene3DViewer1MouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
  HoverState.MouseX = X;
  HoverState.MouseY = Y;
}

void TMainForm::Scene3DViewer1MouseMove(TObject*, TShiftState Shift, int X, int Y) {
  if (WindowModes.PopupMenuOpen) return;
  const int W = Scene3DViewer1->Width(), H = Scene3DViewer1->Height();
  const THudBarSize bar = HudBarSize();
  if (Y <= H - bar.Height) {
    HoverState.HudHint.clear();
    ShowHudBar(false);
    SetViewerCursors(PointerCursor);
  } else {
    ShowHudBar(true);
    const double left = HudBarLeft(W, bar.Width);
    if (X < left || X > left + bar.Width) {
      if (HoverState.HoveredHudCell != 0) SetHudImage(0);
      HoverState.HudHint.clear();
      HoverState.HoveredHudCell = 0;
    }
    if (const int k = HudCellAt(X, W, bar.Width)) {
      if (HoverState.HoveredHudCell != k) SetHudImage(k);
      HoverState.HudHint = HudHints[static_cast<size_t>(k - 1)];
      HoverState.HoveredHudCell = static_cast<uint8_t>(k);
    }
    SetViewerCursors(crDefault);
  }

  // Picking by the colour under the pointer.
  TScene3DBuffer* buffer = VisibleBuffer();
  const uint32_t color = static_cast<uint32_t>(buffer->GetPixelColor(X, Y));
  if (!IsPickColor(color)) {
    if (HoverList.Count() > 0) HoverList.Clear();
    if (Scene3DViewer1->Cursor() == PickCursor) Scene3DViewer1->SetCursor(PointerCursor);
    if (GLFullScreenViewer1->Cursor() == PickCursor) GLFullScreenViewer1->SetCursor(PointerCursor);
    Redraw();
  } else {
    HoverState.FileLocationHover = color == static_cast<uint32_t>(Settings.Color3 & 0xFFFFFF);
    HoverState.RouteHover = color == static_cast<uint32_t>(Settings.Color2 & 0xFFFFFF);
    if (FullScreenActive())
      GLFullScreenViewer1->SetCursor(PickCursor);
    else
      Scene3DViewer1->SetCursor(PickCursor);
    const int hs = FullScreenActive() ? Screen->Height() : H;
    auto pick = [&](const TStrings& Entries, const TStrings& Labels, TGLPoints* Points) {
      const int n = std::min({Entries.Count(), Labels.Count(), Points->Positions()->Count()});
      for (int i = 0; i < n; ++i) {
        if (Labels[i].empty()) continue;
        const TAffineVector v = Points->Positions()->Get(i);
        const TVector p = buffer->WorldToScreen(TVector{v[0], v[1], v[2], 1});
        const float px = p[0], py = static_cast<float>(hs) - p[1];
        if (px - 2.5f < X && X < px + 2.5f && py - 2.5f < Y && Y < py + 2.5f) {
          if (HoverList.IndexOf(Entries[i]) < 0 && HoverList.Count() < 1) HoverList.Add(Entries[i]);
          Settings.AllLabels = false;
          HoverState.HoverHighlight = true;
        }
      }
    };
    if (HoverState.RouteHover)
      pick(RouteHops, RouteLabels, GLPoints2);
    else
      pick(VisualizedIPs, LocationLabels, GLPoints1);
    Redraw();
  }

  // Orbit with the left button held.
  const int dx = HoverState.MouseX - X, dy = HoverState.MouseY - Y;
  HoverState.MouseX = X;
  HoverState.MouseY = Y;
  if (Shift.Contains(TShiftStateItem::ssLeft))
    GLCamera1->MoveAroundTarget(static_cast<float>(dy), static_cast<float>(dx));
}

void TMainForm::SetViewerCursors(TCursor Cursor) {
  Scene3DViewer1->SetCursor(Cursor);
  GLFullScreenViewer1->SetCursor(Cursor);
}

void TMainForm::Scene3DViewer1MouseLeave(TObject*) {
  ShowHudBar(false);
  HoverState.HudHint.clear();
}

void TMainForm::Scene3DViewer1OnClick(TObject*) {
  Selection.SelectionKind = 0;
  if (BorderStyle() == TFormBorderStyle::bsNone && !WindowModes.FocusRequested)
    SetWindowPos(Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  else
    WindowModes.FocusRequested = false;
  if (HudBarVisible()) hudclick(this);
  if (WorkerThread1->Running()) return;   // no popup while a trace runs
  std::string hop;
  if (HoverState.RouteHover &&
      (Scene3DViewer1->Cursor() == PickCursor || GLFullScreenViewer1->Cursor() == PickCursor)) {
    hop = StripHopNumbers(HoverList.Text());
    Selection.SelectionKind = 31;
  }
  if (HoverList.Count() == 0) return;
  LocationPopup(Selection.SelectionKind == 31 ? hop : HoverList.Text(), Selection.SelectionKind == 31,
                HoverState.FileLocationHover);
}

void TMainForm::Scene3DViewer1DblClick(TObject*) { GLCadencer1->SetEnabled(!GLCadencer1->Enabled()); }

void TMainForm::FormMouseWheel(TObject*, TShiftState, int WheelDelta, TPoint, bool& Handled) {
  SetCameraZoom(ZoomBy(CameraZoom(), WheelDelta, Scene3DViewer1->Width(), Scene3DViewer1->Height()));
  Handled = true;
}

void TMainForm::hudclick(TObject*) {
  switch (HudCellAt(HoverState.MouseX, Scene3DViewer1->Width(), HudBarSize().Width)) {
    case 1: autorefresz(this); break;
    case 2: ImplantClick(this); break;
    case 3: allnames(this); break;
    case 4: autorotation(this); break;
    case 5: connectedpoints(this); break;
    case 6: FullScreen1Click(this); break;
    case 7: hiliteshadow(this); break;
    case 8: actAllEndpointsExecute(this); break;
    case 9: aboutform(this); break;
    case 10: PostQuitMessage(0); break;
    default: break;
  }
}

void TMainForm::allnames(TObject*) {
  if (!Settings.AllLabels) {
    Settings.AllLabels = true;
    HoverState.HoverHighlight = false;
  } else {
    Settings.AllLabels = false;
  }
  HoverList.Clear();
  Redraw();
}

void TMainForm::autorotation(TObject*) { GLCadencer1->SetEnabled(!GLCadencer1->Enabled()); }

void TMainForm::hiliteshadow(TObject*) {
  TGLColor* ambient = GLLightSource1->Ambient();
  const float level = ambient->Red() >= 0.3f ? 0.2f : 3.0f;
  ambient->SetRed(level);
  ambient->SetBlue(level);
  ambient->SetGreen(level);
}

// ---- The HUD bar sprite ----

bool TMainForm::HudBarVisible() const { return GLHUDSprite2->Visible(); }

void TMainForm::ShowHudBar(bool Show) { GLHUDSprite2->SetVisible(Show); }

THudBarSize TMainForm::HudBarSize() const { return {GLHUDSprite2->Width(), GLHUDSprite2->Height()}; }

void TMainForm::SetHudImage(int Cell) {
  if (Cell >= 0 && Cell < static_cast<int>(ViewResources.HudImages.size()))
    GLHUDSprite2->Material()->Texture()->Image()->Assign(ViewResources.HudImages[static_cast<size_t>(Cell)].get());
}
