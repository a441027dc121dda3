// Image lists: equal-sized images over a common-controls image list.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "classlib/Classes.h"
#include "classlib/Graphics.h"

struct TImageListTraits {
  static HIMAGELIST Invalid() { return nullptr; }
  static void Close(HIMAGELIST h) { ImageList_Destroy(h); }
};
using TImageListHandle = TOwnedHandle<HIMAGELIST, TImageListTraits>;

class TCustomImageList;

// One user's registration for the changes of an image list: any number of
// users register a link each and are told of every change through its
// OnChange. A link leaves its list when it is freed; a list that is freed
// first leaves its links without one.
class TChangeLink {
public:
  TChangeLink() = default;
  TChangeLink(const TChangeLink&) = delete;
  TChangeLink& operator=(const TChangeLink&) = delete;
  ~TChangeLink();
  TCustomImageList* Sender() const { return FSender; }
  TNotifyEvent OnChange;

private:
  friend class TCustomImageList;
  TCustomImageList* FSender = nullptr;
};

class TCustomImageList : public TComponent {
  DECLARE_CLASSINFO(TCustomImageList)
public:
  explicit TCustomImageList(TComponent* AOwner);
  ~TCustomImageList() override;
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
  void RegisterChanges(TChangeLink* Value);     // a link of another list leaves that one
  void UnRegisterChanges(TChangeLink* Value);
  TNotifyEvent OnChange;   // the list's own handler, called before the links

private:
  void Change();
  std::vector<TChangeLink*> FLinks;
  int FWidth = 16;
  int FHeight = 16;
  TImageListHandle FHandle;
};

class TImageList : public TCustomImageList {
  DECLARE_CLASSINFO(TImageList)
public:
  using TCustomImageList::TCustomImageList;
};
