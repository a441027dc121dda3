#include "scene3d/GLTextureCodecs.h"

#include <cstring>

#include "classlib/PictureCodecs.h"

namespace {
const char* const SourceName = "scene3d\\GLTexture";

[[noreturn]] void Corrupt(const std::string& What) { throw EReadError("Invalid material archive: " + What); }

int SizeValue(const TStringList& Lines, const std::string& Name) {
  int v = 0;
  const std::string text = Trim(Lines.Values(Name));
  if (!TryStrToInt(text, v) || v < 0 || v > MaxPictureSide)
    throw EReadError("Invalid image " + Name + ": \"" + text + "\"");
  return v;
}

// A whole bitmap file that the picture reader accepts.
void CheckBitmapFile(const std::string& Data) {
  size_t used = 0;
  try {
    ReadBitmapFile(reinterpret_cast<const uint8_t*>(Data.data()), Data.size(), used);
  } catch (const EInvalidGraphic& E) {
    Corrupt(E.Message);
  }
}

void WriteSingles(TVirtualWriter& W, const float* Values, int Count) { W.Write(Values, 4 * int64_t(Count)); }
void ReadSingles(TVirtualReader& R, float* Values, int Count) {
  R.CheckAvailable(4 * int64_t(Count));
  R.Read(Values, 4 * int64_t(Count));
}
uint8_t ReadByte(TVirtualReader& R) {
  uint8_t b = 0;
  R.CheckAvailable(1);
  R.Read(&b, 1);
  return b;
}
int32_t ReadRange(TVirtualReader& R, int32_t Low, int32_t High, const char* What) {
  const int32_t v = R.ReadInteger();
  if (v < Low || v > High) Corrupt(std::string(What) + " " + IntToStr(v));
  return v;
}

void WriteImage(TVirtualWriter& W, bool HasImage, const std::string& Image) {
  W.WriteBoolean(HasImage);
  if (HasImage) W.WriteString(Image);
}
void ReadImage(TVirtualReader& R, bool& HasImage, std::string& Image) {
  HasImage = R.ReadBoolean();
  if (!HasImage) return;
  Image = R.ReadString();
  CheckBitmapFile(Image);
}

void WriteFace(TVirtualWriter& W, const TMaterialArchiveFace& F) {
  WriteSingles(W, F.Ambient.data(), 3);
  WriteSingles(W, F.Diffuse.data(), 4);
  WriteSingles(W, F.Emission.data(), 3);
  WriteSingles(W, F.Specular.data(), 3);
  W.Write(&F.Shininess, 1);
  W.WriteInteger(F.PolygonMode);
}
void ReadColours(TVirtualReader& R, TMaterialArchiveFace& F) {
  ReadSingles(R, F.Ambient.data(), 3);
  ReadSingles(R, F.Diffuse.data(), 4);
  ReadSingles(R, F.Emission.data(), 3);
  ReadSingles(R, F.Specular.data(), 3);
}
void ReadFace(TVirtualReader& R, TMaterialArchiveFace& F) {
  ReadColours(R, F);
  F.Shininess = ReadByte(R);
  F.PolygonMode = ReadRange(R, 0, 2, "polygon mode");
}
}  // namespace

std::string WriteImageSizeFile(const std::string& Header, int Width, int Height) {
  return Header + "\r\nWidth=" + IntToStr(Width) + "\r\nHeight=" + IntToStr(Height);
}

void ReadImageSizeFile(const std::string& Data, int& Width, int& Height) {
  TStringList lines;
  lines.SetText(Data);
  const int w = SizeValue(lines, "Width"), h = SizeValue(lines, "Height");
  if (int64_t(w) * h > MaxPicturePixels) throw EReadError("Invalid image size");
  Width = w;
  Height = h;
}

bool ReadPictureNameFile(const std::string& Data, std::string& Name) {
  if (Data.size() >= 512 || Data.find('\0') != std::string::npos) return false;
  Name = Data;
  return true;
}

std::string WriteCubeMapFile(const std::array<std::string, 6>& Faces) {
  std::string r{char(CubeMapFileVersion & 0xFF), char(CubeMapFileVersion >> 8)};
  for (const std::string& f : Faces) r += f;
  return r;
}

