#include "classlib/PictureCodecs.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

void TDibImage::Allocate(int AWidth, int AHeight, int ABitCount) {
  Width = AWidth;
  Height = AHeight;
  BitCount = ABitCount;
  Stride = StrideOf(AWidth, ABitCount);
  Pixels.assign(Stride * static_cast<size_t>(AHeight), 0);
  Palette.assign(ABitCount <= 8 ? size_t(1) << ABitCount : 0, 0);
}

// ---- Bitmap files ---------------------------------------------------------------

namespace {
[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

uint16_t Word(const uint8_t* P) { return static_cast<uint16_t>(P[0] | P[1] << 8); }
uint32_t Dword(const uint8_t* P) {
  return uint32_t(P[0]) | uint32_t(P[1]) << 8 | uint32_t(P[2]) << 16 | uint32_t(P[3]) << 24;
}
void PutWord(std::string& S, uint16_t V) {
  S.push_back(static_cast<char>(V & 0xFF));
  S.push_back(static_cast<char>(V >> 8));
}
void PutDword(std::string& S, uint32_t V) {
  PutWord(S, static_cast<uint16_t>(V & 0xFFFF));
  PutWord(S, static_cast<uint16_t>(V >> 16));
}

constexpr uint32_t BiRgb = 0, BiBitFields = 3;

// One colour channel of a bit-field pixel, scaled to 8 bits.
struct TChannel {
  uint32_t Mask = 0;
  int Shift = 0;
  uint64_t Max = 0;
  explicit TChannel(uint32_t AMask) : Mask(AMask) {
    if (!Mask) return;
    while (!((Mask >> Shift) & 1)) ++Shift;
    int bits = 0;
    for (uint32_t m = Mask >> Shift; m; m >>= 1) bits += m & 1;
    Max = (uint64_t(1) << bits) - 1;
  }
  uint8_t Of(uint32_t Pixel) const {
    if (!Mask) return 0;
    const uint64_t v = ((Pixel & Mask) >> Shift) * 255 / Max;
    return static_cast<uint8_t>(v > 255 ? 255 : v);
  }
};
}  // namespace

TDibImage ReadBitmapFile(const uint8_t* Data, size_t Size, size_t& Used) {
  // file header
  if (Size < 14 + 12 || Data[0] != 'B' || Data[1] != 'M') InvalidBitmap();
  const uint32_t fileSize = Dword(Data + 2);
  const uint32_t offBits = Dword(Data + 10);
  if (fileSize < 14 + 12 || fileSize > Size) InvalidBitmap();
  const uint8_t* h = Data + 14;
  const uint32_t headerSize = Dword(h);
  if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
      headerSize != 124)
    InvalidBitmap();
  if (14 + uint64_t(headerSize) > fileSize) InvalidBitmap();

