// The home-location file's coordinate codes, the city folding, the mirror
// table and the public-address discovery of the wizard's window unit; the
// database folders as a crash leaves them and what the next start makes of
// them.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "TestPaths.h"
#include "classlib/SysUtils.h"
#include "monitor/DatabaseInstall.h"
#include "wizard/Unit1.h"

namespace {

// Every degree, minute and second on both sides reads back, by the rule
// both programs read the file with, as the value the code was made from:
// D + x/100 with x the hundredths the file's constants give.
TEST(CoordinateCodes, EveryValueRoundTripsOnBothSides) {
  double worstPart = 0, worstTrue = 0;
  for (int d = 0; d <= 180; ++d)
    for (int m = 0; m < 60; ++m)
      for (int s = 0; s < 60; ++s) {
        const float x = static_cast<float>((static_cast<long double>(s) * 0.016666L + m) * 1.6666L);
        for (bool negative : {false, true}) {
          const TCoordinateCode c = CoordinateCode(d, m, s, negative);
          const double sign = negative ? -1 : 1;
          const double read = CoordinateValue(c.Code, c.Digits);
          worstPart = std::max(worstPart, std::fabs(read - sign * (d + static_cast<double>(x) / 100)));
          worstTrue = std::max(worstTrue, std::fabs(read - sign * (d + m / 60.0 + s / 3600.0)));
          if (negative) {
            ASSERT_EQ(c.Code[0], '-');
          }
          ASSERT_TRUE(c.Digits.empty() || c.Digits.size() == 4) << d << " " << m << " " << s;
        }
      }
  EXPECT_LT(worstPart, 1e-5);
  EXPECT_LT(worstTrue, 5e-4);   // the file's constants are not quite 1/60 and 5/3
}

TEST(CoordinateCodes, TheFilesKnownLines) {
  TCoordinateCode c = CoordinateCode(12, 30, 0, false);
  EXPECT_EQ(c.Code, "1249");
  EXPECT_EQ(c.Digits, "9980");
  c = CoordinateCode(12, 30, 0, true);
  EXPECT_EQ(c.Code, "-1249");
  EXPECT_EQ(c.Digits, "9980");
  EXPECT_NEAR(CoordinateValue(c.Code, c.Digits), -12.49998, 1e-6);   // not -12.48
  c = CoordinateCode(0, 0, 0, false);
  EXPECT_EQ(c.Code, "000");
  EXPECT_EQ(c.Digits, "");
  c = CoordinateCode(0, 7, 0, true);
  EXPECT_EQ(c.Code, "-011");
  EXPECT_NEAR(CoordinateValue(c.Code, c.Digits), -0.116662, 2e-6);
  // A fraction whose general form is short or an exponent: four decimals.
  c = CoordinateCode(5, 0, 30, false);   // x = 0.8332999...
  EXPECT_EQ(c.Digits.size(), 4u);
}

TEST(CityFolding, WindowsCodePageLettersBecomeAscii) {
  EXPECT_EQ(FoldCity("Z\xFCrich", "CH"), "Zurich");
  EXPECT_EQ(FoldCity("M\xFCnchen Stra\xDF" "e", "DE"), "Munchen Strasse");
  EXPECT_EQ(FoldCity("\xA3\xF3" "d\x9F", "PL"), "Lodz");
  EXPECT_EQ(FoldCity("\xE6", "PL"), "c");   // Polish c with acute
  EXPECT_EQ(FoldCity("\xE6", "FR"), "e");
  EXPECT_EQ(FoldCity("\xC6", "PL"), "C");
  EXPECT_EQ(FoldCity("\xC6", "DK"), "E");
  // The two-byte sequences go before their single first bytes.
  EXPECT_EQ(FoldCity("K\xC4\xB1r", "TR"), "Kir");
  EXPECT_EQ(FoldCity("A\xCC\xA7" "B\xCC", "TR"), "ABE");
  EXPECT_EQ(FoldCity("S\xE3o Paulo", "BR"), "Sao Paulo");
}

TEST(MirrorTable, StoredHostsUnscrambleAndStandInsRepeat) {
  EXPECT_EQ(UnscrambleHost("elpmaxe.lertnav.sr$rrim.10bd"), "db01.mirrors.vantrel.example");
  EXPECT_EQ(UnscrambleHost(StoredMirror(1)), "db01.mirrors.vantrel.example");
  EXPECT_EQ(StoredMirror(18), StoredMirror(1));
  EXPECT_EQ(StoredMirror(34), StoredMirror(17));
  EXPECT_NE(StoredMirror(2), StoredMirror(1));
  EXPECT_EQ(UpdateInfoURL(), "http://update.vantrel.example/dbv.txt");
  SetEnvironmentVariableA("VANTRELWIZ_MIRRORS", "127.0.0.1:5001;127.0.0.1:5002");
  EXPECT_EQ(UnscrambleHost(StoredMirror(1)), "127.0.0.1:5001");
  EXPECT_EQ(UnscrambleHost(StoredMirror(2)), "127.0.0.1:5002");
  EXPECT_EQ(UnscrambleHost(StoredMirror(3)), "127.0.0.1:5001");
  EXPECT_EQ(UnscrambleHost(StoredMirror(20)), UnscrambleHost(StoredMirror(3)));
  SetEnvironmentVariableA("VANTRELWIZ_MIRRORS", nullptr);
}

std::string EchoPage;
HRESULT WINAPI FakeDownload(LPUNKNOWN, LPCSTR, LPCSTR File, DWORD, LPBINDSTATUSCALLBACK) {
  if (EchoPage == "<fail>") return E_FAIL;
  WriteTextFile(File, EchoPage);
  return S_OK;
}

TEST(PublicAddress, EchoPageIsReadDefensively) {
  WizardDownloadToFile = FakeDownload;
  EchoPage = "<html>Your IP Address: 81.2.69.160</html>";
  EXPECT_EQ(GetExternalIP(), "81.2.69.160");
  EXPECT_EQ(ReadTextFile("externalip.txt"), EchoPage);   // kept
  for (const char* page : {"", "x", "<html>no marker here at all, but 1.2.3.4 is in the text</html>",
                           "IP Address: ", "IP Address: 1", "IP Address: 999.1.1.1", "<fail>"}) {
    EchoPage = page;
    EXPECT_EQ(GetExternalIP(), "") << page;
  }
  WizardDownloadToFile = URLDownloadToFileA;
}

TEST(PublicAddress, LastPublicLocalAddressWins) {
  EXPECT_FALSE(IsPublicAddress("127.0.0.1"));
  EXPECT_FALSE(IsPublicAddress("10.1.2.3"));
  EXPECT_FALSE(IsPublicAddress("172.16.0.1"));
  EXPECT_FALSE(IsPublicAddress("172.31.255.255"));
  EXPECT_TRUE(IsPublicAddress("172.32.0.1"));
  EXPECT_FALSE(IsPublicAddress("169.254.9.9"));
  EXPECT_FALSE(IsPublicAddress("192.168.0.10"));
  EXPECT_TRUE(IsPublicAddress("127.0.0.2"));
  EXPECT_FALSE(IsPublicAddress("not an address"));
  SetEnvironmentVariableA("VANTRELWIZ_LOCAL_ADDRESSES", "10.0.0.1,81.2.69.160,192.168.1.1,203.0.113.5");
  EXPECT_EQ(GetLocalIPList().size(), 4u);
  SetEnvironmentVariableA("VANTRELWIZ_LOCAL_ADDRESSES", nullptr);
}

TEST(HomeFile, IsReplacedWholeOrNotAtAll) {
  const std::string dir = TempFolder("home");
  const std::string file = dir + "\\myloc.txt";
  WriteTextFile(file, "old\r\n");
  TStringList lines;
  lines.Add("81.2.69.160");
  lines.Add("GB, London");
  SaveLinesReplacing(lines, file);
  EXPECT_EQ(ReadTextFile(file), "81.2.69.160\r\nGB, London\r\n");
  EXPECT_FALSE(FileExists(file + ".new"));
  // A file that cannot be replaced (a folder of that name) keeps nothing new.
  CreateDirectoryA((dir + "\\busy").c_str(), nullptr);
  EXPECT_THROW(SaveLinesReplacing(lines, dir + "\\busy"), Exception);
  EXPECT_FALSE(FileExists(dir + "\\busy.new"));
}

using TTree = std::map<std::string, std::string>;

// Files, and folders: names ending in "\\".
void Lay(const TTree& Files) {
  for (auto& [name, bytes] : Files) {
    for (size_t at = name.find('\\'); at != std::string::npos; at = name.find('\\', at + 1))
      CreateDirectoryA(name.substr(0, at).c_str(), nullptr);
    if (name.back() != '\\') WriteTextFile(name, bytes);
  }
}

// Every state an installation passes through, cut short, ends in a whole
// database at the next start, the user's files in data\ kept: forward once
// the new database is whole (data.ready), back otherwise.
TEST(DatabaseRecovery, AnInstallationCutShortEndsWhole) {
  const TTree oldDb{{"data\\geoip.dat", "old-g"}, {"data\\cities.dat", "old-c"}, {"data\\r.dat", "old-r"}};
  const TTree newDb{{"data\\geoip.dat", "new-g"}, {"data\\cities.dat", "new-c"}, {"data\\r.dat", "new-r"}};
  const TTree mine{{"data\\texture.jpg", "texture"}, {"data\\mine\\notes.txt", "notes"}};
  auto with = [](TTree A, const TTree& B) {
    A.insert(B.begin(), B.end());
    return A;
  };
  struct TCase {
    const char* Name;
    TTree Before;
    TTree After;
  };
  const TCase cases[] = {
      {"backups begun", with(mine, {{"data.ready\\geoip.dat", "new-g"}, {"data.ready\\cities.dat", "new-c"},
                                    {"data.ready\\r.dat", "new-r"}, {"data.old\\geoip.dat", "old-g"},
                                    {"data\\cities.dat", "old-c"}, {"data\\r.dat", "old-r"}}),
       with(mine, newDb)},
      {"new files moving in", with(mine, {{"data.ready\\cities.dat", "new-c"}, {"data.ready\\r.dat", "new-r"},
                                          {"data.old\\geoip.dat", "old-g"}, {"data.old\\cities.dat", "old-c"},
                                          {"data.old\\r.dat", "old-r"}, {"data\\geoip.dat", "new-g"}}),
       with(mine, newDb)},
      {"backups being deleted", with(mine, with(newDb, {{"data.ready\\", ""}, {"data.old\\r.dat", "old-r"}})),
       with(mine, newDb)},
      {"being undone", with(mine, {{"data.new\\geoip.dat", "new-g"}, {"data.old\\cities.dat", "old-c"},
                                   {"data.old\\r.dat", "old-r"}, {"data\\geoip.dat", "old-g"},
                                   {"data\\cities.dat", "new-c"}, {"data\\r.dat", "new-r"}}),
       with(mine, oldDb)},
      // An undo cut short while the ready folder was being deleted: never
      // forward from a ready folder that is not whole.
      {"ready folder part deleted", with(with(mine, oldDb), {{"data.ready\\geoip.dat", "new-g"},
                                                             {"data.ready\\r.dat", "new-r"}}),
       with(mine, oldDb)},
      // An earlier wizard's delete of the backups cut short: never back from
      // a backup folder that is not whole.
      {"backups part deleted", with(with(mine, newDb), {{"data.old\\geoip.dat", "old-g"}, {"data.old\\r.dat", "old-r"}}),
       with(mine, newDb)},
      {"unpacking", with(with(mine, oldDb), {{"data.new\\geoip.dat", "half"}}), with(mine, oldDb)},
      // An earlier wizard moved the whole folder aside and died before the
      // new one took its place.
      {"whole folder aside", with({{"data.new\\geoip.dat", "new-g"}}, {{"data.old\\geoip.dat", "old-g"},
                                   {"data.old\\cities.dat", "old-c"}, {"data.old\\r.dat", "old-r"},
                                   {"data.old\\texture.jpg", "texture"}, {"data.old\\mine\\notes.txt", "notes"}}),
       with(mine, oldDb)},
  };
  char home[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, home);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    SetCurrentDirectoryA(TempFolder("recover").c_str());
    Lay(c.Before);
    EXPECT_TRUE(RecoverDatabase());
    EXPECT_EQ(ReadTree("."), c.After);
    for (const char* f : {"data.old", "data.new", "data.ready"}) EXPECT_FALSE(DirectoryExists(f)) << f;
    SetCurrentDirectoryA(home);
  }
}

