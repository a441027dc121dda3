// The wizard's window in this process, on a small database's volumes: nothing
// re-enters the download loop while it retries; Break stops at the part
// being fetched; a part no mirror has is fetched again by the next click;
// a failed unpacking is reported, keeps the installed database and the
// volumes, and can be retried.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "GuiTest.h"
#include "TestHttpServer.h"
#include "TestPaths.h"
#include "wizard/Unit1.h"

namespace {

class TTestForm1 : public TForm1 {
public:
  using TForm1::TForm1;
  void ShowMessage(const std::string& Text) override { Messages.push_back(Text); }
  std::vector<std::string> Messages;
};

class WindowTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Server.Listening());
    for (int i = 1; i <= 9; ++i) {
      Parts[i] = ReadTextFile(Format("volumes\\small.part%02d.rar", i));
      Server.SetFile(Format("/feb10.part%02d.zip", i), Parts[i]);
    }
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    Home = cwd;
    Source = Home + "\\data-small\\";
    SetCurrentDirectoryA(TempFolder("window").c_str());
    SetEnvironmentVariableA("VANTRELWIZ_MIRRORS", Server.Host().c_str());
    SetEnvironmentVariableA("VANTRELWIZ_LOCAL_ADDRESSES", "81.2.69.160");
    Forms_Initialize();
    Form = new TTestForm1(Application);
    Form->Params.clear();
    Form->AfterConstruction();
    Form->MinimumPartSize = 1000;   // the small volumes
    Form->Show();
    Form->Wizard1->SetActivePage(Form->K2WizardInteriorPage1);
  }
  void TearDown() override {
    Forms_Finalize();
    SetCurrentDirectoryA(Home.c_str());
  }
  bool Installed() {
    for (const char* f : {"geoip.dat", "cities.dat", "r.dat"})
      if (ReadTextFile(std::string("data\\") + f) != ReadTextFile(Source + f)) return false;
    return true;
  }

  TTestHttpServer Server;
  std::string Parts[10];
  std::string Home, Source;
  TTestForm1* Form = nullptr;
};

TEST_F(WindowTest, NothingReentersTheDownloadLoopWhileItRetries) {
  Server.SetSequence("/feb10.part04.zip", {TTestHttpAnswer{503, "busy"}, TTestHttpAnswer{404, "gone"}});
  // A short last part is fetched again too, before anything is unpacked.
  Server.SetSequence("/feb10.part09.zip", {TTestHttpAnswer{200, Parts[9].substr(0, 500)}});
  std::vector<std::string> captions;
  bool backEnabled = false, reentered = false;
  TNotifyEvent handler = Form->HTTPGet1->OnError;
  Form->HTTPGet1->OnError = [&](TObject* S) {
    handler(S);
    captions.push_back(Form->Button3->Caption());
    backEnabled = backEnabled || Form->Wizard1->ButtonControl(TWizardButtonKind::bkBack)->Enabled();
    // A click on the button as the loop goes on: it must not start a second loop.
    const std::string shown = Form->Button3->Caption();
    Form->Button3->SetCaption("Resume");
    const size_t before = Server.Requests().size();
    Form->Button3Click(Form->Button3);
    reentered = reentered || Server.Requests().size() != before;
    Form->Button3->SetCaption(shown);
  };
  Form->Button3Click(Form->Button3);
  EXPECT_EQ(captions, (std::vector<std::string>{"Break", "Break"}));
  EXPECT_FALSE(backEnabled);
  EXPECT_FALSE(reentered);
  EXPECT_EQ(Server.Count("/feb10.part04.zip"), 3);
  EXPECT_EQ(Server.Count("/feb10.part09.zip"), 2);
  EXPECT_EQ(Form->Label1->Caption(), "Decompressing...Done. Hit the 'Next' buton.");
  EXPECT_TRUE(Installed());
  EXPECT_EQ(Form->Edit1->Text(), "81.2.69.160");
  EXPECT_EQ(Form->Edit2->Text(), "London");
  EXPECT_TRUE(Form->Messages.empty());
}

TEST_F(WindowTest, BreakStopsAtThePartBeingFetched) {
  TOnProgressEvent progress = Form->HTTPGet1->OnProgress;
  Form->HTTPGet1->OnProgress = [&](TObject* S, int Total, int Read) {
    progress(S, Total, Read);
    // The click on "Break" as it arrives while part 3 comes in.
    if (Form->PartSuffix == "03" && Form->Button3->Caption() == "Break") Form->Button3Click(Form->Button3);
  };
  Form->Button3Click(Form->Button3);
  EXPECT_EQ(Form->Label1->Caption(), "Stopped at part 3 of 9");
  EXPECT_EQ(Form->Button3->Caption(), "Aborting...");
  EXPECT_FALSE(Form->Button3->Enabled());
  EXPECT_FALSE(Form->Wizard1->ButtonControl(TWizardButtonKind::bkBack)->Enabled());
  EXPECT_FALSE(Form->Wizard1->ButtonControl(TWizardButtonKind::bkNext)->Enabled());
  EXPECT_TRUE(FileExists("geoip.part02.rar"));
  EXPECT_FALSE(FileExists("geoip.part03.rar"));
  EXPECT_FALSE(FileExists("geoip.part03.rar.part"));
  EXPECT_EQ(Server.Count("/feb10.part04.zip"), 0);
  EXPECT_FALSE(DirectoryExists("data"));
}

