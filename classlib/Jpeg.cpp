#include "classlib/Jpeg.h"

#include <cstring>

#include "classlib/UnitInit.h"

namespace {
TUnitCounter UnitCounter;
}

IMPLEMENT_CLASSINFO(TJPEGImage, TGraphic)

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

int TJPEGImage::Width() const { return FBitmap ? FBitmap->Width() : 0; }
int TJPEGImage::Height() const { return FBitmap ? FBitmap->Height() : 0; }

void TJPEGImage::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }
void TJPEGImage::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }

void TJPEGImage::SetCompressionQuality(int Value) {
  Value = Value < 1 ? 1 : Value > 100 ? 100 : Value;
  if (Value == FQuality) return;
  FQuality = Value;
  if (FBitmap) FData.clear();   // compressed again with the new quality
}

void TJPEGImage::LoadFromStream(TStream& Stream) {
  const int64_t available = Stream.Size() - Stream.Position();
  std::string data(static_cast<size_t>(available > 0 ? available : 0), '\0');
  if (!data.empty()) Stream.ReadBuffer(data.data(), static_cast<int64_t>(data.size()));
  const TDibImage image = DecodeJpeg(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(TPixelFormat::pf24bit);
  b->SetSize(image.Width, image.Height);
  for (int y = 0; y < image.Height; ++y) std::memcpy(b->ScanLine(y), image.Row(y), image.Stride);
  FBitmap = std::move(b);
  FData = std::move(data);
  Changed();
}

void TJPEGImage::Compress() {
  if (!FBitmap || !FData.empty()) return;
  TDibImage image;
  image.Allocate(FBitmap->Width(), FBitmap->Height(), 24);
  for (int y = 0; y < image.Height; ++y) std::memcpy(image.Row(y), FBitmap->ScanLine(y), image.Stride);
  FData = EncodeJpeg(image, FQuality);
}

void TJPEGImage::SaveToStream(TStream& Stream) {
  Compress();
  if (!FData.empty()) Stream.WriteBuffer(FData.data(), static_cast<int64_t>(FData.size()));
}

void TJPEGImage::Assign(TPersistent* Source) {
  if (!Source) {
    FBitmap.reset();
    FData.clear();
    Changed();
    return;
  }
  if (auto* j = dynamic_cast<TJPEGImage*>(Source)) {
    if (j == this) return;
    FBitmap.reset();
    if (j->FBitmap) {
      FBitmap = std::make_unique<TBitmap>();
      FBitmap->Assign(j->FBitmap.get());
    }
    FData = j->FData;
    FQuality = j->FQuality;
    Changed();
    return;
  }
  if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    if (b->Empty()) {
      Assign(nullptr);
      return;
    }
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(b);
    copy->SetPixelFormat(TPixelFormat::pf24bit);
    FBitmap = std::move(copy);
    FData.clear();
    Changed();
    return;
  }
  if (auto* p = dynamic_cast<TPicture*>(Source)) {
    Assign(p->Graphic());
    return;
  }
  TGraphic::Assign(Source);
}

void TJPEGImage::AssignTo(TPersistent* Dest) {
  if (auto* b = dynamic_cast<TBitmap*>(Dest)) {
    b->Assign(FBitmap.get());
    return;
  }
  TGraphic::AssignTo(Dest);
}

void TJPEGImage::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (FBitmap) ACanvas->StretchDraw(Rect, FBitmap.get());
}

void Jpeg_Initialize() {
  if (!UnitCounter.Enter()) return;
  TPicture::RegisterFileFormat<TJPEGImage>("jpg", "JPEG Image File");
  TPicture::RegisterFileFormat<TJPEGImage>("jpeg", "JPEG Image File");
}

void Jpeg_Finalize() {
  if (!UnitCounter.Leave()) return;
  TPicture::UnregisterGraphicClass(TJPEGImage::StaticClass());
}
