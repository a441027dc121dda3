#include <gtest/gtest.h>

#include "classlib/Jpeg.h"
#include "scene3d/GLCrossPlatform.h"
#include "scene3d/PictureRegisteredFormats.h"

TEST(CrossPlatform, ColoursAndSystemColours) {
  EXPECT_EQ(RGBColor(255, 0, 0), 255u);
  EXPECT_EQ(RGBColor(0, 0, 255), 16711680u);
  EXPECT_EQ(RGBColor(0x1FF, -1, 0x100), 0x00FFFFu) << "the low byte of each";
  EXPECT_EQ(GetGreenValue(0x00FF8000), 0x80);
  InitWinColors();
  const COLORREF w = GetSysColor(COLOR_WINDOW), t = GetSysColor(COLOR_INFOBK);
  EXPECT_EQ(clrWindow, (TVector{GetRValue(w) / 255.0f, GetGValue(w) / 255.0f, GetBValue(w) / 255.0f, 1.0f}));
  EXPECT_EQ(clrInfoBk, (TVector{GetRValue(t) / 255.0f, GetGValue(t) / 255.0f, GetBValue(t) / 255.0f, 1.0f}));
  EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ColorToRGB(0x123456), 0x123456u);
}

TEST(CrossPlatform, PlatformServices) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  try {
    RaiseLastOSError();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message, "OS Error : " + SysErrorMessage(ERROR_FILE_NOT_FOUND));
  }
  const TGLDeviceCapabilities caps = GetDeviceCapabilities();
  EXPECT_TRUE(caps.Depth == 24 || caps.Depth == 32) << caps.Depth;
  EXPECT_EQ(GetCurrentColorDepth(), caps.Depth);
  EXPECT_GT(caps.Xdpi, 0);
  int64_t f = 0, a = 0, b = 0;
  EXPECT_TRUE(QueryPerformanceFrequency(f));
  EXPECT_GT(f, 0);
  QueryPerformanceCounter(a);
  Sleep(2);
  QueryPerformanceCounter(b);
  EXPECT_GT(b, a);
  TBitmap bm;
  bm.SetPixelFormat(TPixelFormat::pf32bit);
  bm.SetSize(2, 2);
  bm.Canvas()->Brush()->SetColor(clBlack);
  bm.Canvas()->FillRect(Rect(0, 0, 2, 2));
  static_cast<uint32_t*>(GetScanLine(&bm, 1))[1] = 0x00FF8000;   // blue, green, red, unused
  EXPECT_EQ(bm.Canvas()->Pixels(1, 1), TColor(0x0080FF)) << "the second row from the top, second pixel";
  EXPECT_EQ(bm.Canvas()->Pixels(1, 0), TColor(0));
  EXPECT_EQ(bm.Canvas()->Pixels(0, 1), TColor(0));
}

TEST(CrossPlatform, GraphicClassForExtension) {
  Jpeg_Initialize();
  TStringList formats;
  GetRegisteredPictureFormats(formats);
  EXPECT_EQ(formats.Text(), "bmp=Bitmaps\r\njpg=JPEG Image File\r\njpeg=JPEG Image File\r\n");
  EXPECT_EQ(RegisteredPictureClass(formats.Objects(0)), TBitmap::StaticClass());
  EXPECT_EQ(RegisteredPictureClass(formats.Objects(1)), TJPEGImage::StaticClass());
  EXPECT_EQ(RegisteredPictureClass(formats.Objects(2)), TJPEGImage::StaticClass());
  EXPECT_EQ(RegisteredPictureClass(&formats), nullptr);
  EXPECT_EQ(GraphicClassForExtension(".JPG"), TJPEGImage::StaticClass());
  EXPECT_EQ(GraphicClassForExtension("jpg"), TJPEGImage::StaticClass());
  EXPECT_EQ(GraphicClassForExtension("Bmp"), TBitmap::StaticClass());
  EXPECT_EQ(GraphicClassForExtension("xyz"), nullptr);
  EXPECT_EQ(GraphicClassForExtension(""), nullptr);
  EXPECT_EQ(GraphicClassForExtension("."), nullptr);
  Jpeg_Finalize();
  EXPECT_EQ(GraphicClassForExtension("jpg"), nullptr);
}
