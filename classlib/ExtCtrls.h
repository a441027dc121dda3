// Timers, panels, bevels, shapes, images and the labelled edit.
#pragma once
#include <windows.h>

#include "classlib/Classes.h"
#include "classlib/Controls.h"
#include "classlib/Messages.h"
#include "classlib/StdCtrls.h"

// A timer on a hidden window of its own: OnTimer runs on the thread that
// created it, from whatever message loop is running.
CLASSLIB_EXCEPTION(EOutOfResources, EOutOfMemory);

class TTimer : public TComponent {
  DECLARE_CLASSINFO(TTimer)
public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  UINT Interval() const { return FInterval; }
  void SetInterval(UINT Value);
  TNotifyEvent OnTimer;

protected:
  virtual void Timer();

private:
  void UpdateTimer();
  bool FEnabled = true;
  UINT FInterval = 1000;
  THiddenWindow FWindow;
};

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// A container with raised or lowered edges and its caption in the middle.
class TPanel : public TCustomControl {
  DECLARE_CLASSINFO(TPanel)
public:
  explicit TPanel(TComponent* AOwner);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut Value);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut Value);
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  void AdjustClientRect(TRect& Rect) override;

protected:
  void Paint(HDC DC) override;

private:
  int BorderSize() const;
  TBevelCut FBevelOuter = TBevelCut::bvRaised;
  TBevelCut FBevelInner = TBevelCut::bvNone;
  int FBevelWidth = 1;
  TAlignment FAlignment = TAlignment::taCenter;
};

// Draws a 3D edge of the given cut (raised or lowered) around R.
void Frame3D(TCanvas* Canvas, TRect& R, TColor TopColor, TColor BottomColor, int Width);

enum class TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum class TBevelStyle { bsLowered, bsRaised };

// Etched lines and boxes, drawn on the parent.
class TBevel : public TGraphicControl {
  DECLARE_CLASSINFO(TBevel)
public:
  explicit TBevel(TComponent* AOwner);
  TBevelShape Shape() const { return FShape; }
  void SetShape(TBevelShape Value);
  TBevelStyle Style() const { return FStyle; }
  void SetStyle(TBevelStyle Value);

protected:
  void Paint() override;

private:
  TBevelShape FShape = TBevelShape::bsBox;
  TBevelStyle FStyle = TBevelStyle::bsLowered;
};

enum class TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

// A figure filled with its brush and outlined with its pen (a colour swatch).
class TShape : public TGraphicControl {
  DECLARE_CLASSINFO(TShape)
public:
  explicit TShape(TComponent* AOwner);
  TBrush* Brush() { return &FBrush; }
  TPen* Pen() { return &FPen; }
  TShapeType Shape() const { return FShape; }
  void SetShape(TShapeType Value);

protected:
  void Paint() override;

private:
  TBrush FBrush;
  TPen FPen;
  TShapeType FShape = TShapeType::stRectangle;
};

// A picture shown on the parent: at its top-left corner, centred, or
// stretched to the control; AutoSize takes the picture's size. Canvas is
// the picture's bitmap's (the picture becomes a bitmap); changes to the
// picture repaint the image.
class TImage : public TGraphicControl {
  DECLARE_CLASSINFO(TImage)
public:
  explicit TImage(TComponent* AOwner);
  TPicture* Picture() { return &FPicture; }
  TCanvas* Canvas() { return FPicture.Bitmap()->Canvas(); }
  void Changed();   // after drawing on the canvas
  bool Stretch() const { return FStretch; }
  void SetStretch(bool Value);
  bool Center() const { return FCenter; }
  void SetCenter(bool Value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);

protected:
  void Paint() override;

private:
  TPicture FPicture;
  bool FStretch = false, FCenter = false, FAutoSize = false;
};

enum class TLabelPosition { lpAbove, lpBelow, lpLeft, lpRight };

class TLabeledEdit;

// The label of a labelled edit; it keeps its place when its text resizes it.
class TBoundLabel : public TLabel {
  DECLARE_CLASSINFO(TBoundLabel)
public:
  explicit TBoundLabel(TLabeledEdit* AOwner);

protected:
  void BoundsChanged() override;

private:
  TLabeledEdit* FEdit;
};

// An edit with its own label beside it, which moves with it.
class TLabeledEdit : public TCustomEdit {
  DECLARE_CLASSINFO(TLabeledEdit)
public:
  explicit TLabeledEdit(TComponent* AOwner);
  TBoundLabel* EditLabel() const { return FEditLabel; }
  TLabelPosition LabelPosition() const { return FLabelPosition; }
  void SetLabelPosition(TLabelPosition Value);
  int LabelSpacing = 3;
  void SetParent(TWinControl* AParent) override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

protected:
  void VisibleChanged() override;
  void EnabledChanged() override;

private:
  friend class TBoundLabel;
  void PlaceLabel();
  TBoundLabel* FEditLabel;   // owned as a component
  TLabelPosition FLabelPosition = TLabelPosition::lpAbove;
  bool FPlacing = false;
};