std::array<std::string, 6> ReadCubeMapFile(const std::string& Data) {
  const auto* p = reinterpret_cast<const uint8_t*>(Data.data());
  Assert(Data.size() >= 2 && (p[0] | p[1] << 8) == CubeMapFileVersion, "", SourceName, 2896);
  std::array<std::string, 6> faces;
  size_t at = 2;
  for (std::string& face : faces) {
    size_t used = 0;
    try {
      ReadBitmapFile(p + at, Data.size() - at, used);
    } catch (const EInvalidGraphic& E) {
      throw EReadError("Invalid cube map file: " + E.Message);
    }
    face = Data.substr(at, used);
    at += used;
  }
  return faces;
}

TMaterialArchiveEntry DefaultMaterialArchiveEntry() {
  TMaterialArchiveEntry e;
  for (TMaterialArchiveFace* f : {&e.Front, &e.Back}) {
    f->Ambient = {0.2f, 0.2f, 0.2f};
    f->Diffuse = {0.8f, 0.8f, 0.8f, 1.0f};
  }
  e.TextureScale = {1.0f, 1.0f, 1.0f};
  return e;
}

void WriteMaterialArchive(TVirtualWriter& W, const std::vector<TMaterialArchiveEntry>& Materials) {
  W.WriteInteger(2);
  W.WriteInteger(static_cast<int32_t>(Materials.size()));
  for (const TMaterialArchiveEntry& m : Materials) {
    W.WriteString(m.Name);
    WriteImage(W, m.HasImage, m.Image);
    WriteFace(W, m.Front);
    WriteFace(W, m.Back);
    W.WriteInteger(m.BlendingMode);
    W.WriteInteger(1);
    W.Write(&m.MaterialOptions, 1);
    WriteSingles(W, m.TextureOffset.data(), 3);
    WriteSingles(W, m.TextureScale.data(), 3);
    W.WriteString(m.Texture2Name);
    W.WriteInteger(static_cast<int32_t>(m.TextureEx.size()));
    for (const TMaterialArchiveTexture& t : m.TextureEx) {
      WriteImage(W, t.HasImage, t.Image);
      W.WriteInteger(t.TextureIndex);
      WriteSingles(W, t.Offset.data(), 3);
      WriteSingles(W, t.Scale.data(), 3);
    }
  }
}

std::vector<TMaterialArchiveEntry> ReadMaterialArchive(TVirtualReader& R, int& Version) {
  Version = R.ReadInteger();
  if (Version < 0 || Version > 2)
    throw EFilerException("TGLMaterialLibrary : unknown archive version " + IntToStr(Version));
  const int32_t count = R.ReadInteger();
  if (count < 0) Corrupt("material count " + IntToStr(count));
  std::vector<TMaterialArchiveEntry> result;
  for (int32_t i = 0; i < count; ++i) {   // each entry takes bytes: a false count runs out of data
    TMaterialArchiveEntry m = DefaultMaterialArchiveEntry();
    m.Name = R.ReadString();
    ReadImage(R, m.HasImage, m.Image);
    if (Version == 0) {
      ReadColours(R, m.Front);
      result.push_back(std::move(m));
      continue;
    }
    ReadFace(R, m.Front);
    ReadFace(R, m.Back);
    m.BlendingMode = ReadRange(R, 0, 5, "blending mode");
    R.ReadInteger();   // always 1
    m.MaterialOptions = ReadByte(R) & 3;
    ReadSingles(R, m.TextureOffset.data(), 3);
    ReadSingles(R, m.TextureScale.data(), 3);
    m.Texture2Name = R.ReadString();
    if (Version >= 2) {
      const int32_t n = R.ReadInteger();
      if (n < 0) Corrupt("texture count " + IntToStr(n));
      for (int32_t k = 0; k < n; ++k) {
        TMaterialArchiveTexture t;
        ReadImage(R, t.HasImage, t.Image);
        t.TextureIndex = ReadRange(R, 0, 0x7FFFFFFF, "texture index");
        ReadSingles(R, t.Offset.data(), 3);
        ReadSingles(R, t.Scale.data(), 3);
        m.TextureEx.push_back(std::move(t));
      }
    }
    result.push_back(std::move(m));
  }
  return result;
}
