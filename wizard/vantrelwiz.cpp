// vantrelwiz: installs or updates the geolocation database and sets the
// home location. No parameter: the first-run wizard; "-h": edit the home
// location; any other parameter: update the database.
#include "classlib/Forms.h"
#include "wizard/Unit1.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  Forms_Initialize();
  Application->Initialize();
  Application->SetTitle("Vantrel Database Wizard");
  Application->CreateForm(Form1);
  Application->Run();
  Forms_Finalize();
  return 0;
}
