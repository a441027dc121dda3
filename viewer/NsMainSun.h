// The sun: where its light comes from at a time of day and year.
#pragma once

#include <windows.h>

#include "scene3d/Base/VectorGeometry.h"

// UTC from local time by the time zone: the bias, plus the daylight bias in
// daylight time (Zone 2) or the standard bias in standard time (Zone 1);
// the bias alone when the zone is unknown (0), none when the call failed.
double UtcFromLocal(double LocalNow, const TIME_ZONE_INFORMATION& Tz, DWORD Zone);
// The sun's declination (degrees) on a day of the year (1..366).
float SunDeclination(int DayOfYear);
// The direction of the sunlight at UTC date-time T on a day of the year.
TAffineVector SunDirection(double T, int DayOfYear);
