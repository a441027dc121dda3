// The real vantrelwiz.exe under Wine, driven with real clicks: the first
// run downloads the nine volumes of a full-size database from a local
// server (one request failing, one part arriving short), unpacks them into
// data\ beside the user's files there, finds the home location through a
// fixture echo page, writes myloc.txt on Finish and starts the main program
// (a stand-in that leaves a marker). Update mode keeps the old database when
// the download fails half way, tells when the update information cannot be
// had or is not newer, and waits while the main program holds the database
// open. Closing the window during a download ends the program at once.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "GuiTest.h"
#include "HeldInstall.h"
#include "LocationFixture.h"
#include "ProgramRunner.h"
#include "TestHttpServer.h"
#include "TestPaths.h"
#include "classlib/SysUtils.h"
#include "monitor/uLocationDatabase.h"

namespace {

const char* const Started = "vantrel-started.txt";

// Started by the wizard as the main program (a copy named vantrel.exe),
// this program leaves its command line in a marker beside itself and ends.
[[maybe_unused]] const bool MainProgram = StandIn("vantrel.exe", Started);

class ProgramTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Server.Listening());
    Dir = TempFolder("run");
    ASSERT_TRUE(PlaceBuiltProgram("vantrelwiz.exe", Dir));
    ASSERT_TRUE(PlaceBuiltProgram("unrar.dll", Dir));
    ASSERT_TRUE(PlaceStandIn(Dir, "vantrel.exe"));
    for (int i = 1; i <= 9; ++i)
      Parts[i] = ReadTextFile(Format("volumes\\feb.part%02d.rar", i));
    SetEnvironmentVariableA("VANTRELWIZ_MIRRORS", Server.Host().c_str());
    SetEnvironmentVariableA("VANTRELWIZ_UPDATE_URL", ("http://" + Server.Host() + "/dbv.txt").c_str());
    SetEnvironmentVariableA("VANTRELWIZ_ECHO_URL", ("http://" + Server.Host() + "/ip").c_str());
    SetEnvironmentVariableA("VANTRELWIZ_LOCAL_ADDRESSES", "-");
    Server.SetFile("/ip", std::string("<html><body>Your IP Address: ") + HomeAddress + "</body></html>");
  }

  void Start(const std::string& Args, const std::string& Title = "Vantrel Database Wizard") {
    Process = std::make_unique<TProcess>(Dir + "\\vantrelwiz.exe", Dir, Args);
    ASSERT_TRUE(Process->Started);
    Window = WaitForText(Pid(), Title);
    ASSERT_NE(Window, nullptr) << "the wizard's window did not appear";
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == Window; })) << "the wizard is not active";
  }
  DWORD Pid() const { return Process->Id(); }
  bool Ended(DWORD Ms = StepTimeoutMs) { return Process->Ended(Ms); }
  void Click(const std::string& Text) {
    HWND b = WaitForText(Pid(), Text);
    ASSERT_NE(b, nullptr) << Text;
    ClickWindow(b);
  }
  bool MainProgramStarted() const { return FileExists(Dir + "\\" + Started); }
  void Screenshot(const std::string& Name) { SaveBmp(CaptureClient(Window), Name); }
  // Waits for a message box with this text and clicks its button Button.
  void Answer(const std::string& Text, const std::string& Button, DWORD Ms) {
    HWND text = WaitForText(Pid(), Text, Ms);
    ASSERT_NE(text, nullptr) << Text;
    HWND box = GetAncestor(text, GA_ROOT);
    HWND b = Descendant(box, nullptr, Button);
    ASSERT_NE(b, nullptr) << Button;
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == box; })) << "the box is not active";
    ClickWindow(b);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(b); })) << "the box stayed";
  }
  static std::string SmallPart(int I) { return ReadTextFile(Format("small\\small.part%02d.rar", I)); }
  void InstallOld(const std::string& Version) {
    CreateDirectoryA((Dir + "\\data").c_str(), nullptr);
    WriteTextFile(Dir + "\\data\\r.dat", Version + "\r\n");
    WriteTextFile(Dir + "\\data\\geoip.dat", std::string(1200, 'g'));
    WriteTextFile(Dir + "\\data\\cities.dat", "GBLondon;5151;-13\r\n");
    WriteTextFile(Dir + "\\myloc.txt", InstalledHome);
  }
  // The earth texture and a folder of the user's own in data\, and folders
  // of the user's named as an installation might name its own: no install
  // touches them.
  void KeepMine() {
    for (const auto& [name, bytes] : Mine) {
      for (size_t at = name.find('\\'); at != std::string::npos; at = name.find('\\', at + 1))
        CreateDirectoryA((Dir + "\\" + name.substr(0, at)).c_str(), nullptr);
      WriteTextFile(Dir + "\\" + name, bytes);
    }
  }
  void ExpectMineKept() {
    for (const auto& [name, bytes] : Mine) EXPECT_EQ(ReadTextFile(Dir + "\\" + name), bytes) << name;
    for (const char* f : {"data.journal", "data.new2", "data.old2"})
      EXPECT_FALSE(FileExists(Dir + "\\" + f) || DirectoryExists(Dir + "\\" + f)) << f;
  }
  const std::map<std::string, std::string> Mine{
      {"data\\texture.jpg", "the earth"}, {"data\\mine\\notes.txt", "notes"}, {"data.new\\notes.txt", "my notes"},
      {"data.old\\geoip.dat", "older"},   {"data.old\\readme.txt", "readme"},  {"data.ready\\geoip.dat", "g"},
      {"data.ready\\cities.dat", "c"},     {"data.ready\\r.dat", "r"},         {"data.del\\keep.txt", "keep"}};

  // The home file the wizard writes for the fixture's London: its place
  // and the sun's in degrees and minutes.
  static constexpr const char* InstalledHome = "81.2.69.160\r\nGB, London\r\n-011\r\n5149\r\n6661\r\n9980\r\n";

  TTestHttpServer Server;
  std::string Dir;
  std::string Parts[10];
  std::unique_ptr<TProcess> Process;
  HWND Window = nullptr;
};

