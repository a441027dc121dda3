// A started, shown main window in a folder with a fixture database and
// myloc.txt, for tests that drive it with real input.
#pragma once
#include <winsock.h>

#include "../mainform/MainFormFixture.h"
#include "GuiTest.h"

inline DWORD NetAddress(const std::string& Dotted) { return htonl(DottedToHost(Dotted)); }

class ShownMainForm : public MainFormTest {
protected:
  TRecordingForm* Form = nullptr;
  void Start() {
    CreateDirectoryA((Dir + "\\data").c_str(), nullptr);
    WriteLocationFixture(Dir + "\\data", "1.0.0.0,1.255.255.255,AU,Sydney,-33.87,151.21\n"
                                         "11.0.0.0,11.255.255.255,US,Denver,39.74,-104.99\n");
    WriteTextFile("myloc.txt", HomeFileText);
    Application->CreateForm(Form);
    Form->SetBounds(40, 40, 640, 480);
    Form->Show();
    PumpFor(200);
    Form->Timer->SetEnabled(false);
    Form->Timer1->SetEnabled(false);   // the sun of noon in London, whatever the hour
    Form->SunPosition(46000.5);
  }
  void TearDown() override {
    delete Form;
    MainFormTest::TearDown();
  }
};
