// What the main window makes when it is created: fonts, pictures and the
// measures of the popup table.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Graphics.h"
#include "classlib/WinHandles.h"

struct TViewResources {
  TGdiObject MenuFont;   // the system menu font, for the popup table
  int ColumnWidth1 = 0, ColumnWidth2 = 0, ColumnWidth3 = 0, SpaceWidth = 0, RowHeight = 0;
  std::vector<std::unique_ptr<TBitmap>> HudImages;   // bitmap resources 2..12
  uint8_t OSMajorVersion = 0;
  int PopupYOffset = 0;
};
extern TViewResources& ViewResources;

// The program's folder with its trailing "\\".
std::string ProgramFolder();

// ---- Home location (myloc.txt) ----
struct THomeLocation {
  std::string IP, Label, Coordinates;   // Label "»" + line 1; Coordinates lat code ";" lon code
  float Longitude = 0, Latitude = 0;
};
// Reads a home-location file: address, country and place, the longitude and
// latitude codes ("-" for W or S, the degrees, two digits of hundredths) and
// their further digits (millionths; empty or missing lines count as "0000").
// A value is code / 100 + sign × further digits / 1,000,000, the sign that of
// the code's text. Raises EFOpenError when the file cannot be read and
// EConvertError when a code line is missing or a line is no number.
THomeLocation ReadHomeLocation(const std::string& FileName);

// Makes MenuFont from the system's menu font and returns its size in points.
int SystemMenuFontSize();

// The HUD bar for a viewer of the given size: below 334 pixels it spans the
// viewer less 4 pixels at a tenth of that high, else it is 332 wide at the
// height it has; centred at the bottom, 2 pixels above the edge.
struct THudBarLayout {
  float Width, Height, X, Y;
};
THudBarLayout HudBarLayout(int ViewerWidth, int ViewerHeight, float SpriteHeight);
// The camera's zoom kept within 0.01 .. (viewer width + height) / 300.
float ClampZoom(float NearPlaneBias, int ViewerWidth, int ViewerHeight);