TEST_F(ProgramTest, FirstRunInstallsTheDatabaseAndHome) {
  for (int i = 1; i <= 9; ++i) Server.SetFile(Format("/feb10.part%02d.zip", i), Parts[i]);
  // The first request for part 1 fails; the first part 3 arrives too short.
  TTestHttpAnswer fail{503, "busy"};
  TTestHttpAnswer shortPart{200, Parts[3].substr(0, 1000000)};
  Server.SetSequence("/feb10.part01.zip", {fail});
  Server.SetSequence("/feb10.part03.zip", {shortPart});
  KeepMine();

  Start("");
  Screenshot("page0-welcome.bmp");
  Click("&Next >");
  Screenshot("page1-download.bmp");
  Click("Start ");
  const bool unpacked = WaitForText(Pid(), "Decompressing...Done. Hit the 'Next' buton.", 240000) != nullptr;
  if (!unpacked) Screenshot("page1-not-done.bmp");   // where it stands
  ASSERT_TRUE(unpacked) << "the download and unpacking did not end; requests: " << Server.Requests().size();
  Screenshot("page1-done.bmp");
  EXPECT_EQ(Server.Count("/feb10.part01.zip"), 2);   // again after the failure
  EXPECT_EQ(Server.Count("/feb10.part03.zip"), 2);   // again after the short one
  for (int i : {2, 4, 5, 6, 7, 8, 9}) EXPECT_EQ(Server.Count(Format("/feb10.part%02d.zip", i)), 1);
  // The whole database in data\, the volumes gone.
  for (const char* f : {"geoip.dat", "cities.dat", "r.dat"})
    EXPECT_TRUE(ReadTextFile(Dir + "\\data\\" + f) == ReadTextFile(std::string("data-src\\") + f)) << f;
  for (int i = 1; i <= 9; ++i) EXPECT_FALSE(FileExists(Dir + Format("\\geoip.part%02d.rar", i)));
  ExpectMineKept();

  Click("&Next >");
  // The home page: the echo page's address, located in the new database.
  EXPECT_NE(WaitForText(Pid(), HomeAddress), nullptr);
  EXPECT_NE(WindowWithText(Pid(), "London"), nullptr);
  EXPECT_NE(WindowWithText(Pid(), "GB"), nullptr);
  Screenshot("page2-home.bmp");
  Click("&Next >");
  EXPECT_NE(WaitForText(Pid(), "City: London, GB"), nullptr);
  Screenshot("page3-summary.bmp");
  Click("&Finish");
  ASSERT_TRUE(Ended());
  EXPECT_EQ(ReadTextFile(Dir + "\\myloc.txt"), InstalledHome);
  EXPECT_FALSE(FileExists(Dir + "\\myloc.txt.new"));
  ASSERT_TRUE(WaitFor([&] { return StandInRecord(Dir, Started).find("vantrel.exe") != std::string::npos; }))
      << "the main program was not started";
}

