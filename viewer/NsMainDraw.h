// The arcs the drawing pass lays from home.
#pragma once

// The segments of an arc from home: n steps, about one per 4 degrees (half
// to even), the longitude difference taken the short way round.
int ArcSteps(float DLongitude, float DLatitude);
float ShortLongitude(float DLongitude);