// A link inside the backup folder is neither entered nor moved, so what it
// points to stays where it is; what else the backup folder holds goes home, beside a file of the same name
// when data\ has one.
TEST(DatabaseRecovery, TheBackupFolderGoesHomeAndALinkKeepsItsTarget) {
  char home[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, home);
  ASSERT_TRUE(FileExists("links\\data.old\\maps\\link\\keep.txt")) << "prepare makes the link";
  SetCurrentDirectoryA("links");
  Lay({{"data\\geoip.dat", "g"}, {"data\\cities.dat", "c"}, {"data\\r.dat", "r"}, {"data\\maps\\own.txt", "own"},
       {"data\\texture.jpg", "mine"}, {"data.old\\maps\\old.txt", "old"}, {"data.old\\texture.jpg", "kept"},
       {"data.old\\geoip.dat", "old-g"}});
  EXPECT_TRUE(RecoverDatabase());
  EXPECT_EQ(ReadTextFile("outside\\keep.txt"), "keep\n");
  // Gone as a journal folder, even with a link in it the system keeps.
  EXPECT_FALSE(DirectoryExists("data.old"));
  EXPECT_EQ(ReadTextFile("data\\maps\\old.txt"), "old");
  EXPECT_EQ(ReadTextFile("data\\maps\\own.txt"), "own");
  EXPECT_EQ(ReadTextFile("data\\texture.jpg"), "mine");
  EXPECT_EQ(ReadTextFile("data\\texture.jpg.old"), "kept");
  EXPECT_EQ(ReadTextFile("data\\geoip.dat"), "g");
  SetCurrentDirectoryA(home);
}

