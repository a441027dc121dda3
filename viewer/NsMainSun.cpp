// The sunlight: the light's direction from the UTC time of day and the
// season, set half a second after start and then once a minute.
#include <cmath>

#include "viewer/NsMain.h"

namespace {
// Days since 1 January 1970 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t Y, unsigned M, unsigned D) {
  Y -= M <= 2;
  const int64_t era = (Y >= 0 ? Y : Y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(Y - era * 400);
  const unsigned doy = (153 * (M + (M > 2 ? -3 : 9)) + 2) / 5 + D - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

int DayOfYear(const SYSTEMTIME& T) {
  return static_cast<int>(DaysFromCivil(T.wYear, T.wMonth, T.wDay) - DaysFromCivil(T.wYear, 1, 1)) + 1;
}
}  // namespace

double SystemTimeToDateTime(const SYSTEMTIME& T) {
  const int64_t days = DaysFromCivil(T.wYear, T.wMonth, T.wDay) - DaysFromCivil(1899, 12, 30);
  const double seconds = T.wHour * 3600.0 + T.wMinute * 60.0 + T.wSecond + T.wMilliseconds / 1000.0;
  return static_cast<double>(days) + seconds / 86400.0;
}

double UtcFromLocal(double LocalNow, const TIME_ZONE_INFORMATION& Tz, DWORD Zone) {
  if (Zone == TIME_ZONE_ID_INVALID) return LocalNow;   // nothing known: local time stands
  LONG bias = Tz.Bias;
  if (Zone == TIME_ZONE_ID_DAYLIGHT) bias += Tz.DaylightBias;
  else if (Zone == TIME_ZONE_ID_STANDARD) bias += Tz.StandardBias;
  return LocalNow + bias / (60.0 * 24.0);
}

float SunDeclination(int DayOfYear) {
  int d = DayOfYear + 10;
  if (d > 365) d -= 365;
  double delta = d <= 183 ? d * 257 / 1000.0 - 23.5 : 23.5 - (d - 183) * 257 / 1000.0;
  if (delta > 23.5) delta = 23.5 - (delta - 23.5);
  return static_cast<float>(delta);
}

TAffineVector SunDirection(double T, int DayOfYear) {
  const float pi = 3.14159265358979f;
  const float theta = static_cast<float>(T - std::floor(T)) * 2 * pi + pi / 2;
  return {std::cos(theta), std::sin(DegToRad(SunDeclination(DayOfYear))), std::sin(theta)};
}

void TMainForm::timUpdateSunTimer(TObject*) {
  SunPosition(GMTNow());
  if (Timer1->Interval() <= 1000) Timer1->SetInterval(60000);
}

double TMainForm::GMTNow() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  TIME_ZONE_INFORMATION tz{};
  const DWORD zone = GetTimeZoneInformation(&tz);
  return UtcFromLocal(SystemTimeToDateTime(local), tz, zone);
}

void TMainForm::SunPosition(double T) {
  SYSTEMTIME local;
  GetLocalTime(&local);
  SetSunDirection(SunDirection(T, DayOfYear(local)));
}