TEST_F(ProgramTest, UpdateKeepsTheOldDatabaseWhenTheDownloadFailsHalfWay) {
  InstallOld("100");   // an installed database and home
  KeepMine();
  // A small database: the update information sets its minimum part size.
  const std::string info = "Vantrel database\r\n\r\n\r\n3486712\r\n/mar10.part\r\n1000\r\n";
  Server.SetFile("/dbv.txt", info);
  for (int i = 1; i <= 4; ++i) Server.SetFile(Format("/mar10.part%02d.zip", i), SmallPart(i));
  // part 5 and later: 404 on every mirror

  Start("-u", " Vantrel database updater");
  EXPECT_NE(WaitForText(Pid(), "New version available!"), nullptr);
  EXPECT_EQ(ReadTextFile(Dir + "\\dbv.txt"), info);
  Screenshot("update-page0.bmp");
  Click("&Next >");
  Click("Start ");
  HWND box = WaitForText(Pid(), "All servers are currently busy. Try again later.", 120000);
  ASSERT_NE(box, nullptr);
  box = GetAncestor(box, GA_ROOT);
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == box; })) << "the box is not active";
  RECT boxRect;
  GetWindowRect(box, &boxRect);
  SaveBmp(CaptureScreen(boxRect), "update-failed-message.bmp");
  PressKey(VK_RETURN);
  ASSERT_TRUE(Hidden(box));
  EXPECT_NE(WaitForText(Pid(), "Resume"), nullptr);
  Screenshot("update-failed.bmp");
  EXPECT_GE(Server.Count("/mar10.part05.zip"), 17);   // every mirror was tried
  EXPECT_EQ(ReadTextFile(Dir + "\\data\\r.dat"), "100\r\n");
  EXPECT_EQ(ReadTextFile(Dir + "\\data\\geoip.dat"), std::string(1200, 'g'));
  ExpectMineKept();
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(FileExists(Dir + Format("\\geoip.part%02d.rar", i)));
  EXPECT_FALSE(FileExists(Dir + "\\geoip.part05.rar"));
  EXPECT_FALSE(FileExists(Dir + "\\geoip.part05.rar.part"));
  Click("Cancel");
  ASSERT_TRUE(Ended());
}

// No update information, too little of it, a page in its place (served as
// 200), or a version the user has already: only Finish, which installs nothing.
TEST_F(ProgramTest, UpdateInformationNotToBeUsedOrNotNewerOffersOnlyFinish) {
  InstallOld("3486712");
  const std::string newer = "\r\n\r\n\r\n3486713\r\n/mar10.part\r\n1456459\r\n";
  struct TCase {
    const char* Name;
    const char* Param;
    std::string Info;   // empty: none (404)
    const char* Says;
  };
  const TCase cases[] = {
      {"404", "-H", "", "Can not connect to update server."},   // "-H" is no "-h": any other parameter updates
      {"short", "-u", "Vantrel database\r\n\r\n", "Can not connect to update server."},
      {"page", "-u", "<html><body>Please wait" + newer + "</body></html>\r\n", "Can not connect to update server."},
      {"latest", "-u", "Vantrel database\r\n\r\n\r\n3486712\r\n/mar10.part\r\n1456459\r\n",
       "You already have the latest version installed."}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    if (!c.Info.empty()) Server.SetFile("/dbv.txt", c.Info);
    Start(c.Param, " Vantrel database updater");
    EXPECT_NE(WaitForText(Pid(), c.Says), nullptr);
    EXPECT_EQ(WindowWithText(Pid(), "&Next >"), nullptr);
    if (std::string(c.Name) == "latest") {
      EXPECT_NE(WindowWithText(Pid(), "Terminate database updater."), nullptr);
      Screenshot("update-latest.bmp");
    }
    Click("&Finish");
    ASSERT_TRUE(Ended());
    EXPECT_EQ(ReadTextFile(Dir + "\\data\\r.dat"), "3486712\r\n");
    EXPECT_FALSE(MainProgramStarted());
  }
}