// A backup folder that is itself a link is removed as a link: its target,
// which is not ours, keeps what it holds.
TEST(DatabaseRecovery, ABackupFolderThatIsALinkKeepsItsTarget) {
  char home[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, home);
  ASSERT_TRUE(FileExists("junction\\data.old\\keep.txt")) << "prepare makes the link";
  SetCurrentDirectoryA("junction");
  Lay({{"data\\geoip.dat", "g"}, {"data\\cities.dat", "c"}, {"data\\r.dat", "r"}});
  RecoverDatabase();   // the link itself goes where the system lets it
  EXPECT_EQ(ReadTextFile("target\\keep.txt"), "keep\n");
  EXPECT_EQ(ReadTextFile("target\\geoip.dat"), "target-g\n");
  EXPECT_EQ(ReadTextFile("data\\geoip.dat"), "g");
  EXPECT_FALSE(FileExists("data\\keep.txt"));
  SetCurrentDirectoryA(home);
}

// Stands for the file system under an installation: stops it at its N-th
// file operation as a crash would, makes one move fail as a file in use
// does, and logs what was done.
struct TCrash {};
class TCrashingFiles : public TInstallFiles {
 public:
  int CrashAt = 0;   // 0: never
  int Count = 0;
  std::string FailFrom;   // a move from here fails with FailCode
  DWORD FailCode = ERROR_SHARING_VIOLATION;
  std::vector<std::string> Log;

