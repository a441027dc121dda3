#include "classlib/ImgList.h"

#include <algorithm>

IMPLEMENT_CLASSINFO(TCustomImageList, TComponent)
IMPLEMENT_CLASSINFO(TImageList, TCustomImageList)

TChangeLink::~TChangeLink() {
  if (FSender) FSender->UnRegisterChanges(this);
}

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::~TCustomImageList() {
  for (TChangeLink* l : FLinks) l->FSender = nullptr;
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
  if (Value->FSender == this) return;
  if (Value->FSender) Value->FSender->UnRegisterChanges(Value);
  FLinks.push_back(Value);
  Value->FSender = this;
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
  if (Value->FSender != this) return;
  FLinks.erase(std::find(FLinks.begin(), FLinks.end(), Value));
  Value->FSender = nullptr;
}

HIMAGELIST TCustomImageList::Handle() {
  if (!FHandle) {
    FHandle.Reset(ImageList_Create(FWidth, FHeight, ILC_COLOR32 | ILC_MASK, 4, 4));
    if (!FHandle) throw EOutOfMemory("Failed to create an image list");
  }
  return FHandle.Get();
}

// A handler may register or unregister links meanwhile: the links are
// walked by index over the list as it stands.
void TCustomImageList::Change() {
  if (OnChange) OnChange(this);
  for (size_t i = 0; i < FLinks.size(); ++i)
    if (TChangeLink* l = FLinks[i]; l->OnChange) l->OnChange(this);
}

void TCustomImageList::SetSize(int AWidth, int AHeight) {
  if (AWidth == FWidth && AHeight == FHeight) return;
  FWidth = AWidth;
  FHeight = AHeight;
  FHandle.Reset();
  Change();
}

int TCustomImageList::Count() const { return FHandle ? ImageList_GetImageCount(FHandle.Get()) : 0; }

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
  int i = ImageList_Add(Handle(), Image ? Image->Handle() : nullptr, Mask ? Mask->Handle() : nullptr);
  if (i < 0) throw EInvalidOperation("Failed to add an image");
  Change();
  return i;
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  int i = ImageList_AddMasked(Handle(), Image->Handle(), ColorToRGB(MaskColor));
  if (i < 0) throw EInvalidOperation("Failed to add an image");
  Change();
  return i;
}

int TCustomImageList::AddIcon(TIcon* Image) {
  int i = ImageList_AddIcon(Handle(), Image ? Image->Handle() : nullptr);
  if (i < 0) throw EInvalidOperation("Failed to add an image");
  Change();
  return i;
}

void TCustomImageList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EInvalidOperation("Invalid image list index");
  ImageList_Remove(FHandle.Get(), Index);
  Change();
}

void TCustomImageList::Clear() {
  if (FHandle) ImageList_Remove(FHandle.Get(), -1);
  Change();
}

void TCustomImageList::GetIcon(int Index, TIcon* Image) const {
  if (Index < 0 || Index >= Count()) throw EInvalidOperation("Invalid image list index");
  Image->SetHandle(ImageList_GetIcon(FHandle.Get(), Index, ILD_NORMAL));
}
