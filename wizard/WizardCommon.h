// Drawing routines of the wizard control: etched frames and aligned pictures.
#pragma once
#include "classlib/Graphics.h"

enum class TKImageAlignment { iaLeft, iaRight, iaCenter, iaStretch };
using TKImageLeftRight = TKImageAlignment;   // iaLeft..iaRight
enum class TKImageLayout { ilTop, ilBottom, ilCenter, ilStretch };

// Frame sides of DrawFrameSides.
constexpr int sdLeft = 1, sdTop = 2, sdRight = 4, sdBottom = 8, sdAll = 15;

// Draws a frame of Style (0 and 1 nothing, 2 a plain frame, 3 to 5 an etched
// double line) on the chosen Sides of Rect; InnerRect is the rectangle
// inside it.
void DrawFrameSides(TCanvas* Canvas, const TRect& Rect, int Style, TRect& InnerRect, int Sides);
// Draws Graphic into Rect: stretched with iaStretch or ilStretch, else at
// its own size, placed by Alignment and Layout. Nothing without a graphic.
void DrawAlignedGraphic(TCanvas* Canvas, TGraphic* Graphic, TRect Rect, TKImageLayout Layout,
                        TKImageAlignment Alignment);