  bool Move(const std::string& From, const std::string& To, bool Replace) override {
    Step("move " + From + " " + To);
    if (From == FailFrom) {
      SetLastError(FailCode);
      return false;
    }
    return TInstallFiles::Move(From, To, Replace);
  }
  bool Delete(const std::string& Name) override { return Step("delete " + Name), TInstallFiles::Delete(Name); }
  bool MakeFolder(const std::string& Name) override { return Step("mkdir " + Name), TInstallFiles::MakeFolder(Name); }
  bool RemoveEmptyFolder(const std::string& Name) override {
    return Step("rmdir " + Name), TInstallFiles::RemoveEmptyFolder(Name);
  }
  bool Flush(const std::string& Name) override { return Step("flush " + Name), TInstallFiles::Flush(Name); }

 private:
  void Step(const std::string& What) {
    Log.push_back(What);
    if (++Count == CrashAt) throw TCrash{};
  }
};

struct TFilesInPlace {
  explicit TFilesInPlace(TInstallFiles* F) { SetInstallFiles(F); }
  ~TFilesInPlace() { SetInstallFiles(nullptr); }
};

void Writable(const std::string& Dir) {
  for (const auto& [name, bytes] : ReadTree(Dir)) SetFileAttributesA((Dir + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// An installation stopped at every one of its file operations in turn, and
// the recovery that follows stopped at every one of its own, ends at the
// next start with the whole old or the whole new database, every file of
// the user's in data\ kept and no journal folder left: for a first
// installation, an update, and an update undone because the main program
// opened a file while it ran. The new files are read-only, as an archive
// can make them.
TEST(DatabaseRecovery, EveryCrashPointEndsWithAWholeDatabase) {
  const TTree oldDb{{"data\\geoip.dat", "old-g"}, {"data\\cities.dat", "old-c"}, {"data\\r.dat", "old-r"}};
  const TTree newDb{{"data\\geoip.dat", "new-g"}, {"data\\cities.dat", "new-c"}, {"data\\r.dat", "new-r"}};
  const TTree staged{{"data.new\\geoip.dat", "new-g"}, {"data.new\\cities.dat", "new-c"},
                     {"data.new\\r.dat", "new-r"}, {"data.new\\readme.txt", "archive's own"}};
  const TTree mine{{"data\\texture.jpg", "texture"}, {"data\\mine\\notes.txt", "notes"}};
  auto with = [](TTree A, const TTree& B) {
    A.insert(B.begin(), B.end());
    return A;
  };
  struct TCase {
    const char* Name;
    TTree Before;
    std::string FailFrom;   // the move the main program blocks
    TInstallResult Result;
    TTree After;            // without a crash
  };
  const TCase cases[] = {
      {"first installation", with(mine, staged), "", TInstallResult::irInstalled, with(mine, newDb)},
      {"update", with(with(mine, oldDb), staged), "", TInstallResult::irInstalled, with(mine, newDb)},
      {"update undone", with(with(mine, oldDb), staged), "data.ready\\r.dat", TInstallResult::irInUse,
       with(with(mine, oldDb), {{"data.new\\geoip.dat", "new-g"}, {"data.new\\cities.dat", "new-c"},
                                {"data.new\\r.dat", "new-r"}, {"data.new\\readme.txt", "archive's own"}})},
  };
  const TTree none = mine;
  char home[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, home);
  const std::string work = TempFolder("crash");
  auto layOut = [&](const TCase& c) {
    SetCurrentDirectoryA(home);
    SetCurrentDirectoryA(TempFolder("crash").c_str());
    Lay(c.Before);
    for (const char* f : DatabaseFiles)
      SetFileAttributesA((std::string("data.new\\") + f).c_str(), FILE_ATTRIBUTE_READONLY);
  };
  auto install = [&](const TCase& c, int CrashAt, TInstallResult* Result) {
    TCrashingFiles files;
    files.CrashAt = CrashAt;
    files.FailFrom = c.FailFrom;
    TFilesInPlace inPlace(&files);
    std::string error;
    try {
      *Result = InstallDatabase(error);
      return false;
    } catch (const TCrash&) {
      return true;
    }
  };
  int points = 0, whole = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    // Without a crash, and the order of its steps.
    layOut(c);
    TCrashingFiles files;
    files.FailFrom = c.FailFrom;
    TInstallResult r;
    {
      TFilesInPlace inPlace(&files);
      std::string error;
      r = InstallDatabase(error);
      EXPECT_EQ(r, c.Result) << error;
    }
    Writable(".");
    EXPECT_EQ(ReadTree("."), c.After);
    // Each new file is on disk before the new database is taken as whole.
    const auto at = [&](const std::string& Op) {
      return std::find(files.Log.begin(), files.Log.end(), Op) - files.Log.begin();
    };
    for (const char* f : DatabaseFiles)
      EXPECT_LT(at(std::string("flush data.new\\") + f), at("move data.new data.ready")) << f;
    const int steps = files.Count;
    ASSERT_GT(steps, 10);
    for (int n = 1; n <= steps; ++n) {
      // Then the recovery itself stopped at each of its steps, and one more
      // start that runs to its end.
      for (int m = 1;; ++m) {
        SCOPED_TRACE("install stopped at " + std::to_string(n) + ", recovery at " + std::to_string(m));
        layOut(c);
        ASSERT_TRUE(install(c, n, &r));
        bool recoveryStopped = false;
        {
          TCrashingFiles again;
          again.CrashAt = m;
          TFilesInPlace inPlace(&again);
          try {
            RecoverDatabase();
          } catch (const TCrash&) {
            recoveryStopped = true;
          }
        }
        EXPECT_TRUE(RecoverDatabase());
        Writable(".");
        const TTree after = ReadTree(".");
        ++points;
        const bool ok = after == with(mine, oldDb) || after == with(mine, newDb) ||
                        (c.Before.count("data\\geoip.dat") == 0 && after == none);
        if (ok) ++whole;
        EXPECT_TRUE(ok) << files.Log[n - 1];
        for (const char* f : {"data.old", "data.new", "data.ready", "data.del"}) EXPECT_FALSE(FileExists(f)) << f;
        if (!recoveryStopped) break;
      }
    }
  }
  SetCurrentDirectoryA(home);
  std::printf("crash points: %d, ending whole with every file kept: %d\n", points, whole);
  EXPECT_EQ(whole, points);
}

// A database file held open stops an installation before any file is
// touched.
TEST(DatabaseInstall, ADatabaseInUseChangesNothing) {
  char home[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, home);
  SetCurrentDirectoryA(TempFolder("inuse").c_str());
  Lay({{"data\\geoip.dat", "old-g"}, {"data\\cities.dat", "old-c"}, {"data\\r.dat", "old-r"},
       {"data.new\\geoip.dat", "new-g"}, {"data.new\\cities.dat", "new-c"}, {"data.new\\r.dat", "new-r"}});
  HANDLE held = CreateFileA("data\\geoip.dat", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  TCrashingFiles files;
  {
    TFilesInPlace inPlace(&files);
    std::string error;
    EXPECT_EQ(InstallDatabase(error), TInstallResult::irInUse);
  }
  CloseHandle(held);
  EXPECT_TRUE(files.Log.empty()) << files.Log.front();
  EXPECT_EQ(ReadTextFile("data\\geoip.dat"), "old-g");
  EXPECT_EQ(ReadTextFile("data.new\\geoip.dat"), "new-g");
  SetCurrentDirectoryA(home);
}

// An earlier installation that cannot be finished is reported with its own
// cause, not as a database in use.
TEST(DatabaseInstall, APendingInstallationThatCannotGoOnTellsWhy) {
  char home[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, home);
  SetCurrentDirectoryA(TempFolder("cause").c_str());
  Lay({{"data\\geoip.dat", "old-g"}, {"data\\cities.dat", "old-c"}, {"data\\r.dat", "old-r"},
       {"data.ready\\geoip.dat", "new-g"}, {"data.ready\\cities.dat", "new-c"}, {"data.ready\\r.dat", "new-r"},
       {"data.new\\geoip.dat", "newer-g"}, {"data.new\\cities.dat", "newer-c"}, {"data.new\\r.dat", "newer-r"}});
  TCrashingFiles files;
  files.FailFrom = "data\\geoip.dat";
  files.FailCode = ERROR_ACCESS_DENIED;
  std::string error;
  {
    TFilesInPlace inPlace(&files);
    EXPECT_EQ(InstallDatabase(error), TInstallResult::irFailed);
  }
  EXPECT_NE(error.find(SysErrorMessage(ERROR_ACCESS_DENIED)), std::string::npos) << error;
  EXPECT_NE(error.find("data\\geoip.dat"), std::string::npos) << error;
  EXPECT_EQ(ReadTextFile("data\\geoip.dat"), "old-g");
  SetCurrentDirectoryA(home);
}

}  // namespace
