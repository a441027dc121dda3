#include "scene3d/PictureRegisteredFormats.h"

void GetRegisteredPictureFormats(TStrings& List) {
  for (const TPicture::TFileFormat& f : TPicture::FileFormats()) List.Add(f.Extension + "=" + f.Description);
}

TGraphicClass GraphicClassForExtension(const std::string& Extension) {
  if (Extension.empty()) return nullptr;
  const std::string ext = Extension[0] == '.' ? Extension.substr(1) : Extension;
  TStringList formats;
  GetRegisteredPictureFormats(formats);
  const int i = formats.IndexOfName(ext);
  return i < 0 ? nullptr : TPicture::FileFormats()[static_cast<size_t>(i)].GraphicClass;
}
