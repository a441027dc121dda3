// The file formats of texture images and of the material-library archive
// on plain data, with no OpenGL or platform calls, so that the native
// fuzzers run this very code. Every reader checks counts, sizes and values
// against the data it has and raises a read error on anything inconsistent
// or truncated; nothing is read past the data.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "scene3d/Base/PersistentClasses.h"
#include "scene3d/Base/VectorGeometry.h"

// The description file of a blank or float image: Header ("[BlankImage]"),
// then "Width=" and "Height=" lines.
std::string WriteImageSizeFile(const std::string& Header, int Width, int Height);
// Width and Height from the file's name=value lines: decimal, 0 to 65535
// each, the area within the picture limit; EReadError otherwise.
void ReadImageSizeFile(const std::string& Data, int& Width, int& Height);

// A picture-file image's file: a file shorter than 512 bytes without a zero
// byte names the picture (true, Name its whole content).
bool ReadPictureNameFile(const std::string& Data, std::string& Name);

// A cube-map file: the version word 256, then six complete bitmap files
// (PX, NX, PY, NY, PZ, NZ). Writing takes the six files.
constexpr uint16_t CubeMapFileVersion = 256;
std::string WriteCubeMapFile(const std::array<std::string, 6>& Faces);
// The six bitmap files, each checked; a wrong version word fails the
// assertion of the texture unit, bad faces raise EReadError.
std::array<std::string, 6> ReadCubeMapFile(const std::string& Data);

// One material of the library archive as it is stored.
struct TMaterialArchiveFace {
  TAffineVector Ambient{}, Emission{}, Specular{};
  TVector Diffuse{};
  uint8_t Shininess = 0;
  int32_t PolygonMode = 0;   // 0 fill, 1 lines, 2 points
  bool operator==(const TMaterialArchiveFace&) const = default;
};
struct TMaterialArchiveTexture {
  bool HasImage = false;
  std::string Image;   // a bitmap file
  int32_t TextureIndex = 0;
  TAffineVector Offset{}, Scale{};
  bool operator==(const TMaterialArchiveTexture&) const = default;
};
struct TMaterialArchiveEntry {
  std::string Name;
  bool HasImage = false;
  std::string Image;   // a bitmap file
  TMaterialArchiveFace Front, Back;
  int32_t BlendingMode = 0;   // 0 to 5
  uint8_t MaterialOptions = 0;   // bit 0 ignore fog, bit 1 no lighting
  TAffineVector TextureOffset{}, TextureScale{};
  std::string Texture2Name;
  std::vector<TMaterialArchiveTexture> TextureEx;
  bool operator==(const TMaterialArchiveEntry&) const = default;
};

// Version 2, field by field through Writer.
void WriteMaterialArchive(TVirtualWriter& Writer, const std::vector<TMaterialArchiveEntry>& Materials);
// Versions 0 to 2 (Version receives which): version 0 holds the name, the
// image and the front colours; version 1 everything up to Texture2Name;
// fields a version lacks keep the defaults of a new material. Other
// versions raise the filer's unknown-version error; bad data EReadError.
std::vector<TMaterialArchiveEntry> ReadMaterialArchive(TVirtualReader& Reader, int& Version);
// The values a new library material starts with.
TMaterialArchiveEntry DefaultMaterialArchiveEntry();