// The main program keeps data\geoip.dat open while it runs (here its own
// loader, in this process): the update says so and offers to retry, keeps
// the old database and the volumes, and installs them, without downloading
// again, once the main program has ended.
TEST_F(ProgramTest, UpdateWaitsWhileTheMainProgramHoldsTheDatabase) {
  InstallOld("100");
  KeepMine();
  Server.SetFile("/dbv.txt", "Vantrel database\r\n\r\n\r\n3486712\r\n/mar10.part\r\n1000\r\n");
  for (int i = 1; i <= 9; ++i)
    Server.SetFile(Format("/mar10.part%02d.zip", i), SmallPart(i));
  TLocationDatabase running;
  running.Load(Dir + "\\data");
  ASSERT_EQ(running.RecordCount(), 100);

  Start("-u", " Vantrel database updater");
  Click("&Next >");
  Click("Start ");
  const std::string inUse =
      "Vantrel is running and keeps the database open, so it cannot be replaced now. Exit Vantrel, then hit 'Retry'.";
  Answer(inUse, "&Retry", 60000);   // still running: asked again
  Answer(inUse, "Cancel", 10000);
  ASSERT_NE(WaitForText(Pid(), "Vantrel is running: the database was not changed. Exit Vantrel, then hit 'Resume' to "
                               "install the downloaded one."),
            nullptr);
  Screenshot("update-in-use.bmp");
  EXPECT_EQ(ReadTextFile(Dir + "\\data\\geoip.dat"), std::string(1200, 'g'));
  EXPECT_EQ(ReadTextFile(Dir + "\\data\\r.dat"), "100\r\n");
  for (int i = 1; i <= 9; ++i) EXPECT_TRUE(FileExists(Dir + Format("\\geoip.part%02d.rar", i))) << i;

  running.Close();   // Vantrel ends
  const size_t requests = Server.Requests().size();
  Click("Resume");
  ASSERT_NE(WaitForText(Pid(), "Database succesfully updated. Hit 'Finish' buton.", 60000), nullptr);
  EXPECT_EQ(Server.Requests().size(), requests);
  for (const char* f : {"geoip.dat", "cities.dat", "r.dat"})
    EXPECT_TRUE(ReadTextFile(Dir + "\\data\\" + f) == ReadTextFile(std::string("small-src\\") + f)) << f;
  ExpectMineKept();
  for (int i = 1; i <= 9; ++i) EXPECT_FALSE(FileExists(Dir + Format("\\geoip.part%02d.rar", i))) << i;
  // As the archive made them, and written to disk before they replaced the old ones.
  for (const char* f : {"geoip.dat", "cities.dat", "r.dat"})
    EXPECT_TRUE(GetFileAttributesA((Dir + "\\data\\" + f).c_str()) & FILE_ATTRIBUTE_READONLY) << f;
  // The main program's next start has the new database.
  running.Load(Dir + "\\data");
  EXPECT_EQ(running.RecordCount(), StrToInt(Trim(ReadTextFile("small-src\\r.dat"))));
  running.Close();
  Click("&Finish");
  ASSERT_TRUE(Ended());
  EXPECT_FALSE(MainProgramStarted());
}

