#include "scene3d/PictureRegisteredFormats.h"

#include <map>
#include <memory>

namespace {
// A picture class as the object of a string-list entry. One per class,
// kept for the program's life, so that lists need not own them.
class TGraphicClassEntry : public TObject {
public:
  explicit TGraphicClassEntry(TGraphicClass AClass) : Class(AClass) {}
  const TGraphicClass Class;
};

TObject* EntryFor(TGraphicClass Class) {
  static std::map<TGraphicClass, std::unique_ptr<TGraphicClassEntry>> entries;
  std::unique_ptr<TGraphicClassEntry>& e = entries[Class];
  if (!e) e = std::make_unique<TGraphicClassEntry>(Class);
  return e.get();
}
}  // namespace

void GetRegisteredPictureFormats(TStrings& List) {
  for (const TPicture::TFileFormat& f : TPicture::FileFormats())
    List.AddObject(f.Extension + "=" + f.Description, EntryFor(f.GraphicClass));
}

TGraphicClass RegisteredPictureClass(const TObject* Entry) {
  const auto* e = dynamic_cast<const TGraphicClassEntry*>(Entry);
  return e ? e->Class : nullptr;
}

TGraphicClass GraphicClassForExtension(const std::string& Extension) {
  if (Extension.empty()) return nullptr;
  const std::string ext = Extension[0] == '.' ? Extension.substr(1) : Extension;
  TStringList formats;
  GetRegisteredPictureFormats(formats);
  const int i = formats.IndexOfName(ext);
  return i < 0 ? nullptr : RegisteredPictureClass(formats.Objects(i));
}