  // info header
  int64_t width, height;
  uint32_t planes, bitCount, compression = BiRgb, colorsUsed = 0;
  size_t paletteEntry = 4;
  if (headerSize == 12) {
    width = Word(h + 4);
    height = Word(h + 6);
    planes = Word(h + 8);
    bitCount = Word(h + 10);
    paletteEntry = 3;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) InvalidBitmap();
  } else {
    width = static_cast<int32_t>(Dword(h + 4));
    height = static_cast<int32_t>(Dword(h + 8));
    planes = Word(h + 12);
    bitCount = Word(h + 14);
    compression = Dword(h + 16);
    colorsUsed = Dword(h + 32);
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
      InvalidBitmap();
    if (compression != BiRgb && !(compression == BiBitFields && (bitCount == 16 || bitCount == 32)))
      InvalidBitmap();
  }
  const bool bottomUp = height > 0;
  if (height < 0) height = -height;
  if (planes != 1 || width <= 0 || height <= 0 || width > MaxPictureSide || height > MaxPictureSide)
    InvalidBitmap();

  // bit-field masks: after a 3.x header, inside the later ones
  uint64_t pos = 14 + uint64_t(headerSize);
  uint32_t masks[4] = {0, 0, 0, 0};
  if (compression == BiBitFields) {
    if (headerSize == 40) {
      if (pos + 12 > fileSize) InvalidBitmap();
      for (int i = 0; i < 3; ++i) masks[i] = Dword(Data + pos + 4 * i);
      pos += 12;
    } else {
      for (int i = 0; i < 3; ++i) masks[i] = Dword(h + 40 + 4 * i);
      if (headerSize >= 56) masks[3] = Dword(h + 52);
    }
  }

  // palette
  uint64_t colors = 0;
  if (bitCount <= 8) {
    colors = colorsUsed ? colorsUsed : uint64_t(1) << bitCount;
    if (colors > (uint64_t(1) << bitCount)) InvalidBitmap();
  }
  const uint64_t paletteEnd = pos + colors * paletteEntry;
  if (offBits < paletteEnd || offBits > fileSize) InvalidBitmap();

  // rows
  const size_t stride = TDibImage::StrideOf(static_cast<int>(width), static_cast<int>(bitCount));
  if (uint64_t(stride) * uint64_t(height) > fileSize - offBits) InvalidBitmap();

  const bool standard32 = masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;
  const bool is565 = masks[0] == 0xF800 && masks[1] == 0x7E0 && masks[2] == 0x1F;
  const bool is555 = masks[0] == 0x7C00 && masks[1] == 0x3E0 && masks[2] == 0x1F;
  const bool convert =
      compression == BiBitFields && !(bitCount == 32 && standard32) && !(bitCount == 16 && (is565 || is555));

  TDibImage r;
  r.Allocate(static_cast<int>(width), static_cast<int>(height), convert ? 32 : static_cast<int>(bitCount));
  r.Rgb565 = compression == BiBitFields && bitCount == 16 && is565;
  for (uint64_t i = 0; i < colors; ++i) {
    const uint8_t* e = Data + pos + i * paletteEntry;
    r.Palette[i] = uint32_t(e[0]) | uint32_t(e[1]) << 8 | uint32_t(e[2]) << 16;
  }
  const TChannel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
  for (int y = 0; y < r.Height; ++y) {
    const uint8_t* src = Data + offBits + stride * static_cast<size_t>(bottomUp ? r.Height - 1 - y : y);
    uint8_t* dst = r.Row(y);
    if (!convert) {
      std::memcpy(dst, src, stride);
      continue;
    }
    for (int x = 0; x < r.Width; ++x, dst += 4) {
      const uint32_t p = bitCount == 16 ? Word(src + 2 * x) : Dword(src + 4 * x);
      dst[0] = blue.Of(p);
      dst[1] = green.Of(p);
      dst[2] = red.Of(p);
      dst[3] = alpha.Of(p);
    }
  }
  Used = fileSize;
  return r;
}

std::string WriteBitmapFile(const TDibImage& Image) {
  const uint32_t colors = Image.BitCount <= 8 ? uint32_t(1) << Image.BitCount : 0;
  const uint32_t offBits = 14 + 40 + (Image.Rgb565 ? 12 : 0) + colors * 4;
  const uint64_t fileSize = offBits + uint64_t(Image.Stride) * static_cast<uint64_t>(Image.Height);
  if (fileSize > 0xFFFFFFFFu) throw EInvalidGraphic("Bitmap image is too large");
  std::string s;
  s.reserve(static_cast<size_t>(fileSize));
  s += "BM";
  PutDword(s, static_cast<uint32_t>(fileSize));
  PutDword(s, 0);
  PutDword(s, offBits);
  PutDword(s, 40);
  PutDword(s, static_cast<uint32_t>(Image.Width));
  PutDword(s, static_cast<uint32_t>(Image.Height));   // bottom-up
  PutWord(s, 1);
  PutWord(s, static_cast<uint16_t>(Image.BitCount));
  PutDword(s, Image.Rgb565 ? BiBitFields : BiRgb);
  PutDword(s, static_cast<uint32_t>(fileSize - offBits));
  PutDword(s, 3780);   // 96 pixels per inch
  PutDword(s, 3780);
  PutDword(s, colors);
  PutDword(s, 0);
  if (Image.Rgb565) {
    PutDword(s, 0xF800);
    PutDword(s, 0x7E0);
    PutDword(s, 0x1F);
  }
  for (uint32_t i = 0; i < colors; ++i) PutDword(s, i < Image.Palette.size() ? Image.Palette[i] & 0xFFFFFF : 0);
  for (int y = Image.Height - 1; y >= 0; --y)
    s.append(reinterpret_cast<const char*>(Image.Row(y)), Image.Stride);
  return s;
}

// ---- JPEG -------------------------------------------------------------------------
// libjpeg leaves through its error handler with longjmp. The functions that
// hold a setjmp point keep only plain C data in their frames, and no C++
// object lives in a frame that a longjmp skips; the pixel buffers belong to
// the callers, which turn a failure into EJPEG.

