// vantrel: shows where the machine's network connections lead.
#include "classlib/ComObj.h"
#include "classlib/Forms.h"
#include "monitor/Unit2.h"
#include "monitor/Unit5.h"
#include "monitor/Unit6.h"
#include "monitor/Unit7.h"
#include "monitor/uIPHelperAPI.h"
#include "netlib/NetComponent.h"
#include "scene3d/Base/PersistentClasses.h"
#include "scene3d/Base/VectorGeometry.h"
#include "scene3d/Base/VectorLists.h"
#include "scene3d/Base/XCollection.h"
#include "viewer/NsMain.h"
#include "viewer/Unit3.h"
#include "viewer/detailform.h"
#include "viewer/unit4.h"
#include "viewer/components/PopupListEx.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  uIPHelperAPI_Initialize();
  PopupListEx_Initialize();
  VectorGeometry_Initialize();
  VectorLists_Initialize();
  PersistentClasses_Initialize();
  XCollection_Initialize();

  // One instance at a time; the mutex is held until the process ends.
  THandle instance(CreateMutexA(nullptr, TRUE, "VANTREL"));
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    MessageBoxA(nullptr, "Vantrel is already running.", "Vantrel", MB_ICONINFORMATION);
    return 0;
  }

  ComObj_Initialize();   // the map window's web browser control
  Forms_Initialize();
  NsMain_Initialize();
  Application->Initialize();
  Application->SetTitle("Vantrel");
  NetComponent_Initialize();
  Application->CreateForm(MainForm);
  Application->CreateForm(Form1);
  Application->CreateForm(Form2);
  Application->CreateForm(aform);
  Application->CreateForm(frmMain);
  Application->CreateForm(Form5);
  Application->CreateForm(Form6);
  Application->CreateForm(Form7);
  Application->Run();
  Forms_Finalize();   // the main window's FormDestroy runs here
  NsMain_Finalize();
  NetComponent_Finalize();
  ComObj_Finalize();

  XCollection_Finalize();
  PersistentClasses_Finalize();
  VectorLists_Finalize();
  VectorGeometry_Finalize();
  PopupListEx_Finalize();
  uIPHelperAPI_Finalize();
  return 0;
}
