// The poll timer and the actions that run a poll.
#include "viewer/NsMain.h"

void TMainForm::TimerTimer(TObject*) {
  if (Implant) {   // desktop mode is entered at the first tick only
    Implant = false;
    ImplantClick(this);
  }
  ++PollTimerTicks;
  if (StartupCounter < 5) {
    ++StartupCounter;
    if (StartupCounter == 4) {
      StartupText.clear();
      StartupTextOffset = 0;
    }
  }
  actRefresh->Execute();
}

void TMainForm::actRefreshExecute(TObject*) {
  if (AnalyzedIPs.Count() > 0) return;   // an analysed file is shown instead
  ActionList->Actions(3)->Execute();
}

void TMainForm::ActionExecute(TObject*) {
  if (!PollIdle) return;
  PollIdle = false;
  struct TIdleAgain {
    bool& Idle;
    ~TIdleAgain() { Idle = true; }
  } again{PollIdle};
  if (Application) Application->ProcessMessages();
  Refresh(true);
}

void TMainForm::actAllEndpointsExecute(TObject*) {
  actAllEndpoints->SetChecked(!actAllEndpoints->Checked());
  ConnectionsSuffix = actAllEndpoints->Checked() ? " connection(s)" : " established connection(s)";
  StartupCounter = 0;
  actRefresh->Execute();
}

void TMainForm::actAutoRefreshExecute(TObject*) {
  actAutoRefresh->SetChecked(!actAutoRefresh->Checked());
}

void TMainForm::ApplyStayOnTop() {
  if (BorderStyle() != TFormBorderStyle::bsNone) SetFormStyle(TFormStyle::fsStayOnTop);
}

void TMainForm::SetTrayToolTip(const std::string& Text) { TrayIcon1->SetToolTip(Text); }

UINT TMainForm::PollInterval() const { return Timer->Interval(); }
