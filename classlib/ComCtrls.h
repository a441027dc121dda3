// Common controls: progress bar and up-down buttons.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "classlib/Controls.h"

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
