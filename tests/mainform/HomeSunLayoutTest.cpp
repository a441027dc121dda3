// Reading the home location, the sun's position and the HUD bar's layout.
#include <gtest/gtest.h>

#include <cmath>

#include "LocationFixture.h"
#include "TestPaths.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainDesktop.h"
#include "viewer/NsMainStartup.h"
#include "viewer/NsMainSun.h"

namespace {

THomeLocation Read(const std::string& Text) {
  WriteTextFile("home.txt", Text);
  return ReadHomeLocation("home.txt");
}

TEST(HomeLocation, CodesAndFurtherDigitsReadBackWithTheirSign) {
  // 12°30' E / S as the wizard writes it: code 1249, further digits 9980
  THomeLocation h = Read("81.2.69.160\r\nGB, London\r\n1249\r\n-1249\r\n9980\r\n9980\r\n");
  EXPECT_EQ(h.IP, HomeAddress);
  EXPECT_EQ(h.Label, "\xBBGB, London");
  EXPECT_EQ(h.Coordinates, "-1249;1249");
  EXPECT_FLOAT_EQ(h.Longitude, 12.49998f);
  EXPECT_FLOAT_EQ(h.Latitude, -12.49998f);   // not -12.48002
  h = Read("a\r\nb\r\n-000\r\n-3\r\n5000\r\n");   // just west of 0, the latitude's digits missing
  EXPECT_FLOAT_EQ(h.Longitude, -0.005f);
  EXPECT_FLOAT_EQ(h.Latitude, -0.03f);
  h = Read("a\r\nb\r\n000\r\n000\r\n\r\n\r\n");
  EXPECT_EQ(h.Longitude, 0);
  EXPECT_EQ(h.Latitude, 0);
  // four lines: the further digits count as "0000"
  h = Read("1.2.3.4\r\nUS, Boston\r\n-7106\r\n4236\r\n");
  EXPECT_FLOAT_EQ(h.Longitude, -71.06f);
  EXPECT_FLOAT_EQ(h.Latitude, 42.36f);
  // fewer than four further digits continue the hundredths
  h = Read("a\r\nb\r\n1249\r\n100\r\n998\r\n5\r\n");
  EXPECT_FLOAT_EQ(h.Longitude, 12.49998f);
  EXPECT_FLOAT_EQ(h.Latitude, 1.005f);
}

TEST(HomeLocation, ShortOrNonNumericFilesAreRefusedClearly) {
  for (const char* bad : {"", "a\r\nb\r\n1249\r\n", "a\r\nb\r\n12E4\r\n100\r\n",
                          "a\r\nb\r\n--12\r\n100\r\n", "a\r\nb\r\n12\r\n100\r\n12 4\r\n",
                          "a\r\nb\r\n-\r\n100\r\n", "a\r\nb\r\n12\r\n100\r\n\r\n-5\r\n"}) {
    try {
      Read(bad);
      ADD_FAILURE() << "read \"" << bad << "\"";
    } catch (const EConvertError& e) {
      EXPECT_FALSE(e.Message.empty());
    }
  }
  DeleteFileA("home.txt");
  EXPECT_THROW(ReadHomeLocation("home.txt"), EFOpenError);
}

TEST(Sun, DeclinationFollowsTheSeason) {
  EXPECT_NEAR(SunDeclination(173), 23.469f, 1e-4);   // mirrored at d = 183
  EXPECT_NEAR(SunDeclination(174), 23.243f, 1e-4);
  EXPECT_NEAR(SunDeclination(366), -20.673f, 1e-4);  // 31 December of a leap year
  EXPECT_NEAR(SunDeclination(1), 11 * 0.257f - 23.5f, 1e-4);
  EXPECT_NEAR(SunDeclination(355), -23.5f + 0.257f * 0 + 23.5f - 23.5f, 1);   // winter
}

TEST(Sun, DirectionFromTheTimeOfDay) {
  const float d = SunDeclination(100);
  TAffineVector v = SunDirection(36526.0, 100);   // 00:00 UTC
  EXPECT_NEAR(v[0], 0, 1e-6);
  EXPECT_NEAR(v[1], std::sin(d * 3.14159265f / 180), 1e-6);
  EXPECT_NEAR(v[2], 1, 1e-6);
  v = SunDirection(36526.25, 100);   // 06:00: a quarter turn on
  EXPECT_NEAR(v[0], -1, 1e-6);
  EXPECT_NEAR(v[2], 0, 1e-6);
}

TEST(Sun, UtcFromLocalTimeAndEveryTimeZoneAnswer) {
  const double local = EncodeDate(2000, 1, 1) + EncodeTime(12, 0, 0, 0);
  EXPECT_DOUBLE_EQ(local, 36526.5);
  TIME_ZONE_INFORMATION tz{};
  tz.Bias = -60;          // UTC+1
  tz.DaylightBias = -60;  // summer time UTC+2
  const double hour = 1.0 / 24;
  EXPECT_NEAR(UtcFromLocal(local, tz, TIME_ZONE_ID_STANDARD), local - hour, 1e-9);
  EXPECT_NEAR(UtcFromLocal(local, tz, TIME_ZONE_ID_DAYLIGHT), local - 2 * hour, 1e-9);
  EXPECT_NEAR(UtcFromLocal(local, tz, TIME_ZONE_ID_UNKNOWN), local - hour, 1e-9);
  EXPECT_DOUBLE_EQ(UtcFromLocal(local, tz, TIME_ZONE_ID_INVALID), local);
  tz.Bias = 300;          // UTC-5, no daylight time
  EXPECT_NEAR(UtcFromLocal(local, tz, TIME_ZONE_ID_UNKNOWN), local + 5 * hour, 1e-9);

  // the form's clock agrees with the system's UTC
  TMainForm form(nullptr);
  SYSTEMTIME utc;
  GetSystemTime(&utc);
  EXPECT_NEAR(form.GMTNow(),
              EncodeDate(utc.wYear, utc.wMonth, utc.wDay) +
                  EncodeTime(utc.wHour, utc.wMinute, utc.wSecond, utc.wMilliseconds),
              2.0 / 86400);
}

TEST(HudBar, LayoutFollowsTheViewerAndTheZoomIsClamped) {
  THudBarLayout l = HudBarLayout(300, 200, 32);
  EXPECT_FLOAT_EQ(l.Width, 296);
  EXPECT_FLOAT_EQ(l.Height, 29.6f);
  EXPECT_FLOAT_EQ(l.X, 150);
  EXPECT_FLOAT_EQ(l.Y, 200 - 2 - 14.8f);
  l = HudBarLayout(400, 300, 32);
  EXPECT_FLOAT_EQ(l.Width, 332);
  EXPECT_FLOAT_EQ(l.Height, 32);
  EXPECT_FLOAT_EQ(l.X, 200);
  EXPECT_FLOAT_EQ(l.Y, 282);
  EXPECT_FLOAT_EQ(HudBarLayout(334, 100, 30).Width, 332);
  EXPECT_FLOAT_EQ(HudBarLayout(333, 100, 30).Width, 329);
  EXPECT_FLOAT_EQ(ClampZoom(0.001f, 400, 300), 0.01f);
  EXPECT_FLOAT_EQ(ClampZoom(5, 400, 300), 700.0f / 300);
  EXPECT_FLOAT_EQ(ClampZoom(0.4f, 400, 300), 0.4f);
}

}  // namespace

