#include "scene3d/Base/ApplicationFileIO.h"

std::unique_ptr<TStream> CreateFileStream(const std::string& FileName, uint32_t Mode) {
  if ((Mode & 0xFF00) != fmCreate && !FileExists(FileName))
    throw Exception("File not found: \"" + FileName + "\"");
  return std::make_unique<TFileStream>(FileName, Mode);
}

bool FileStreamExists(const std::string& FileName) { return FileExists(FileName); }
