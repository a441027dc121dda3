// The sunlight: the light's direction from the UTC time of day and the
// season, set half a second after start and then once a minute.
#include <cmath>

#include "viewer/NsMain.h"
#include "viewer/NsMainSun.h"

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
  TIME_ZONE_INFORMATION tz{};
  const DWORD zone = GetTimeZoneInformation(&tz);
  return UtcFromLocal(Now(), tz, zone);
}

void TMainForm::SunPosition(double T) {
  const TDateTime today = Now();
  int year, month, day;
  DecodeDate(today, year, month, day);
  const int dayOfYear = static_cast<int>(std::floor(today) - EncodeDate(year, 1, 1)) + 1;
  SetSunDirection(SunDirection(T, dayOfYear));
}
