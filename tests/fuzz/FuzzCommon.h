// Shared by the fuzz targets and the seed writer.
#pragma once
#include <string>

#include "scene3d/Base/VectorLists.h"
#include "scene3d/Base/XCollection.h"

// Starts the units once and registers a collection item class.
void FuzzUnitsStart();
// Frees the objects of an object list and of the lists inside it.
void FreeObjectList(TPersistentObjectList& List);
// A new empty list of kind Kind % 6.
std::unique_ptr<TBaseList> NewList(unsigned Kind);

class TFuzzItem : public TXCollectionItem {
  DECLARE_XCOLLECTIONITEM(TFuzzItem)
public:
  explicit TFuzzItem(TXCollection* AOwner) : TXCollectionItem(AOwner, StaticXClass()) {}
  static std::string FriendlyName() { return "Fuzz"; }
  TSingleList Values;
  void WriteToFiler(TVirtualWriter* W) override;
  void ReadFromFiler(TVirtualReader* R) override;
};
