// Snapshots: every "SIInterval" seconds the frame just drawn is saved as a
// JPEG into "Savepath", under one name or numbered.
#include "classlib/Jpeg.h"
#include "viewer/NsMain.h"

int SnapshotCounter = 0;

std::string TMainForm::SnapshotFileName() const {
  if (!Overwrite) return Savepath + "\\snapshot.jpg";
  const std::string digits = "0000" + IntToStr(SnapshotCounter);
  return Savepath + "\\snapshot." + digits.substr(digits.size() - 5) + ".jpg";
}

void TMainForm::Scene3DViewer1AfterRender(TObject*) {
  if (SnapshotClock < SIInterval) return;
  if (!DirectoryExists(Savepath) && !CreateDirectoryA(Savepath.c_str(), nullptr))
    throw EFCreateError("Cannot create the snapshot folder " + Savepath + ": " +
                        SysErrorMessage(GetLastError()));
  SnapshotClock = 0;

  std::unique_ptr<TBitmap> picture;
  if (BorderStyle() == TFormBorderStyle::bsNone) {
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
    memory->SetWidth(Scene3DViewer1->Buffer()->Width());
    memory->SetHeight(Scene3DViewer1->Buffer()->Height());
    memory->Render();
    picture = memory->Buffer()->CreateSnapShotBitmap();
  } else {
    picture = Scene3DViewer1->Buffer()->CreateSnapShotBitmap();
  }

  if (Timestamp)
    picture->Canvas()->TextOut(8, picture->Height() - 20, ShortDateText() + " " + LongTimeText() + " ");

  TJPEGImage jpeg;
  jpeg.SetCompressionQuality(90);
  jpeg.Assign(picture.get());
  jpeg.SaveToFile(SnapshotFileName());
  if (Overwrite && ++SnapshotCounter > 99999) SnapshotCounter = 0;
}