TEST_F(WindowTest, APartNoMirrorHasIsFetchedAgainByTheNextClick) {
  Server.Set("/feb10.part05.zip", TTestHttpAnswer{404, "gone"});
  Form->Button3Click(Form->Button3);
  EXPECT_EQ(Form->Messages, std::vector<std::string>{"All servers are currently busy. Try again later."});
  // From a random start in 1..17 every entry up to 34 was asked once.
  EXPECT_GE(Server.Count("/feb10.part05.zip"), 18);
  EXPECT_LE(Server.Count("/feb10.part05.zip"), 34);
  EXPECT_EQ(Form->Gauge2->Position(), 5);
  EXPECT_EQ(Form->Button3->Caption(), "Start");
  EXPECT_TRUE(Form->Button3->Enabled());
  EXPECT_TRUE(Form->Wizard1->ButtonControl(TWizardButtonKind::bkBack)->Enabled());
  EXPECT_FALSE(Form->Wizard1->ButtonControl(TWizardButtonKind::bkNext)->Enabled());
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(FileExists(Format("geoip.part%02d.rar", i))) << i;
  EXPECT_FALSE(FileExists("geoip.part05.rar"));
  EXPECT_FALSE(FileExists("geoip.part05.rar.part"));
  EXPECT_FALSE(DirectoryExists("data"));

  Server.SetFile("/feb10.part05.zip", Parts[5]);
  int gaugeAtFive = 0;
  TOnDoneFileEvent done = Form->HTTPGet1->OnDoneFile;
  Form->HTTPGet1->OnDoneFile = [&](TObject* S, const std::string& F, int Size) {
    done(S, F, Size);
    if (Form->PartSuffix == "05") gaugeAtFive = Form->Gauge2->Position();
  };
  Form->Button3Click(Form->Button3);
  EXPECT_EQ(gaugeAtFive, 6);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(Server.Count(Format("/feb10.part%02d.zip", i)), 1) << i;
  EXPECT_EQ(Form->Label1->Caption(), "Decompressing...Done. Hit the 'Next' buton.");
  EXPECT_TRUE(Installed());
}

TEST_F(WindowTest, AFailedUnpackingIsReportedAndKeepsDatabaseAndVolumes) {
  CreateDirectoryA("data", nullptr);
  WriteTextFile("data\\r.dat", "100\r\n");
  WriteTextFile("data\\geoip.dat", std::string(24, 'g'));
  WriteTextFile("data\\cities.dat", "GBLondon;5151;-13\r\n");
  std::string damaged = Parts[5];
  damaged[damaged.size() / 2] ^= 0x5A;
  Server.SetFile("/feb10.part05.zip", damaged);
  Form->Button3Click(Form->Button3);
  EXPECT_EQ(Form->Label1->Caption().rfind("Decompressing failed: donn\xE9" "es corrompues (12)", 0), 0u)
      << Form->Label1->Caption();
  EXPECT_EQ(Form->Label1->Font()->Color(), clRed);
  PumpFor(200);
  SaveBmp(CaptureClient(Form->Handle()), Home + "\\unpack-failed.bmp");
  EXPECT_EQ(ReadTextFile("data\\r.dat"), "100\r\n");
  EXPECT_EQ(ReadTextFile("data\\geoip.dat"), std::string(24, 'g'));
  EXPECT_FALSE(DirectoryExists("data.new"));
  for (int i = 1; i <= 9; ++i) EXPECT_TRUE(FileExists(Format("geoip.part%02d.rar", i))) << i;
  EXPECT_TRUE(Form->Button3->Visible());
  EXPECT_TRUE(Form->Button3->Enabled());
  EXPECT_EQ(Form->Button3->Caption(), "Resume");
  EXPECT_TRUE(Form->Wizard1->ButtonControl(TWizardButtonKind::bkBack)->Enabled());
  EXPECT_FALSE(Form->Wizard1->ButtonControl(TWizardButtonKind::bkNext)->Enabled());

  // Resume downloads again and installs the whole database this time.
  Server.SetFile("/feb10.part05.zip", Parts[5]);
  Form->Button3Click(Form->Button3);
  EXPECT_EQ(Form->Label1->Caption(), "Decompressing...Done. Hit the 'Next' buton.");
  EXPECT_TRUE(Installed());
  for (int i = 1; i <= 9; ++i) EXPECT_FALSE(FileExists(Format("geoip.part%02d.rar", i))) << i;
  EXPECT_FALSE(DirectoryExists("data.old"));
}

}  // namespace
