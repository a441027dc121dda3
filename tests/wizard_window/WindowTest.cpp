// The wizard's window in this process, on a small database's volumes (a set
// whose ninth volume is shorter than the others): nothing re-enters the
// download loop while it retries; Break stops at the part being fetched, and
// so does closing the window; a part no mirror has, the ninth too, leaves
// "Resume", which fetches it again; a failed unpacking is reported, keeps the
// installed database and the rest of data\, and can be retried; the home
// page's coordinate limits.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <functional>
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
  bool AskRetry(const std::string& Text) override {
    Messages.push_back(Text);
    return OnAskRetry ? OnAskRetry() : false;
  }
  std::vector<std::string> Messages;
  std::function<bool()> OnAskRetry;
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
    // The full volumes' size; the ninth is shorter.
    Form->MinimumPartSize = INT_MAX;
    for (int i = 1; i <= 8; ++i) Form->MinimumPartSize = std::min<int>(Form->MinimumPartSize, int(Parts[i].size()));
    ASSERT_LT(int(Parts[9].size()), Form->MinimumPartSize);
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
  // Refused twice, then too short: fetched from the next mirror each time.
  Server.SetSequence("/feb10.part04.zip", {TTestHttpAnswer{503, "busy"}, TTestHttpAnswer{404, "gone"},
                                           TTestHttpAnswer{200, Parts[4].substr(0, 500)}});
  std::vector<std::string> captions;
  bool backEnabled = false, reentered = false;
  TNotifyEvent handler = Form->HTTPGet1->OnError;
  Form->HTTPGet1->OnError = [&](TObject* S) {
    handler(S);
    captions.push_back(Form->Button3->Caption());
    backEnabled = backEnabled || Form->Wizard1->ButtonControl(TWizardButtonKind::bkBack)->Enabled();
  };
  // A click that arrives while the volumes are being unpacked (the window
  // serves its messages then): it must not start another download.
  Form->RarExtractor1->OnFileProcessing = [&](TObject*, const TRarHeaderData&, int) {
    const size_t before = Server.Requests().size();
    Form->Button3Click(Form->Button3);
    reentered = reentered || Server.Requests().size() != before ||
                Form->DownloadState() != TDownloadState::dsUnpacking;
  };
  Form->Button3Click(Form->Button3);
  EXPECT_EQ(captions, (std::vector<std::string>{"Break", "Break"}));
  EXPECT_FALSE(backEnabled);
  EXPECT_FALSE(reentered);
  EXPECT_EQ(Server.Count("/feb10.part04.zip"), 4);
  EXPECT_EQ(Server.Count("/feb10.part09.zip"), 1);   // the short last volume is no failure
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
  EXPECT_EQ(Form->DownloadState(), TDownloadState::dsAborting);
  EXPECT_FALSE(Form->Button3->Enabled());
  EXPECT_FALSE(Form->Wizard1->ButtonControl(TWizardButtonKind::bkBack)->Enabled());
  EXPECT_FALSE(Form->Wizard1->ButtonControl(TWizardButtonKind::bkNext)->Enabled());
  EXPECT_TRUE(FileExists("geoip.part02.rar"));
  EXPECT_FALSE(FileExists("geoip.part03.rar"));
  EXPECT_FALSE(FileExists("geoip.part03.rar.part"));
  EXPECT_EQ(Server.Count("/feb10.part04.zip"), 0);
  EXPECT_FALSE(DirectoryExists("data"));
}

// Closing the window ends the download loop where it is: no next part, no
// next mirror, no message.
TEST_F(WindowTest, ClosingTheWindowEndsTheDownload) {
  TOnProgressEvent progress = Form->HTTPGet1->OnProgress;
  Form->HTTPGet1->OnProgress = [&](TObject* S, int Total, int Read) {
    progress(S, Total, Read);
    if (Form->PartSuffix == "03" && Form->DownloadState() == TDownloadState::dsDownloading) Form->Close();
  };
  Form->Button3Click(Form->Button3);
  EXPECT_EQ(Form->DownloadState(), TDownloadState::dsClosing);
  EXPECT_EQ(Server.Count("/feb10.part03.zip"), 1);
  EXPECT_EQ(Server.Count("/feb10.part04.zip"), 0);
  EXPECT_TRUE(Form->Messages.empty());
  EXPECT_FALSE(FileExists("geoip.part03.rar"));
}

