// JPEG pictures over libjpeg: a graphic that decodes to a 24-bit bitmap when
// loaded and compresses its bitmap with CompressionQuality when saved.
// Jpeg_Initialize registers "jpg" and "jpeg" with TPicture.
#pragma once
#include <memory>
#include <string>

#include "classlib/Graphics.h"

class TJPEGImage : public TGraphic {
  DECLARE_CLASSINFO(TJPEGImage)
public:
  TJPEGImage();
  ~TJPEGImage() override;
  bool Empty() const override { return !FBitmap; }
  int Width() const override;
  int Height() const override;
  void SetWidth(int Value) override;    // EInvalidGraphicOperation: the size follows the data
  void SetHeight(int Value) override;
  int CompressionQuality() const { return FQuality; }
  void SetCompressionQuality(int Value);   // 1 to 100, 90 at creation
  // The whole rest of the stream is the file; EJPEG for bad data, the
  // picture left as it was.
  void LoadFromStream(TStream& Stream) override;
  // The data as loaded, or the bitmap compressed now.
  void SaveToStream(TStream& Stream) override;
  void Compress();
  // A bitmap (copied, compressed when saved), another JPEG picture, a
  // TPicture holding either, or nil.
  void Assign(TPersistent* Source) override;
  // The decoded picture (24 bits), null when empty.
  TBitmap* Bitmap() const { return FBitmap.get(); }

protected:
  void AssignTo(TPersistent* Dest) override;   // a bitmap gets a 24-bit copy
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;

private:
  std::unique_ptr<TBitmap> FBitmap;
  std::string FData;   // the file, empty until loaded or compressed
  int FQuality = 90;
};

void Jpeg_Initialize();
void Jpeg_Finalize();