namespace {

class TSunForm : public TMainForm {
public:
  using TMainForm::TMainForm;
  std::vector<TAffineVector> Directions;

protected:
  void SetSunDirection(const TAffineVector& D) override { Directions.push_back(D); }
};

TEST(Sun, TheTimerSetsTheLightAndThenTicksOnceAMinute) {
  TSunForm form(nullptr);
  EXPECT_EQ(form.Timer1->Interval(), 500u);
  auto utcDay = [] {   // the fraction of the UTC day gone
    SYSTEMTIME t;
    GetSystemTime(&t);
    return (t.wHour * 3600 + t.wMinute * 60 + t.wSecond + t.wMilliseconds / 1000.0) / 86400;
  };
  double before = utcDay();
  form.timUpdateSunTimer(form.Timer1);
  double after = utcDay();
  if (after < before) after += 1;   // midnight passed
  ASSERT_EQ(form.Directions.size(), 1u);
  EXPECT_EQ(form.Timer1->Interval(), 60000u);
  const TAffineVector& v = form.Directions[0];
  // The sun over the meridian of the UTC time of the tick (noon: -z, six
  // in the morning: -x), at the declination of today's date.
  const double pi = 3.14159265358979;
  const double expected = (before + after) / 2 * 2 * pi + pi / 2;
  const double off = std::remainder(std::atan2(v[2], v[0]) - expected, 2 * pi);
  EXPECT_LT(std::fabs(off), (after - before) * pi + 1e-3) << "the sun stands at another hour";
  SYSTEMTIME local;
  GetLocalTime(&local);
  static const int daysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const int y = local.wYear;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  const int dayOfYear = daysBefore[local.wMonth - 1] + local.wDay + (leap && local.wMonth > 2 ? 1 : 0);
  EXPECT_NEAR(v[1], std::sin(SunDeclination(dayOfYear) * pi / 180), 1e-5) << "day " << dayOfYear;
}

TEST(Desktop, DesktopIconsAreTheFirstChildOfTheProgManWindow) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "ProgMan";
  RegisterClassA(&wc);
  HWND progMan = CreateWindowA("ProgMan", "Program Manager", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                               nullptr, nullptr, wc.hInstance, nullptr);
  HWND icons = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, progMan, nullptr,
                             wc.hInstance, nullptr);
  ASSERT_EQ(FindWindowA("ProgMan", nullptr), progMan);
  ShowDesktopIcons(false);
  EXPECT_FALSE(IsWindowVisible(icons));
  ShowDesktopIcons(true);
  EXPECT_TRUE(IsWindowVisible(icons));
  DestroyWindow(progMan);
  ShowDesktopIcons(false);   // no desktop window: nothing to do
}

}  // namespace