namespace {
struct TJpegError {
  jpeg_error_mgr Mgr;   // first: libjpeg sees only this
  jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
  int Code;
};

void JpegErrorExit(j_common_ptr Info) {
  auto* e = reinterpret_cast<TJpegError*>(Info->err);
  e->Code = Info->err->msg_code;
  Info->err->format_message(Info, e->Message);
  std::longjmp(e->Jump, 1);
}

// Warnings mean corrupt or truncated data (libjpeg would go on with made-up
// pixels): they end the work as errors do. Trace messages are dropped.
void JpegEmitMessage(j_common_ptr Info, int Level) {
  if (Level < 0) JpegErrorExit(Info);
}

void JpegOutputMessage(j_common_ptr) {}

void InitError(TJpegError& E) {
  jpeg_std_error(&E.Mgr);
  E.Mgr.error_exit = JpegErrorExit;
  E.Mgr.emit_message = JpegEmitMessage;
  E.Mgr.output_message = JpegOutputMessage;
  E.Message[0] = 0;
  E.Code = 0;
}

// Source: the whole file in memory; running out is a premature end.
struct TJpegSource {
  jpeg_source_mgr Mgr;
};
void SrcInit(j_decompress_ptr) {}
boolean SrcFill(j_decompress_ptr Info) {
  static const JOCTET eoi[2] = {0xFF, JPEG_EOI};
  WARNMS(Info, JWRN_JPEG_EOF);   // raises through JpegEmitMessage
  Info->src->next_input_byte = eoi;
  Info->src->bytes_in_buffer = 2;
  return TRUE;
}
void SrcSkip(j_decompress_ptr Info, long Count) {
  if (Count <= 0) return;
  while (static_cast<size_t>(Count) > Info->src->bytes_in_buffer) {
    Count -= static_cast<long>(Info->src->bytes_in_buffer);
    Info->src->fill_input_buffer(Info);
  }
  Info->src->next_input_byte += Count;
  Info->src->bytes_in_buffer -= static_cast<size_t>(Count);
}
void SrcTerm(j_decompress_ptr) {}

// Destination: a malloc'ed buffer that doubles when full.
struct TJpegDest {
  jpeg_destination_mgr Mgr;
  JOCTET* Buffer;
  size_t Capacity;
};
void DestInit(j_compress_ptr Info) {
  auto* d = reinterpret_cast<TJpegDest*>(Info->dest);
  d->Mgr.next_output_byte = d->Buffer;
  d->Mgr.free_in_buffer = d->Capacity;
}
boolean DestEmpty(j_compress_ptr Info) {
  auto* d = reinterpret_cast<TJpegDest*>(Info->dest);
  auto* grown = static_cast<JOCTET*>(std::realloc(d->Buffer, d->Capacity * 2));
  if (!grown) ERREXIT1(Info, JERR_OUT_OF_MEMORY, 0);
  d->Buffer = grown;
  d->Mgr.next_output_byte = grown + d->Capacity;
  d->Mgr.free_in_buffer = d->Capacity;
  d->Capacity *= 2;
  return TRUE;
}
void DestTerm(j_compress_ptr) {}

// What the setjmp functions share with their callers: plain data only.
struct TJpegJob {
  TJpegError Error;
  const uint8_t* Data;
  size_t Size;
  int Width, Height;
  int Quality;
  uint8_t* Pixels;   // 24-bit rows, owned by the caller
  size_t Stride;
  JSAMPLE* RowBuffer;   // one RGB row for the encoder, owned by the caller
  JOCTET* Output;       // malloc'ed by the encoder, freed by the caller
  size_t OutputSize;
};

// Reads the header; false with the error in Job when libjpeg fails.
bool JpegReadHeader(jpeg_decompress_struct& Info, TJpegSource& Src, TJpegJob& Job) {
  Info.err = &Job.Error.Mgr;
  if (setjmp(Job.Error.Jump)) return false;
  jpeg_create_decompress(&Info);
  Src.Mgr.init_source = SrcInit;
  Src.Mgr.fill_input_buffer = SrcFill;
  Src.Mgr.skip_input_data = SrcSkip;
  Src.Mgr.resync_to_restart = jpeg_resync_to_restart;
  Src.Mgr.term_source = SrcTerm;
  Src.Mgr.next_input_byte = Job.Data;
  Src.Mgr.bytes_in_buffer = Job.Size;
  Info.src = &Src.Mgr;
  jpeg_read_header(&Info, TRUE);
  Job.Width = static_cast<int>(Info.image_width);
  Job.Height = static_cast<int>(Info.image_height);
  return true;
}

// Decodes into Job.Pixels, which the caller sized from the header.
bool JpegReadPixels(jpeg_decompress_struct& Info, TJpegJob& Job) {
  if (setjmp(Job.Error.Jump)) return false;
  Info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&Info);
  if (static_cast<int>(Info.output_width) != Job.Width || static_cast<int>(Info.output_height) != Job.Height ||
      Info.output_components != 3)
    ERREXIT(&Info, JERR_BAD_DCTSIZE);
  while (Info.output_scanline < Info.output_height) {
    JSAMPROW row = Job.Pixels + Job.Stride * Info.output_scanline;
    jpeg_read_scanlines(&Info, &row, 1);
  }
  jpeg_finish_decompress(&Info);
  return true;
}

