// The RAR extraction component over our unrar.dll (beside the test), on
// archives no one here wrote (libarchive's test samples, checked against
// the host's bsdtar by the prepare step) and on volumes of our own tool.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "TestPaths.h"
#include "wizard/RarExtractor.h"

namespace {

struct TRecorder {
  std::vector<std::pair<std::string, int>> Errors;
  std::vector<TRarHeaderData> Headers;
  std::vector<int> Statuses;
  std::string Comment;
  void Attach(TRarExtractor& R) {
    R.OnError = [this](TObject*, const std::string& M, int Id) { Errors.emplace_back(M, Id); };
    R.OnFileProcessing = [this](TObject*, const TRarHeaderData& D, int) { Headers.push_back(D); };
    R.OnRarStatus = [this](TObject*, const std::string&, TRarStatus S) { Statuses.push_back(static_cast<int>(S)); };
    R.OnComment = [this](TObject*, const std::string& C) { Comment = C; };
  }
  std::string ErrorText() const {
    std::string s;
    for (auto& e : Errors) s += e.first + " (" + std::to_string(e.second) + "); ";
    return s;
  }
};

struct TSample {
  std::string First;
  bool BsdtarOk;
  bool UnarOk;
};

std::vector<TSample> ReadSamples() {
  std::vector<TSample> v;
  std::istringstream in(ReadTextFile("samples.txt"));
  std::string first, b, u;
  while (in >> first >> b >> u) v.push_back({first, b == "ok", u == "ok"});
  return v;
}

// Files only; bsdtar makes empty folders too, which hold nothing to compare.
std::map<std::string, std::string> Files(const std::string& Folder) { return ReadTree(Folder); }

class RarTest : public testing::Test {
protected:
  void SetUp() override {
    RarPasswordPrompt = nullptr;
    RarVolumePrompt = nullptr;
  }
  std::unique_ptr<TRarExtractor> Make(const std::string& File, const std::string& Dir) {
    auto r = std::make_unique<TRarExtractor>(nullptr);
    r->FileName = File;
    r->Directory = Dir;
    Rec.Attach(*r);
    return r;
  }
  TRecorder Rec;
};

TEST_F(RarTest, OurDllIsLoaded) {
  auto r = Make("x", "x");
  EXPECT_TRUE(IsUnRarLoaded);
  EXPECT_EQ(r->DllVersion(), RAR_DLL_VERSION);
}

// Every sample bsdtar extracts, our DLL extracts byte-identically; every
// sample it rejects, the component reports as an error (never as success).
TEST_F(RarTest, LibarchiveSamplesMatchBsdtar) {
  const std::vector<TSample> samples = ReadSamples();
  ASSERT_GE(samples.size(), 40u) << "prepare did not decode libarchive's samples";
  int extracted = 0, refused = 0;
  for (const TSample& s : samples) {
    SCOPED_TRACE(s.First);
    Rec = TRecorder();
    const std::string out = TempFolder("out-" + s.First);
    auto r = Make("samples\\" + s.First, out);
    r->ProcessArchive();
    if (s.BsdtarOk) {
      EXPECT_TRUE(Rec.Errors.empty()) << Rec.ErrorText();
      const auto want = Files("expected\\" + s.First);
      const auto got = Files(out);
      EXPECT_FALSE(want.empty());
      EXPECT_EQ(got.size(), want.size());
      for (auto& [name, bytes] : want) {
        auto it = got.find(name);
        if (it == got.end()) ADD_FAILURE() << name << " missing";
        else EXPECT_TRUE(it->second == bytes) << name << " differs";
      }
      ++extracted;
    } else {
      EXPECT_FALSE(Rec.Errors.empty()) << "a sample bsdtar rejects passed as success";
      ++refused;
    }
  }
  std::printf("libarchive samples: %d extracted as bsdtar does, %d refused as bsdtar does\n", extracted, refused);
}

TEST_F(RarTest, NineStoredVolumesExtractWithHeadersCommentAndProgress) {
  const std::string out = TempFolder("nine-out");
  auto r = Make("nine\\geoip.part01.rar", out);
  r->CanProgress = true;
  std::vector<uint32_t> files, counts, sizes, totals;
  r->OnProgress = [&](TObject*, uint32_t F, uint32_t C, uint32_t S, uint32_t T) {
    files.push_back(F);
    counts.push_back(C);
    sizes.push_back(S);
    totals.push_back(T);
  };
  r->ProcessArchive();
  EXPECT_TRUE(Rec.Errors.empty()) << Rec.ErrorText();
  EXPECT_EQ(Files(out), Files("nine-src"));
  EXPECT_EQ(Rec.Comment, "Vantrel test volumes");
  EXPECT_EQ(r->ArchivComment(), "Vantrel test volumes");
  EXPECT_EQ(r->CommentSize(), 20u);
  ASSERT_EQ(Rec.Headers.size(), 3u);
  const TRarHeaderData& g = Rec.Headers[0];
  EXPECT_EQ(g.FileName, "geoip.dat");
  EXPECT_EQ(Rec.Headers[2].FileName, "sub\\r.dat");
  EXPECT_EQ(g.ArchiveName, "nine\\geoip.part01.rar");
  EXPECT_TRUE(g.ContinuedOnNext);
  EXPECT_FALSE(g.ContinuedFromPrevious);
  EXPECT_EQ(g.UnpSize, 1500000);
  EXPECT_EQ(g.Method, "pas de compression");
  EXPECT_EQ(g.HostOS, "Windows");
  EXPECT_EQ(g.UnpVerMajor, 2);
  EXPECT_EQ(g.UnpVerMinor, 9);
  EXPECT_TRUE(g.faArchive);
  EXPECT_FALSE(g.Directory);
  EXPECT_GT(g.FileTime, 40000.0);   // after 2009
  EXPECT_EQ(g.CRC.size(), 8u);
  // The counting pass saw three whole files; progress climbs to the totals.
  EXPECT_EQ(files, (std::vector<uint32_t>{1, 2, 3}));
  EXPECT_EQ(counts, (std::vector<uint32_t>{3, 3, 3}));
  const uint32_t total = 1500000 + uint32_t(Files("nine-src")["cities.dat"].size()) + 8;
  EXPECT_EQ(totals.back(), total);
  EXPECT_EQ(sizes.back(), total);
  // opening, opened, closed: once for the count, once for the extraction
  EXPECT_EQ(Rec.Statuses, (std::vector<int>{1, 0, 2, 1, 0, 2}));
}

TEST_F(RarTest, OverwritePolicies) {
  const std::string out = TempFolder("policy");
  const std::string target = out + "\\geoip.dat";
  const std::string fresh = Files("nine-src")["geoip.dat"];
  auto run = [&](TOverrideOptions P, bool Allow, std::vector<std::string>* Asked = nullptr,
                 const std::vector<std::string>& List = {}) {
    WriteTextFile(target, "old");
    auto r = Make("nine\\geoip.part01.rar", out);
    r->OverrideEvent = P;
    for (auto& l : List) r->FileList.Add(l);
    r->OnOverride = [&](TObject*, const std::string& F, bool& Can) {
      if (Asked) Asked->push_back(F);
      Can = Allow;
    };
    r->ProcessArchive();
    EXPECT_TRUE(Rec.Errors.empty()) << Rec.ErrorText();
    return ReadTextFile(target);
  };
  EXPECT_TRUE(run(TOverrideOptions::OR_ALWAYS, false) == fresh);
  EXPECT_EQ(run(TOverrideOptions::OR_NEVER, true), "old");
  std::vector<std::string> asked;
  EXPECT_EQ(run(TOverrideOptions::OR_EVENT, false, &asked), "old");
  ASSERT_FALSE(asked.empty());   // asked for the files that exist, by their target path
  EXPECT_EQ(asked[0], target);
  EXPECT_TRUE(run(TOverrideOptions::OR_EVENT, true) == fresh);
  // A file list narrows what is processed (but OR_ALWAYS ignores it).
  DeleteFileA((out + "\\cities.dat").c_str());
  run(TOverrideOptions::OR_NEVER, false, nullptr, {out + "\\cities.dat"});
  EXPECT_EQ(ReadTextFile(target), "old");
  EXPECT_TRUE(FileExists(out + "\\cities.dat"));
  DeleteFileA((out + "\\cities.dat").c_str());
  run(TOverrideOptions::OR_NEVER, false, nullptr, {out + "\\sub\\r.dat"});
  EXPECT_FALSE(FileExists(out + "\\cities.dat"));
  EXPECT_TRUE(run(TOverrideOptions::OR_ALWAYS, false, nullptr, {out + "\\sub\\r.dat"}) == fresh);
}

TEST_F(RarTest, EntriesOutsideTheFolderAreRefused) {
  for (const char* arc : {"dotdot", "drive", "absolute"}) {
    SCOPED_TRACE(arc);
    Rec = TRecorder();
    const std::string out = TempFolder("jail") + "\\inner";
    CreateDirectoryA(out.c_str(), nullptr);
    auto r = Make(std::string("hostile\\") + arc + ".part01.rar", out);
    r->ProcessArchive();
    ASSERT_EQ(Rec.Errors.size(), 1u) << Rec.ErrorText();
    EXPECT_EQ(Rec.Errors[0].second, 16);
    EXPECT_EQ(Rec.Errors[0].first, "Erreur \xE0 la cr\xE9" "ation du fichier");
    EXPECT_FALSE(FileExists("jail\\evil.txt"));
    EXPECT_FALSE(FileExists("C:\\evil.txt"));
    EXPECT_FALSE(FileExists("\\evil.txt"));
  }
  // The DLL refuses on its own too, for callers that do not check.
  auto keep = Make("", "");   // keeps the library bound
  char name[] = "hostile\\dotdot.part01.rar";
  RAROpenArchiveData d{};
  d.ArcName = name;
  d.OpenMode = RAR_OM_EXTRACT;
  HANDLE h = RAROpenArchive(&d);
  ASSERT_NE(h, nullptr);
  RARHeaderDataEx hd{};
  char dir[] = "jail\\inner";
  ASSERT_EQ(RARReadHeaderEx(h, &hd), 0);
  EXPECT_STREQ(hd.FileName, "ok.txt");
  EXPECT_EQ(RARProcessFile(h, RAR_EXTRACT, dir, nullptr), 0);
  ASSERT_EQ(RARReadHeaderEx(h, &hd), 0);
  EXPECT_STREQ(hd.FileName, "..\\evil.txt");
  EXPECT_EQ(RARProcessFile(h, RAR_EXTRACT, dir, nullptr), ERAR_ECREATE);
  EXPECT_EQ(RARCloseArchive(h), 0);
  EXPECT_TRUE(FileExists("jail\\inner\\ok.txt"));
  EXPECT_FALSE(FileExists("jail\\evil.txt"));
}

TEST_F(RarTest, MissingVolumeWithoutAndWithThePrompt) {
  {
    auto r = Make("missing\\geoip.part01.rar", TempFolder("miss1"));
    r->ProcessArchive();
    ASSERT_FALSE(Rec.Errors.empty());
    EXPECT_EQ(Rec.Errors.back().second, 15) << Rec.ErrorText();
    EXPECT_EQ(Rec.Errors.back().first, "Volumn-Error");
  }
  {
    Rec = TRecorder();
    std::vector<std::string> asked;
    RarVolumePrompt = [&](const std::string& Initial, bool& Accepted) {
      asked.push_back(Initial);
      Accepted = true;
      return std::string("nine\\geoip.part04.rar");   // found elsewhere
    };
    const std::string out = TempFolder("miss2");
    auto r = Make("missing\\geoip.part01.rar", out);
    r->PromptForVolumn = true;
    r->ProcessArchive();
    EXPECT_TRUE(Rec.Errors.empty()) << Rec.ErrorText();
    EXPECT_EQ(asked, (std::vector<std::string>{"missing\\geoip.part04.rar"}));
    EXPECT_EQ(Files(out), Files("nine-src"));
  }
  {
    Rec = TRecorder();
    int asked = 0;
    RarVolumePrompt = [&](const std::string& Initial, bool& Accepted) {
      ++asked;
      Accepted = false;   // Cancel
      return Initial;
    };
    auto r = Make("missing\\geoip.part01.rar", TempFolder("miss3"));
    r->PromptForVolumn = true;
    r->ProcessArchive();
    EXPECT_EQ(asked, 1);
    ASSERT_FALSE(Rec.Errors.empty());
    EXPECT_EQ(Rec.Errors.back().second, 15);
  }
  // The volumes are not touched.
  EXPECT_EQ(Files("missing").size(), 8u);
}

TEST_F(RarTest, CorruptVolumeIsReportedAndLeavesNoBrokenFile) {
  const std::string out = TempFolder("corrupt-out");
  auto r = Make("corrupt\\geoip.part01.rar", out);
  r->ProcessArchive();
  ASSERT_EQ(Rec.Errors.size(), 1u) << Rec.ErrorText();
  EXPECT_EQ(Rec.Errors[0].second, 12);
  EXPECT_EQ(Rec.Errors[0].first, "donn\xE9" "es corrompues");
  EXPECT_FALSE(FileExists(out + "\\geoip.dat"));
  // Listing mode tests every file and finds the same damage, writing nothing.
  Rec = TRecorder();
  const std::string out2 = TempFolder("corrupt-list");
  auto l = Make("corrupt\\geoip.part01.rar", out2);
  l->Mode = TRarMode::RARX_LIST;
  l->ProcessArchive();
  ASSERT_EQ(Rec.Errors.size(), 1u);
  EXPECT_EQ(Rec.Errors[0].second, 12);
  EXPECT_TRUE(Files(out2).empty());
}

TEST_F(RarTest, ListModeTestsWithoutWriting) {
  const std::string out = TempFolder("list");
  auto r = Make("nine\\geoip.part01.rar", out);
  r->Mode = TRarMode::RARX_LIST;
  r->ProcessArchive();
  EXPECT_TRUE(Rec.Errors.empty()) << Rec.ErrorText();
  EXPECT_EQ(Rec.Headers.size(), 3u);
  EXPECT_TRUE(Files(out).empty());
}

TEST_F(RarTest, OpenFailuresStopWithTheComponentsError) {
  auto r = Make("no-such.rar", TempFolder("open"));
  r->ProcessArchive();
  ASSERT_EQ(Rec.Errors.size(), 1u);
  EXPECT_EQ(Rec.Errors[0], std::make_pair(std::string("Volumn-Error"), 15));
  EXPECT_EQ(Rec.Statuses, (std::vector<int>{1, 0}));   // never "closed": nothing was open
  Rec = TRecorder();
  WriteTextFile("not-rar.rar", "PK\x03\x04 this is no RAR archive at all");
  auto n = Make("not-rar.rar", TempFolder("open"));
  n->ProcessArchive();
  ASSERT_EQ(Rec.Errors.size(), 1u);
  EXPECT_EQ(Rec.Errors[0], std::make_pair(std::string("Archive d\xE9" "fectueuse"), 13));
  // A volume cut short (a download that stopped) is refused whole at opening.
  Rec = TRecorder();
  WriteTextFile("cut.rar", ReadTextFile("nine\\geoip.part01.rar").substr(0, 20000));
  const std::string out = TempFolder("cut");
  auto c = Make("cut.rar", out);
  c->ProcessArchive();
  ASSERT_EQ(Rec.Errors.size(), 1u);
  EXPECT_EQ(Rec.Errors[0], std::make_pair(std::string("donn\xE9" "es corrompues"), 12));
  EXPECT_EQ(Rec.Statuses, (std::vector<int>{1, 0}));
  EXPECT_TRUE(Files(out).empty());
}

TEST_F(RarTest, StopFromAnEventEndsAfterTheCurrentStep) {
  const std::string out = TempFolder("stop");
  auto r = Make("nine\\geoip.part01.rar", out);
  r->OnFileProcessing = [&](TObject*, const TRarHeaderData& D, int) {
    Rec.Headers.push_back(D);
    r->StopProcessing = true;
  };
  r->ProcessArchive();
  EXPECT_EQ(Rec.Headers.size(), 1u);
  EXPECT_TRUE(Rec.Errors.empty());
  EXPECT_TRUE(Files(out).empty());
  // The library's callback answers -1 once stopped.
  EXPECT_EQ(r->HandleCallback(UCM_PROCESSDATA, 0, 0), -1);
}

TEST_F(RarTest, EncryptedEntriesAreReportedNeverExtracted) {
  for (const char* pw : {"", "secret"}) {
    SCOPED_TRACE(pw);
    Rec = TRecorder();
    const std::string out = TempFolder("enc");
    auto r = Make("samples\\test_read_format_rar_encryption_data.rar", out);
    r->Password = pw;
    r->ProcessArchive();
    ASSERT_FALSE(Rec.Errors.empty());
    // No password: the component says so, then the library's missing-password code;
    // with one: the library cannot decrypt it.
    EXPECT_EQ(Rec.Errors.back().second, *pw ? ERAR_UNKNOWN_FORMAT : ERAR_MISSING_PASSWORD) << Rec.ErrorText();
    for (auto& [name, bytes] : Files(out)) ADD_FAILURE() << "written: " << name;
  }
}

TEST_F(RarTest, PasswordCopyLeavesRoomForTheTerminator) {
  auto r = Make("x", "x");
  r->Password = "longpassword";
  std::string status;
  r->OnRarStatus = [&](TObject*, const std::string& M, TRarStatus S) {
    if (S == TRarStatus::rsPassword) status = M;
  };
  char buf[12];
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(r->HandleCallback(UCM_NEEDPASSWORD, reinterpret_cast<LPARAM>(buf), 8), 0);
  EXPECT_STREQ(buf, "longpas");
  EXPECT_EQ(std::string(buf + 8, 4), "####");
  EXPECT_EQ(status, "Le mot de passe utilis\xE9 est : longpassword");
  r->OnPassword = [](TObject*, std::string& P) { P = "ab"; };
  EXPECT_EQ(r->HandleCallback(UCM_NEEDPASSWORD, reinterpret_cast<LPARAM>(buf), 8), 0);
  EXPECT_STREQ(buf, "ab");
}

// Attributes a Windows archiver stored come with the file; a Unix mode is no
// set of Windows attributes (0644 would read as "system").
TEST_F(RarTest, WindowsAttributesComeAlongUnixModesDoNot) {
  const std::string out = TempFolder("attrs-out");
  auto r = Make("attrs\\attrs.part01.rar", out);
  r->ProcessArchive();
  EXPECT_TRUE(Rec.Errors.empty()) << Rec.ErrorText();
  const DWORD dos = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  EXPECT_EQ(GetFileAttributesA((out + "\\windows.txt").c_str()) & dos, DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(GetFileAttributesA((out + "\\unix.txt").c_str()) & dos, 0u);
  EXPECT_EQ(ReadTextFile(out + "\\windows.txt"), "shown\n");
  SetFileAttributesA((out + "\\windows.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(RarTest, WithoutTheLibraryOnlyAnErrorIsReported) {
  auto r = Make("nine\\geoip.part01.rar", TempFolder("nolib"));
  UnloadUnRarDll();   // as if unrar.dll were not there
  r->ProcessArchive();
  ASSERT_EQ(Rec.Errors.size(), 1u);
  EXPECT_EQ(Rec.Errors[0], std::make_pair(std::string("UnRar.Dll not loaded"), 0));
  EXPECT_TRUE(Rec.Statuses.empty());
}

}  // namespace
