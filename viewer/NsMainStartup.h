// What the main window makes when it is created: fonts, pictures and the
// measures of the popup table.
#pragma once

#include <cstdint>
#include <memory>
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
