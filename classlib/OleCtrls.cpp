#include "classlib/OleCtrls.h"

#include <olectl.h>

IMPLEMENT_CLASSINFO(TOleControl, TWinControl)

namespace {
int ObjectsAlive = 0;

// Reference counting of the COM objects made here: they start at 0, the
// first holder counts them, the last release frees them.
class TRefCounted {
protected:
  TRefCounted() { ++ObjectsAlive; }
  virtual ~TRefCounted() { --ObjectsAlive; }
  ULONG AddRefCount() { return ++FRefCount; }
  ULONG ReleaseCount() {
    const ULONG n = --FRefCount;
    if (n == 0) delete this;
    return n;
  }

private:
  ULONG FRefCount = 0;
};
}  // namespace

int OleControlObjectsAlive() { return ObjectsAlive; }

// The control's side of the object: its window, its place and size, and a
// frame without menus, tool space or accelerators.
class TOleControlSite : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame, TRefCounted {
public:
  explicit TOleControlSite(TOleControl* AControl) : FControl(AControl) {}
  void Detach() { FControl = nullptr; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID Id, void** Obj) override {
    if (!Obj) return E_POINTER;
    if (IsEqualIID(Id, IID_IUnknown) || IsEqualIID(Id, IID_IOleClientSite))
      *Obj = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(Id, IID_IOleWindow) || IsEqualIID(Id, IID_IOleInPlaceSite))
      *Obj = static_cast<IOleInPlaceSite*>(this);
    else if (IsEqualIID(Id, IID_IOleInPlaceUIWindow) || IsEqualIID(Id, IID_IOleInPlaceFrame))
      *Obj = static_cast<IOleInPlaceFrame*>(this);
    else {
      *Obj = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return AddRefCount(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseCount(); }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** Mk) override {
    if (Mk) *Mk = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** Container) override {
    if (Container) *Container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow
  STDMETHODIMP GetWindow(HWND* Wnd) override {
    if (!Wnd) return E_POINTER;
    *Wnd = FControl && FControl->HandleAllocated() ? FControl->Handle() : nullptr;
    return *Wnd ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return FControl ? S_OK : S_FALSE; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** Frame, IOleInPlaceUIWindow** Doc, LPRECT Pos, LPRECT Clip,
                                LPOLEINPLACEFRAMEINFO Info) override {
    if (!Frame || !Doc || !Pos || !Clip || !Info) return E_POINTER;
    *Frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *Doc = nullptr;
    *Pos = *Clip = FControl ? FControl->ObjectRect() : RECT{0, 0, 0, 0};
    Info->fMDIApp = FALSE;
    Info->hwndFrame = FControl && FControl->HandleAllocated() ? GetAncestor(FControl->Handle(), GA_ROOT) : nullptr;
    Info->haccel = nullptr;
    Info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override {
    if (FControl) FControl->FInPlaceObject.Reset();
    return S_OK;
  }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }   // the control's bounds decide

  // IOleInPlaceUIWindow, IOleInPlaceFrame
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
  TOleControl* FControl;
};

// Receives the object's events of one dispatch interface for the control.
class TOleEventSink : public IDispatch, TRefCounted {
public:
  TOleEventSink(TOleControl* AControl, const IID& Events) : FControl(AControl), FEvents(Events) {}
  void Detach() { FControl = nullptr; }

  STDMETHODIMP QueryInterface(REFIID Id, void** Obj) override {
    if (!Obj) return E_POINTER;
    if (!IsEqualIID(Id, IID_IUnknown) && !IsEqualIID(Id, IID_IDispatch) && !IsEqualIID(Id, FEvents)) {
      *Obj = nullptr;
      return E_NOINTERFACE;
    }
    *Obj = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return AddRefCount(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseCount(); }

  STDMETHODIMP GetTypeInfoCount(UINT* Count) override {
    if (Count) *Count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** Info) override {
    if (Info) *Info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID DispID, REFIID, LCID, WORD, DISPPARAMS* Params, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    if (!FControl || !Params) return S_OK;
    try {
      FControl->InvokeEvent(DispID, *Params);
    } catch (...) {
      HandleCallbackException(FControl);
    }
    return S_OK;
  }

private:
  TOleControl* FControl;
  IID FEvents;
};

TOleControl::TOleControl(TComponent* AOwner, const CLSID& ClassID) : TWinControl(AOwner) {
  FSite = TComPtr<TOleControlSite>(new TOleControlSite(this));
  FCreateResult =
      CoCreateInstance(ClassID, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, FOleObject.OutVoid());
  if (FAILED(FCreateResult)) {
    FOleObject.Reset();
    return;
  }
  FCreateResult = FOleObject->SetClientSite(FSite.Get());
  if (SUCCEEDED(FCreateResult)) {
    if (auto init = FOleObject.As<IPersistStreamInit>(IID_IPersistStreamInit)) init->InitNew();
  } else {
    FOleObject->Close(OLECLOSE_NOSAVE);
    FOleObject.Reset();
  }
}

TOleControl::~TOleControl() {
  DisconnectEvents();
  InPlaceDeactivate();
  if (FOleObject) {
    FOleObject->Close(OLECLOSE_NOSAVE);
    FOleObject->SetClientSite(nullptr);
    FOleObject.Reset();
  }
  FSite->Detach();
}

RECT TOleControl::ObjectRect() { return RECT{0, 0, ClientWidth(), ClientHeight()}; }

void TOleControl::CreateHandleDone() {
  TWinControl::CreateHandleDone();
  if (!FOleObject) return;
  RECT r = ObjectRect();
  FActivateResult = FOleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, FSite.Get(), 0, Handle(), &r);
  if (SUCCEEDED(FActivateResult)) {
    FInPlaceObject = FOleObject.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    if (FInPlaceObject) FInPlaceObject->SetObjectRects(&r, &r);
  }
}

void TOleControl::InPlaceDeactivate() {
  // the site's OnInPlaceDeactivate drops the reference as well
  TComPtr<IOleInPlaceObject> object = FInPlaceObject;
  FInPlaceObject.Reset();
  if (object) object->InPlaceDeactivate();
}

void TOleControl::WndProc(TMessage& M) {
  if (M.Msg == WM_DESTROY) InPlaceDeactivate();   // while the object's window is still there
  TWinControl::WndProc(M);
}

void TOleControl::BoundsChanged() {
  TWinControl::BoundsChanged();
  if (!FInPlaceObject) return;
  RECT r = ObjectRect();
  FInPlaceObject->SetObjectRects(&r, &r);
}

void TOleControl::ConnectEvents(const IID& Events) {
  DisconnectEvents();
  auto container = FOleObject.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
  if (!container || FAILED(container->FindConnectionPoint(Events, FEventPoint.Out()))) {
    FEventPoint.Reset();
    return;
  }
  FEventSink = TComPtr<TOleEventSink>(new TOleEventSink(this, Events));
  if (FAILED(FEventPoint->Advise(FEventSink.Get(), &FEventCookie))) {
    FEventSink->Detach();
    FEventSink.Reset();
    FEventPoint.Reset();
  }
}

void TOleControl::DisconnectEvents() {
  if (FEventPoint) FEventPoint->Unadvise(FEventCookie);
  if (FEventSink) FEventSink->Detach();
  FEventSink.Reset();
  FEventPoint.Reset();
  FEventCookie = 0;
}

void TOleControl::InvokeEvent(DISPID, const DISPPARAMS&) {}
