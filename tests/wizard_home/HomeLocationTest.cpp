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

TTree With(TTree A, const TTree& B) {
  A.insert(B.begin(), B.end());
  return A;
}

const TTree OldDb{{"data\\geoip.dat", "old-g"}, {"data\\cities.dat", "old-c"}, {"data\\r.dat", "old-r"}};
const TTree NewDb{{"data\\geoip.dat", "new-g"}, {"data\\cities.dat", "new-c"}, {"data\\r.dat", "new-r"}};
// The user's own: the earth texture and a folder in data\, and folders
// beside it named as an installation might name its own.
const TTree Mine{{"data\\texture.jpg", "texture"},     {"data\\mine\\notes.txt", "notes"},
                 {"data.new\\notes.txt", "my notes"},  {"data.old\\geoip.dat", "older-g"},
                 {"data.old\\cities.dat", "older-c"},  {"data.old\\r.dat", "older-r"},
                 {"data.old\\readme.txt", "readme"},   {"data.ready\\geoip.dat", "ready-g"},
                 {"data.ready\\cities.dat", "ready-c"}, {"data.ready\\r.dat", "ready-r"},
                 {"data.del\\keep.txt", "keep"}};

// Runs in a fresh folder of its own, and goes back.
class TInFolder {
 public:
  explicit TInFolder(const std::string& Name) {
    GetCurrentDirectoryA(MAX_PATH, FHome);
    SetCurrentDirectoryA(TempFolder(Name).c_str());
  }
  ~TInFolder() { SetCurrentDirectoryA(FHome); }

 private:
  char FHome[MAX_PATH];
};

// An installation's record as it lies on disk.
void Record(const std::string& Phase, const std::string& Staging, const std::string& Backup,
            const std::vector<std::string>& Moves = {}) {
  std::string t = "Vantrel database installation\r\nphase=" + Phase + "\r\nstaging=" + Staging + "\r\nbackup=" + Backup + "\r\n";
  for (const std::string& m : Moves) t += "move=" + m + "\r\n";
  WriteTextFile(JournalFile, t + "end\r\n");
}

