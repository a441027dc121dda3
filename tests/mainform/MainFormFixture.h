// A main window whose seams record what it tells the user and hands the
// scene, started in a folder of its own with HKEY_CURRENT_USER redirected
// to a scratch key.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeNetwork.h"
#include "LocationFixture.h"
#include "RecordingMainForm.h"
#include "RegistryValues.h"
#include "TestPaths.h"
#include "classlib/WinHandles.h"
#include "classlib/Registry.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainLog.h"
#include "viewer/NsMainSettings.h"

inline std::vector<std::string> Lines(const TStrings& L) {
  std::vector<std::string> r;
  for (int i = 0; i < L.Count(); ++i) r.push_back(L[i]);
  return r;
}

// A REG_DWORD value under HKEY_CURRENT_USER.
inline void PutDword(const char* Key, const char* Name, DWORD V) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(k, Name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&V), 4);
  RegCloseKey(k);
}

struct TPlotted {
  int Index;
  float Radius;
  TVector Point, Halo;
};

struct TWallpaper {
  int Width, Height;
  COLORREF Center;
};

struct TPlottedHop {
  int Index;
  TAffineVector Point, Shadow;
  bool Located;
  TVector Ring;
};

class TRecordingForm : public TRecordingMainForm {
public:
  using TRecordingMainForm::TRecordingMainForm;
  std::vector<std::string> Textures;
  std::vector<TPlotted> Plotted;
  std::vector<int> Unplotted;
  int Clears = 0, Ends = 0;
  std::vector<TAffineVector> SunDirections;
  std::vector<TPlottedHop> Hops;
  int RouteClears = 0, RouteEnds = 0;
  std::vector<TWallpaper> Wallpapers;   // pictures given to the desktop sprite
  std::string Date = "2026-12-09";   // the log's date; the time counts the updates

  using TMainForm::WndProc;

protected:
  void LogStamp(std::string& D, std::string& T) override {
    D = Date;
    T = Format("08:30:%02u", static_cast<unsigned>(LogState.UpdateCounter % 60));
  }
  void LoadEarthTexture(const std::string& F) override { Textures.push_back(F); }
  void ClearPointSets(int) override {
    ++Clears;
    Plotted.clear();
    Unplotted.clear();
  }
  void PlotNothing(int I) override { Unplotted.push_back(I); }
  void PlotLocation(int I, float R, const TVector& P, const TVector& H) override {
    Plotted.push_back({I, R, P, H});
  }
  void EndPointSets() override { ++Ends; }
  void SetSunDirection(const TAffineVector& D) override { SunDirections.push_back(D); }
  void ClearRoutePointSets(int) override {
    ++RouteClears;
    Hops.clear();
  }
  void PlotHop(int I, const TAffineVector& P, const TAffineVector& S, bool L, const TVector& R) override {
    Hops.push_back({I, P, S, L, R});
  }
  void EndRoutePointSets() override { ++RouteEnds; }
  void SetDesktopPicture(TBitmap& B) override {
    TMemoryDC dc;
    dc.Select(B.Handle());
    Wallpapers.push_back({B.Width(), B.Height(), GetPixel(dc.Get(), B.Width() / 2, B.Height() / 2)});
  }
};

// The scratch registry and a working folder per test.
class MainFormTest : public testing::Test {
protected:
  std::string Scratch = "Software\\VantrelTests\\MainForm" + IntToStr(GetCurrentProcessId());
  HKEY Root = nullptr;
  std::string OldDir, Dir;

  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Scratch.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &Root, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, Root), ERROR_SUCCESS);
    OldDir = GetCurrentDir();
    Dir = TempFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
    SetCurrentDirectoryA(Dir.c_str());
    Forms_Initialize();
    NsMain_Initialize();
    uIPHelperAPI_Initialize();
    FakeNet() = TFakeNetwork{};
    PresentFakeToolHelp();
    PresentFamily(TIpHelperFamily::ifExtended);
  }
  void TearDown() override {
    Forms_Finalize();
    NsMain_Finalize();
    RestoreRealApis();
    SetCurrentDirectoryA(OldDir.c_str());
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(Root);
    TRegistry r;
    r.DeleteKey("\\" + Scratch);
  }
  bool KeyExists(const std::string& Key) {
    TRegistry r;
    return r.KeyExists(Key);
  }
};
