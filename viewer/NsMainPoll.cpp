// The poll timer and the actions that run a poll.
#include "viewer/NsMain.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainSettings.h"

void TMainForm::TimerTimer(TObject*) {
  if (Settings.Implant) {   // desktop mode is entered at the first tick only
    Settings.Implant = false;
    ImplantClick(this);
  }
  ++PollState.PollTimerTicks;
  if (PollState.StartupCounter < 5) {
    ++PollState.StartupCounter;
    if (PollState.StartupCounter == 4) {
      PollState.StartupText.clear();
      PollState.StartupTextOffset = 0;
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
  PollState.ConnectionsSuffix = actAllEndpoints->Checked() ? " connection(s)" : " established connection(s)";
  PollState.StartupCounter = 0;
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
