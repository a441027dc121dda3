// The main window for tests: what it would show the user in a message box,
// the errors it would report, the wizard it would start and the alert it
// would sound are recorded instead (the system's boxes, processes and sounds).
#pragma once
#include <string>
#include <vector>

#include "viewer/NsMain.h"

class TRecordingMainForm : public TMainForm {
public:
  using TMainForm::TMainForm;
  std::vector<std::string> Told;     // message texts
  std::vector<std::string> Errors;   // exception messages shown
  int WizardStarts = 0;
  int Alerts = 0;

protected:
  void TellUser(const std::string& Text, UINT) override { Told.push_back(Text); }
  void ShowError(const Exception& E) override { Errors.push_back(E.Message); }
  void StartWizard() override { ++WizardStarts; }
  void PlayAlert() override { ++Alerts; }
};