void Writable(const std::string& Dir) {
  for (const auto& [name, bytes] : ReadTree(Dir)) SetFileAttributesA((Dir + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// With no record nothing is recovered, whatever the folders beside the
// data folder hold: a whole database beside a whole one, or beside a data\ without one.
// A record is followed only as far as it names the installation's own
// folders and the database files, and an undo puts each backup in place of
// whatever is in its way.
TEST(DatabaseRecovery, OnlyWhatTheRecordNamesIsTouched) {
  for (const TTree& before : {With(Mine, OldDb), With(Mine, {{"data\\geoip.dat", "old-g"}})}) {
    TInFolder in("user");
    Lay(before);
    EXPECT_TRUE(RecoverDatabase());
    EXPECT_TRUE(DatabaseSettled());
    EXPECT_EQ(ReadTree("."), before);
  }
  for (const auto& [staging, move] : {std::pair{"..\\user", "data.new\\geoip.dat>data\\geoip.dat"},
                                      std::pair{"data.new2", "data\\texture.jpg>data.old2\\texture.jpg"},
                                      std::pair{"data.new2", "data.new2\\geoip.dat>data\\cities.dat"}}) {
    TInFolder in("hostile");
    Lay(With(Mine, OldDb));
    Record("moving", staging, "data.old2", {move});
    std::string why;
    EXPECT_FALSE(RecoverDatabase(why)) << move;
    EXPECT_NE(why.find("data.journal is not a record"), std::string::npos) << why;
    DeleteFileA(JournalFile);
    EXPECT_EQ(ReadTree("."), With(Mine, OldDb));
  }
  TInFolder in("undo");
  Lay(With(Mine, {{"data\\geoip.dat", "in the way"}, {"data\\cities.dat", "old-c"}, {"data\\r.dat", "old-r"},
                  {"data.new2\\geoip.dat", "new-g"}, {"data.old2\\geoip.dat", "old-g"}}));
  Record("undoing", "data.new2", "data.old2",
         {"data\\geoip.dat>data.old2\\geoip.dat", "data.new2\\geoip.dat>data\\geoip.dat"});
  EXPECT_FALSE(DatabaseSettled());
  EXPECT_TRUE(RecoverDatabase());
  EXPECT_EQ(ReadTree("."), With(Mine, OldDb));
  for (const char* f : {JournalFile, "data.new2", "data.old2"}) EXPECT_FALSE(FileExists(f) || DirectoryExists(f)) << f;
}

// The backup folder, or a folder inside it, that is a link the user put
// there is removed as a link, never entered: what it points to keeps what
// it holds.
TEST(DatabaseRecovery, LinksInTheInstallationsFoldersKeepTheirTargets) {
  char home[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, home);
  ASSERT_TRUE(FileExists("links\\data.old\\maps\\link\\keep.txt")) << "prepare makes the link";
  SetCurrentDirectoryA("links");
  Lay(With(NewDb, {{"data.old\\geoip.dat", "old-g"}}));
  Record("finishing", "data.new", "data.old");
  // The link itself goes where the system lets it (Wine keeps a host link
  // to a folder): then the recovery says so, and data\ is whole meanwhile.
  std::string why;
  if (!RecoverDatabase(why)) {
    EXPECT_NE(why.find("data.old\\maps\\link cannot be deleted"), std::string::npos) << why;
  }
  EXPECT_TRUE(DatabaseSettled());
  EXPECT_EQ(ReadTextFile("outside\\keep.txt"), "keep\n");
  EXPECT_EQ(ReadTree("data"), (TTree{{"geoip.dat", "new-g"}, {"cities.dat", "new-c"}, {"r.dat", "new-r"}}));

  ASSERT_TRUE(FileExists("..\\junction\\data.old\\keep.txt")) << "prepare makes the link";
  SetCurrentDirectoryA("..\\junction");
  Lay(NewDb);
  Record("finishing", "data.new", "data.old");
  RecoverDatabase();   // the link itself goes where the system lets it
  EXPECT_EQ(ReadTextFile("target\\keep.txt"), "keep\n");
  EXPECT_EQ(ReadTextFile("target\\geoip.dat"), "target-g\n");
  EXPECT_EQ(ReadTextFile("data\\geoip.dat"), "new-g");
  SetCurrentDirectoryA(home);
}

// Stands for the file system under an installation: stops it at its N-th
// file operation as a crash would, fails one as a file held by another
// program does (a virus scanner, the main program), and logs what was done.
struct TCrash {};
class TCrashingFiles : public TInstallFiles {
 public:
  int CrashAt = 0;   // 0: never
  int FailAt = 0;    // this operation fails once with FailCode
  int Count = 0;
  std::vector<std::string> FailFrom;   // moves from here fail with FailCode
  DWORD FailCode = ERROR_SHARING_VIOLATION;
  std::vector<std::string> Log;

  bool Move(const std::string& From, const std::string& To, bool Replace) override {
    if (!Step("move " + From + " " + To) ||
        std::find(FailFrom.begin(), FailFrom.end(), From) != FailFrom.end())
      return Fail();
    return TInstallFiles::Move(From, To, Replace);
  }
  bool Delete(const std::string& Name) override { return Step("delete " + Name) ? TInstallFiles::Delete(Name) : Fail(); }
  bool MakeFolder(const std::string& Name) override {
    return Step("mkdir " + Name) ? TInstallFiles::MakeFolder(Name) : Fail();
  }
  bool RemoveEmptyFolder(const std::string& Name) override {
    return Step("rmdir " + Name) ? TInstallFiles::RemoveEmptyFolder(Name) : Fail();
  }
  bool Flush(const std::string& Name) override { return Step("flush " + Name) ? TInstallFiles::Flush(Name) : Fail(); }
  bool Write(const std::string& Name, const std::string& Text) override {
    return Step("write " + Name) ? TInstallFiles::Write(Name, Text) : Fail();
  }

 private:
  // False for the operation that fails.
  bool Step(const std::string& What) {
    Log.push_back(What);
    if (++Count == CrashAt) throw TCrash{};
    return Count != FailAt;
  }
  bool Fail() const {
    SetLastError(FailCode);
    return false;
  }
};

struct TFilesInPlace {
  explicit TFilesInPlace(TInstallFiles* F) { SetInstallFiles(F); }
  ~TFilesInPlace() { SetInstallFiles(nullptr); }
};

// As the wizard installs: the archive unpacked into the folder the
// installation gives, its database files read-only as an archive made on
// Windows can make them.
TInstallResult Install(std::string& Error) {
  const std::string staging = BeginInstall(Error);
  if (staging.empty()) return TInstallResult::irFailed;
  for (const char* f : DatabaseFiles) {
    WriteTextFile(staging + "\\" + f, std::string("new-") + f[0]);
    SetFileAttributesA((staging + "\\" + f).c_str(), FILE_ATTRIBUTE_READONLY);
  }
  WriteTextFile(staging + "\\readme.txt", "archive's own");
  return InstallDatabase(Error);
}

// An installation stopped at every one of its file operations in turn,
// then a recovery stopped at every one of its own, or meeting a file held
// by another program there, then one more start that runs to its end: each
// ends with the whole old or the whole new database, every file of the
// user's kept and nothing of the installation left. For a first
// installation, an update, an update undone because the main program opened
// a file while it ran, and one whose undo met a file held too. The new
// files are read-only, and so is the installed database.
TEST(DatabaseRecovery, EveryCrashPointEndsWithAWholeDatabase) {
  struct TCase {
    const char* Name;
    TTree Before;
    std::vector<std::string> FailFrom;   // moves the main program, or a scanner, blocks
    TInstallResult Result;
    TTree After;   // without a crash, after the next start
  };
  const TCase cases[] = {
      {"first installation", Mine, {}, TInstallResult::irInstalled, With(Mine, NewDb)},
      {"update", With(Mine, OldDb), {}, TInstallResult::irInstalled, With(Mine, NewDb)},
      {"update undone", With(Mine, OldDb), {"data.new2\\r.dat"}, TInstallResult::irInUse, With(Mine, OldDb)},
      {"undo blocked", With(Mine, OldDb), {"data.new2\\r.dat", "data.old2\\cities.dat"}, TInstallResult::irPending,
       With(Mine, OldDb)},
  };
  const auto layOut = [](const TCase& c) {
    SetCurrentDirectoryA("..");
    SetCurrentDirectoryA(TempFolder("crash").c_str());
    Lay(c.Before);
    for (const char* f : DatabaseFiles)
      SetFileAttributesA((std::string("data\\") + f).c_str(), FILE_ATTRIBUTE_READONLY);
  };
  const auto left = [] {
    for (const char* f : {JournalFile, "data.journal.new", "data.new2", "data.old2"})
      if (FileExists(f) || DirectoryExists(f)) return std::string(f);
    return std::string();
  };
  TInFolder in("crash");
  int points = 0, whole = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    // Without a crash, and the order of its steps.
    layOut(c);
    TCrashingFiles files;
    files.FailFrom = c.FailFrom;
    {
      TFilesInPlace inPlace(&files);
      std::string error;
      EXPECT_EQ(Install(error), c.Result) << error;
      if (c.Result == TInstallResult::irInUse) {
        EXPECT_TRUE(WholeDatabase("data.new2"));   // kept for a retry
      }
      if (c.Result == TInstallResult::irPending) {
        EXPECT_NE(error.find("undone at the next start"), std::string::npos) << error;
      }
    }
    EXPECT_TRUE(RecoverDatabase());
    Writable(".");
    EXPECT_EQ(ReadTree("."), c.After);
    EXPECT_EQ(left(), "");
    // Each new file is on disk before the old database is given up.
    const auto at = [&](const std::string& Op) {
      return std::find(files.Log.begin(), files.Log.end(), Op) - files.Log.begin();
    };
    for (const char* f : DatabaseFiles)
      EXPECT_LT(at(std::string("flush data.new2\\") + f), at("move data\\geoip.dat data.old2\\geoip.dat")) << f;
    const int steps = files.Count;
    ASSERT_GT(steps, 10);
    for (int n = 1; n <= steps; ++n) {
      // The recovery stopped, or failed, at each of its steps in turn.
      for (int m = 1;; ++m) {
        for (const bool crash : {true, false}) {
          SCOPED_TRACE("install stopped at " + std::to_string(n) + ", recovery " + (crash ? "stopped" : "failed") +
                       " at " + std::to_string(m));
          layOut(c);
          {
            TCrashingFiles cut;
            cut.CrashAt = n;
            cut.FailFrom = c.FailFrom;
            TFilesInPlace inPlace(&cut);
            std::string error;
            ASSERT_THROW(Install(error), TCrash);
          }
          TCrashingFiles again;
          (crash ? again.CrashAt : again.FailAt) = m;
          again.FailCode = m % 2 ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED;
          {
            TFilesInPlace inPlace(&again);
            try {
              RecoverDatabase();
            } catch (const TCrash&) {
            }
          }
          EXPECT_TRUE(RecoverDatabase());
          Writable(".");
          const TTree after = ReadTree(".");
          ++points;
          const bool ok = (after == With(Mine, NewDb) || after == c.Before) && left().empty();
          if (ok) ++whole;
          EXPECT_TRUE(ok) << files.Log[n - 1] << " / " << left();
          if (again.Count < m) goto next;   // the recovery ran out of steps before m
        }
      }
    next:;
    }
  }
  std::printf("crash points: %d, ending whole with every file kept: %d\n", points, whole);
  EXPECT_EQ(whole, points);
}

// A database file held open as the main program holds it (shared for
// reading and writing) stops an installation before any file is touched,
// and the unpacked files stay for a retry.
TEST(DatabaseInstall, ADatabaseInUseChangesNothing) {
  TInFolder in("inuse");
  Lay(OldDb);
  HANDLE held = CreateFileA("data\\geoip.dat", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  TCrashingFiles files;
  {
    TFilesInPlace inPlace(&files);
    std::string error;
    EXPECT_EQ(Install(error), TInstallResult::irInUse);
  }
  CloseHandle(held);
  EXPECT_EQ(files.Log, (std::vector<std::string>{"write data.journal.new", "move data.journal.new data.journal",
                                                 "mkdir data.new"}));
  EXPECT_EQ(ReadTree("data"), (TTree{{"geoip.dat", "old-g"}, {"cities.dat", "old-c"}, {"r.dat", "old-r"}}));
  EXPECT_TRUE(WholeDatabase("data.new"));
  AbandonInstall();
  EXPECT_FALSE(DirectoryExists("data.new"));
  EXPECT_FALSE(FileExists(JournalFile));
}

// An earlier installation that cannot be finished is reported with its own
// cause, and no new one begins beside it.
TEST(DatabaseInstall, APendingInstallationThatCannotGoOnTellsWhy) {
  TInFolder in("cause");
  Lay(OldDb);
  {
    TCrashingFiles cut;
    cut.CrashAt = 10;   // the first backup moved
    TFilesInPlace inPlace(&cut);
    std::string error;
    ASSERT_THROW(Install(error), TCrash);
    ASSERT_EQ(cut.Log.back(), "move data\\geoip.dat data.old\\geoip.dat");
  }
  TCrashingFiles files;
  files.FailFrom = {"data\\cities.dat"};
  files.FailCode = ERROR_ACCESS_DENIED;
  std::string error;
  {
    TFilesInPlace inPlace(&files);
    EXPECT_EQ(BeginInstall(error), "");
  }
  EXPECT_NE(error.find("an earlier installation cannot be finished: data\\cities.dat cannot be moved"),
            std::string::npos) << error;
  EXPECT_NE(error.find(SysErrorMessage(ERROR_ACCESS_DENIED)), std::string::npos) << error;
  EXPECT_FALSE(DatabaseSettled());
  EXPECT_FALSE(DirectoryExists("data.new2"));
  EXPECT_TRUE(RecoverDatabase());
  EXPECT_EQ(ReadTree("data"), (TTree{{"geoip.dat", "new-g"}, {"cities.dat", "new-c"}, {"r.dat", "new-r"}}));
}

}  // namespace