// A WM_QUIT that does not come through the window's close (the session
// ends) ends the loop too: no next mirror, no busy message.
TEST_F(WindowTest, AQuitDuringADownloadEndsTheLoop) {
  TOnProgressEvent progress = Form->HTTPGet1->OnProgress;
  bool posted = false;
  Form->HTTPGet1->OnProgress = [&](TObject* S, int Total, int Read) {
    progress(S, Total, Read);
    if (Form->PartSuffix == "03" && !posted) {
      posted = true;
      PostQuitMessage(0);
    }
  };
  Form->Button3Click(Form->Button3);
  MSG quit;
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));   // still the program's
  EXPECT_TRUE(posted);
  EXPECT_EQ(Form->DownloadState(), TDownloadState::dsClosing);
  EXPECT_EQ(Server.Count("/feb10.part03.zip"), 1);
  EXPECT_EQ(Server.Count("/feb10.part04.zip"), 0);
  EXPECT_TRUE(Form->Messages.empty());
}

// The window closed while the wizard asks to retry an installation that
// the main program blocks: the answer "Retry" no longer installs or asks
// again; the old database stays.
TEST_F(WindowTest, ClosingWhileAskedToRetryEndsTheInstallation) {
  CreateDirectoryA("data", nullptr);
  WriteTextFile("data\\r.dat", "100\r\n");
  WriteTextFile("data\\geoip.dat", std::string(24, 'g'));
  WriteTextFile("data\\cities.dat", "GBLondon;5151;-13\r\n");
  HANDLE held = CreateFileA("data\\geoip.dat", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  int asked = 0;
  Form->OnAskRetry = [&] {
    if (++asked == 1) Form->Close();   // the close box, while the question is up
    return asked < 3;                  // "Retry", until asked too often
  };
  Form->Button3Click(Form->Button3);
  CloseHandle(held);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(Form->DownloadState(), TDownloadState::dsClosing);
  EXPECT_EQ(ReadTextFile("data\\geoip.dat"), std::string(24, 'g'));
  EXPECT_FALSE(DirectoryExists("data.new"));
}

TEST_F(WindowTest, APartNoMirrorHasIsFetchedAgainByTheNextClick) {
  Server.Set("/feb10.part05.zip", TTestHttpAnswer{404, "gone"});
  Form->Button3Click(Form->Button3);
  EXPECT_EQ(Form->Messages, std::vector<std::string>{"All servers are currently busy. Try again later."});
  // From a random start in 1..17 every entry up to 34 was asked once.
  EXPECT_GE(Server.Count("/feb10.part05.zip"), 18);
  EXPECT_LE(Server.Count("/feb10.part05.zip"), 34);
  EXPECT_EQ(Form->Gauge2->Position(), 5);
  EXPECT_EQ(Form->Button3->Caption(), "Resume");
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

TEST_F(WindowTest, AFailedNinthPartLeavesResume) {
  Server.Set("/feb10.part09.zip", TTestHttpAnswer{404, "gone"});
  Form->Button3Click(Form->Button3);
  EXPECT_EQ(Form->Messages, std::vector<std::string>{"All servers are currently busy. Try again later."});
  EXPECT_GE(Server.Count("/feb10.part09.zip"), 18);   // on to the next mirror each time
  EXPECT_EQ(Form->Button3->Caption(), "Resume");
  EXPECT_TRUE(Form->Button3->Enabled());
  EXPECT_EQ(Form->Label1->Caption(), "Stopped at part 9 of 9");
  EXPECT_EQ(Form->DownloadState(), TDownloadState::dsIdle);
  EXPECT_TRUE(Form->Wizard1->ButtonControl(TWizardButtonKind::bkBack)->Enabled());
  EXPECT_TRUE(Form->Wizard1->ButtonControl(TWizardButtonKind::bkCancel)->Enabled());
  PumpFor(200);
  SaveBmp(CaptureClient(Form->Handle()), Home + "\\ninth-part-failed.bmp");
  for (int i = 1; i <= 8; ++i) EXPECT_TRUE(FileExists(Format("geoip.part%02d.rar", i))) << i;
  EXPECT_FALSE(DirectoryExists("data"));

  // Resume fetches the ninth part only.
  Server.SetFile("/feb10.part09.zip", Parts[9]);
  const int asked = Server.Count("/feb10.part09.zip");
  Form->Button3Click(Form->Button3);
  EXPECT_EQ(Server.Count("/feb10.part09.zip"), asked + 1);
  for (int i = 1; i <= 8; ++i) EXPECT_EQ(Server.Count(Format("/feb10.part%02d.zip", i)), 1) << i;
  EXPECT_EQ(Form->Label1->Caption(), "Decompressing...Done. Hit the 'Next' buton.");
  EXPECT_TRUE(Installed());
}

TEST_F(WindowTest, AFailedUnpackingIsReportedAndKeepsTheDataFolder) {
  CreateDirectoryA("data", nullptr);
  WriteTextFile("data\\r.dat", "100\r\n");
  WriteTextFile("data\\geoip.dat", std::string(24, 'g'));
  WriteTextFile("data\\cities.dat", "GBLondon;5151;-13\r\n");
  // What else the user keeps there: the earth texture, a file of their own.
  WriteTextFile("data\\texture.jpg", "texture");
  CreateDirectoryA("data\\mine", nullptr);
  WriteTextFile("data\\mine\\notes.txt", "notes");
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
  // The volumes are gone, as after every unpacking.
  for (int i = 1; i <= 9; ++i) EXPECT_FALSE(FileExists(Format("geoip.part%02d.rar", i))) << i;
  EXPECT_TRUE(Form->Button3->Visible());
  EXPECT_TRUE(Form->Button3->Enabled());
  EXPECT_EQ(Form->Button3->Caption(), "Resume");
  EXPECT_TRUE(Form->Wizard1->ButtonControl(TWizardButtonKind::bkBack)->Enabled());
  EXPECT_FALSE(Form->Wizard1->ButtonControl(TWizardButtonKind::bkNext)->Enabled());

  // Resume downloads again, no longer in red, and installs the whole database
  // beside the user's files.
  Server.SetFile("/feb10.part05.zip", Parts[5]);
  std::vector<TColor> colours;
  TOnProgressEvent progress = Form->HTTPGet1->OnProgress;
  Form->HTTPGet1->OnProgress = [&](TObject* S, int Total, int Read) {
    progress(S, Total, Read);
    colours.push_back(Form->Label1->Font()->Color());
  };
  Form->Button3Click(Form->Button3);
  ASSERT_FALSE(colours.empty());
  EXPECT_EQ(std::count(colours.begin(), colours.end(), clRed), 0);
  EXPECT_EQ(Server.Count("/feb10.part01.zip"), 2);
  EXPECT_EQ(Form->Label1->Caption(), "Decompressing...Done. Hit the 'Next' buton.");
  EXPECT_TRUE(Installed());
  EXPECT_EQ(ReadTextFile("data\\texture.jpg"), "texture");
  EXPECT_EQ(ReadTextFile("data\\mine\\notes.txt"), "notes");
  for (int i = 1; i <= 9; ++i) EXPECT_FALSE(FileExists(Format("geoip.part%02d.rar", i))) << i;
  for (const char* f : {"data.old", "data.new", "data.ready"}) EXPECT_FALSE(DirectoryExists(f)) << f;
}

// Longitude reaches 180 degrees and latitude 90 in the spin edits; those
// limits themselves are no valid place.
TEST_F(WindowTest, CoordinatesAtTheirLimitsAreRefused) {
  using K = TWizardButtonKind;
  struct TCase {
    int Lon, Lat;
    bool LonValid, LatValid;
  };
  for (const TCase& c : {TCase{179, 89, true, true}, TCase{180, 89, false, true}, TCase{179, 90, true, false}}) {
    SCOPED_TRACE(std::to_string(c.Lon) + " " + std::to_string(c.Lat));
    Form->SpinEdit1->SetValue(c.Lon);
    Form->SpinEdit4->SetValue(c.Lat);
    for (TSpinEdit* e : {Form->SpinEdit2, Form->SpinEdit3, Form->SpinEdit5, Form->SpinEdit6}) e->SetValue(59);
    Form->verifydata();
    EXPECT_EQ(Form->Label8->Font()->Color(), c.LonValid ? TColor(0x888888) : clRed);
    EXPECT_EQ(Form->Label9->Font()->Color(), c.LatValid ? TColor(0x888888) : clRed);
    EXPECT_EQ(Form->K4WizardInteriorPage1->EnabledButtons().Contains(K::bkFinish), c.LonValid && c.LatValid);
  }
}

}  // namespace
