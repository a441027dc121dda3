// Image lists: equal-sized images over a common-controls image list.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "classlib/Classes.h"
#include "classlib/Graphics.h"

struct TImageListTraits {
  static HIMAGELIST Invalid() { return nullptr; }
  static void Close(HIMAGELIST h) { ImageList_Destroy(h); }
};
using TImageListHandle = TOwnedHandle<HIMAGELIST, TImageListTraits>;

class TCustomImageList : public TComponent {
  DECLARE_CLASSINFO(TCustomImageList)
public:
  explicit TCustomImageList(TComponent* AOwner);
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetSize(int AWidth, int AHeight);   // clears the list
  int Count() const;
  int Add(TBitmap* Image, TBitmap* Mask);  // index of the new image
  // Adds the images side by side in Image, the pixels of MaskColor clear;
  // the index of the first.
  int AddMasked(TBitmap* Image, TColor MaskColor);
  int AddIcon(TIcon* Image);
  void Delete(int Index);
  void Clear();
  void GetIcon(int Index, TIcon* Image) const;   // EInvalidOperation for a bad index
  HIMAGELIST Handle();
  TNotifyEvent OnChange;

private:
  void Change();
  int FWidth = 16;
  int FHeight = 16;
  TImageListHandle FHandle;
};

class TImageList : public TCustomImageList {
  DECLARE_CLASSINFO(TImageList)
public:
  using TCustomImageList::TCustomImageList;
};
