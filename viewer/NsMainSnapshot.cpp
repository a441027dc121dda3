// Snapshots: every "SIInterval" seconds the frame just drawn is saved as a
// JPEG into "Savepath", under one name or numbered.
#include "classlib/Jpeg.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainRefresh.h"
#include "viewer/NsMainSettings.h"

std::string TMainForm::SnapshotFileName() const {
  if (!Settings.Overwrite) return Settings.Savepath + "\\snapshot.jpg";
  const std::string digits = "0000" + IntToStr(PollState.SnapshotCounter);
  return Settings.Savepath + "\\snapshot." + digits.substr(digits.size() - 5) + ".jpg";
}

void TMainForm::Scene3DViewer1AfterRender(TObject*) {
  Snapshot(Scene3DViewer1->Buffer(), BorderStyle() == TFormBorderStyle::bsNone);
}

void TMainForm::GLFullScreenViewer1AfterRender(TObject*) { Snapshot(GLFullScreenViewer1->Buffer(), false); }

// Nothing while snapshots are off: the clock alone would not stop an
// interval of 0 (the full-screen viewer's handler is always assigned, and
// a failed save switches snapshots off).
void TMainForm::Snapshot(TScene3DBuffer* Source, bool OffScreen) {
  if (!Settings.SaveImages || PollState.SnapshotClock < Settings.SIInterval) return;
  if (!DirectoryExists(Settings.Savepath) && !CreateDirectoryA(Settings.Savepath.c_str(), nullptr))
    throw EFCreateError("Cannot create the snapshot folder " + Settings.Savepath + ": " +
                        SysErrorMessage(GetLastError()));
  PollState.SnapshotClock = 0;

  std::unique_ptr<TBitmap> picture;
  if (OffScreen) {
    // Desktop or borderless mode: the view drawn again off screen, without
    // the desktop picture behind the globe.
    auto* memory = new TGLMemoryViewer(this);
    struct TFreed {
      TGLMemoryViewer* Viewer;
      ~TFreed() { delete Viewer; }
    } freed{memory};
    memory->SetCamera(GLCamera1);
    memory->Buffer()->SetBackgroundColor(clBlack);
    memory->Buffer()->SetContextOptions({TContextOption::roDoubleBuffer});
    memory->SetWidth(Source->Width());
    memory->SetHeight(Source->Height());
    // The picture sprite as it was: shown again in desktop mode only (a
    // borderless window has none to show).
    struct TShownAgain {
      TGLHUDSprite* Sprite;
      bool Visible;
      ~TShownAgain() { Sprite->SetVisible(Visible); }
    } shown{GLHUDSprite1, GLHUDSprite1->Visible()};
    GLHUDSprite1->SetVisible(false);
    memory->Render();
    picture = memory->Buffer()->CreateSnapShotBitmap();
  } else {
    picture = Source->CreateSnapShotBitmap();
  }

  if (Settings.Timestamp)
    picture->Canvas()->TextOut(8, picture->Height() - 20, ShortDateText() + " " + LongTimeText() + " ");

  TJPEGImage jpeg;
  jpeg.SetCompressionQuality(90);
  jpeg.Assign(picture.get());
  jpeg.SaveToFile(SnapshotFileName());
  if (Settings.Overwrite && ++PollState.SnapshotCounter > 99999) PollState.SnapshotCounter = 0;
}