bool JpegWrite(jpeg_compress_struct& Info, TJpegDest& Dest, TJpegJob& Job) {
  Info.err = &Job.Error.Mgr;
  if (setjmp(Job.Error.Jump)) return false;
  jpeg_create_compress(&Info);
  Dest.Capacity = 65536;
  Dest.Buffer = static_cast<JOCTET*>(std::malloc(Dest.Capacity));
  if (!Dest.Buffer) ERREXIT1(&Info, JERR_OUT_OF_MEMORY, 0);
  Dest.Mgr.init_destination = DestInit;
  Dest.Mgr.empty_output_buffer = DestEmpty;
  Dest.Mgr.term_destination = DestTerm;
  Info.dest = &Dest.Mgr;
  Info.image_width = static_cast<JDIMENSION>(Job.Width);
  Info.image_height = static_cast<JDIMENSION>(Job.Height);
  Info.input_components = 3;
  Info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&Info);
  jpeg_set_quality(&Info, Job.Quality, TRUE);
  jpeg_start_compress(&Info, TRUE);
  while (Info.next_scanline < Info.image_height) {
    const uint8_t* bgr = Job.Pixels + Job.Stride * Info.next_scanline;
    for (int x = 0; x < Job.Width; ++x) {
      Job.RowBuffer[3 * x] = bgr[3 * x + 2];
      Job.RowBuffer[3 * x + 1] = bgr[3 * x + 1];
      Job.RowBuffer[3 * x + 2] = bgr[3 * x];
    }
    JSAMPROW row = Job.RowBuffer;
    jpeg_write_scanlines(&Info, &row, 1);
  }
  jpeg_finish_compress(&Info);
  Job.OutputSize = Dest.Capacity - Dest.Mgr.free_in_buffer;
  return true;
}

[[noreturn]] void RaiseJpeg(const TJpegJob& Job) {
  throw EJPEG(Format("JPEG error #%d: %s", Job.Error.Code, Job.Error.Message));
}
}  // namespace

TDibImage DecodeJpeg(const uint8_t* Data, size_t Size) {
  TJpegJob job{};
  InitError(job.Error);
  job.Data = Data;
  job.Size = Size;
  jpeg_decompress_struct info{};
  TJpegSource src{};
  if (!JpegReadHeader(info, src, job)) {
    jpeg_destroy_decompress(&info);
    RaiseJpeg(job);
  }
  if (job.Width <= 0 || job.Height <= 0) {
    jpeg_destroy_decompress(&info);
    throw EJPEG("JPEG error: the data holds no image");
  }
  if (job.Width > MaxPictureSide || job.Height > MaxPictureSide ||
      int64_t(job.Width) * job.Height > MaxPicturePixels) {
    jpeg_destroy_decompress(&info);
    throw EJPEG(Format("JPEG image of %d x %d pixels is too large", job.Width, job.Height));
  }
  TDibImage r;
  try {
    r.Allocate(job.Width, job.Height, 24);
  } catch (...) {
    jpeg_destroy_decompress(&info);
    throw;
  }
  job.Pixels = r.Pixels.data();
  job.Stride = r.Stride;
  const bool ok = JpegReadPixels(info, job);
  jpeg_destroy_decompress(&info);
  if (!ok) RaiseJpeg(job);
  for (int y = 0; y < r.Height; ++y) {   // RGB to the bitmap's B, G, R
    uint8_t* p = r.Row(y);
    for (int x = 0; x < r.Width; ++x, p += 3) std::swap(p[0], p[2]);
  }
  return r;
}

std::string EncodeJpeg(const TDibImage& Image, int Quality) {
  if (Image.BitCount != 24 || Image.Width <= 0 || Image.Height <= 0)
    throw EJPEG("JPEG error: only a 24-bit picture can be compressed");
  TJpegJob job{};
  InitError(job.Error);
  job.Width = Image.Width;
  job.Height = Image.Height;
  job.Quality = Quality < 1 ? 1 : Quality > 100 ? 100 : Quality;
  job.Pixels = const_cast<uint8_t*>(Image.Pixels.data());
  job.Stride = Image.Stride;
  std::vector<JSAMPLE> row(static_cast<size_t>(Image.Width) * 3);
  job.RowBuffer = row.data();
  jpeg_compress_struct info{};
  TJpegDest dest{};
  const bool ok = JpegWrite(info, dest, job);
  jpeg_destroy_compress(&info);
  std::string out;
  if (ok) {
    try {
      out.assign(reinterpret_cast<const char*>(dest.Buffer), job.OutputSize);
    } catch (...) {
      std::free(dest.Buffer);
      throw;
    }
  }
  std::free(dest.Buffer);
  if (!ok) RaiseJpeg(job);
  return out;
}
