#include "FuzzCommon.h"

IMPLEMENT_CLASSINFO(TFuzzItem, TXCollectionItem)
IMPLEMENT_XCOLLECTIONITEM(TFuzzItem)

void TFuzzItem::WriteToFiler(TVirtualWriter* W) {
  TXCollectionItem::WriteToFiler(W);
  Values.WriteToFiler(W);
}

void TFuzzItem::ReadFromFiler(TVirtualReader* R) {
  TXCollectionItem::ReadFromFiler(R);
  Values.ReadFromFiler(R);
}

void FuzzUnitsStart() {
  static const bool started = [] {
    VectorGeometry_Initialize();
    PersistentClasses_Initialize();
    VectorLists_Initialize();
    XCollection_Initialize();
    RegisterXCollectionItemClass(TFuzzItem::StaticXClass());
    return true;
  }();
  (void)started;
}

void FreeObjectList(TPersistentObjectList& List) {
  for (int i = List.Count() - 1; i >= 0; --i) {
    std::unique_ptr<TObject> o(List.Get(i));
    if (auto* inner = dynamic_cast<TPersistentObjectList*>(o.get())) FreeObjectList(*inner);
  }
  List.Clear();
}

std::unique_ptr<TBaseList> NewList(unsigned Kind) {
  switch (Kind % 6) {
    case 0: return std::make_unique<TAffineVectorList>();
    case 1: return std::make_unique<TVectorList>();
    case 2: return std::make_unique<TTexPointList>();
    case 3: return std::make_unique<TIntegerList>();
    case 4: return std::make_unique<TSingleList>();
    default: return std::make_unique<TByteList>();
  }
}
