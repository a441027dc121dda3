// vantrelwiz: installs or updates the geolocation database and sets the
// home location. No parameter: the first-run wizard; "-h": edit the home
// location; any other parameter: update the database.
#include "classlib/Forms.h"
#include "classlib/WinHandles.h"
#include "wizard/Unit1.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // One wizard at a time: two would download into the same volumes and
  // install over each other. The mutex is held until the process ends.
  THandle instance(CreateMutexA(nullptr, TRUE, "VantrelDatabaseWizard"));
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    MessageBoxA(nullptr, "The Vantrel Database Wizard is already running.", "Vantrel Database Wizard",
                MB_ICONINFORMATION);
    return 0;
  }
  Forms_Initialize();
  Application->Initialize();
  Application->SetTitle("Vantrel Database Wizard");
  Application->CreateForm(Form1);
  Application->Run();
  Forms_Finalize();
  return 0;
}