// Closing the window while a mirror has stalled in the middle of a part:
// the program ends at once, asking no other mirror and showing nothing.
TEST_F(ProgramTest, ClosingTheWindowDuringADownloadEndsAtOnce) {
  TTestHttpAnswer stalled{200, Parts[1]};
  stalled.DelayMs = 120000;   // after the first 4 KB
  Server.Set("/feb10.part01.zip", stalled);
  Start("");
  Click("&Next >");
  Click("Start ");
  ASSERT_TRUE(WaitFor([&] { return Server.Count("/feb10.part01.zip") == 1; }));
  PostMessageA(Window, WM_SYSCOMMAND, SC_CLOSE, 0);   // the close box
  EXPECT_TRUE(Ended(10000)) << "the program did not end";
  EXPECT_EQ(Server.Requests().size(), 1u);
}

// A wizard that died while the new files moved in: its next start, for
// whatever page, ends the installation before anything else. A second
// wizard started meanwhile is told that one runs and ends.
TEST_F(ProgramTest, AStartFinishesAnInstallationACrashCutShortAndOneWizardRunsAtATime) {
  KeepMine();
  WriteTextFile(Dir + "\\myloc.txt", InstalledHome);
  InstallOld("100");
  // The update of a wizard in this process, cut short before the second
  // new file moved in.
  TStopAtMove cut;
  cut.At = "data\\cities.dat";
  cut.OnStop = [] { throw 0; };
  TInstallResult result = TInstallResult::irFailed;
  std::string error;
  ASSERT_EQ(InstallThrough(Dir, "data-src", cut, result, error), "data.new2") << error;
  ASSERT_EQ(error, "cut short");
  ASSERT_FALSE(WholeDatabase(Dir + "\\data"));

  Start("-h", " Edit Your Home Location ");
  for (const char* f : {"geoip.dat", "cities.dat", "r.dat"})
    EXPECT_EQ(ReadTextFile(Dir + "\\data\\" + f), ReadTextFile(std::string("data-src\\") + f)) << f;
  ExpectMineKept();

  TProcess second(Dir + "\\vantrelwiz.exe", Dir, "-u");
  HWND box = WindowOf(second.Id(), "#32770");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(TextOfChild(box, "Static"), "The Vantrel Database Wizard is already running.");
  SaveBmp(CaptureClient(box), "second-wizard.bmp");
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(second.Ended());
  EXPECT_FALSE(FileExists(Dir + "\\dbv.txt"));   // it asked for no update
  EXPECT_TRUE(IsWindow(Window));
  PostMessageA(Window, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(Ended());
}

TEST_F(ProgramTest, HomeEditingRewritesHomeWithoutStartingTheMainProgram) {
  CreateDirectoryA((Dir + "\\data").c_str(), nullptr);
  for (const char* f : {"geoip.dat", "cities.dat", "r.dat"})
    ASSERT_TRUE(CopyFileA((std::string("data-src\\") + f).c_str(), (Dir + "\\data\\" + f).c_str(), FALSE));
  // Without a home file any parameter gives the first-run wizard.
  Start("-h", " Vantrel database wizard");
  EXPECT_NE(WindowWithText(Pid(), "Welcome to Vantrel"), nullptr);
  Click("Cancel");
  ASSERT_TRUE(Ended());

  WriteTextFile(Dir + "\\myloc.txt", "old\r\n");
  SetEnvironmentVariableA("VANTRELWIZ_LOCAL_ADDRESSES", "10.0.0.1,203.0.113.9,192.168.1.1");
  Start("-h", " Edit Your Home Location ");
  EXPECT_NE(WaitForText(Pid(), "203.0.113.9"), nullptr);
  EXPECT_NE(WindowWithText(Pid(), "Sydney"), nullptr);
  Screenshot("home-edit.bmp");
  Click("&Next >");
  Click("&Finish");
  ASSERT_TRUE(Ended());
  // Sydney, 33.87 S 151.21 E: degrees and whole minutes of the database's place.
  EXPECT_EQ(ReadTextFile(Dir + "\\myloc.txt").substr(0, 25), "203.0.113.9\r\nAU, Sydney\r\n");
  EXPECT_FALSE(MainProgramStarted());
}

}  // namespace
