// OLE controls: an ActiveX object of the system hosted in a window of the
// class library, in place active over the control's whole client area, its
// events of one dispatch interface handed to the control. The thread needs
// ComObj_Initialize.
#pragma once
#include <ocidl.h>

#include "classlib/ComObj.h"
#include "classlib/Controls.h"

class TOleControlSite;
class TOleEventSink;

class TOleControl : public TWinControl {
  DECLARE_CLASSINFO(TOleControl)
public:
  // Makes the object of ClassID and gives it its site; without the object
  // (the system has none) the control is a plain window.
  TOleControl(TComponent* AOwner, const CLSID& ClassID);
  ~TOleControl() override;

  const TComPtr<IOleObject>& OleObject() const { return FOleObject; }
  HRESULT CreateResult() const { return FCreateResult; }       // of making the object
  HRESULT ActivateResult() const { return FActivateResult; }   // of the last in-place activation
  bool InPlaceActive() const { return static_cast<bool>(FInPlaceObject); }

protected:
  void CreateHandleDone() override;   // activates the object in the new window
  void WndProc(TMessage& Message) override;
  void BoundsChanged() override;
  // Hands the object's events of the dispatch interface Events to InvokeEvent.
  void ConnectEvents(const IID& Events);
  virtual void InvokeEvent(DISPID DispID, const DISPPARAMS& Params);

private:
  friend class TOleControlSite;
  friend class TOleEventSink;
  RECT ObjectRect();
  void InPlaceDeactivate();
  void DisconnectEvents();
  TComPtr<IOleObject> FOleObject;
  TComPtr<IOleInPlaceObject> FInPlaceObject;   // while in place active
  TComPtr<TOleControlSite> FSite;
  TComPtr<TOleEventSink> FEventSink;
  TComPtr<IConnectionPoint> FEventPoint;
  DWORD FEventCookie = 0;
  HRESULT FCreateResult = E_FAIL;
  HRESULT FActivateResult = E_FAIL;
};

// The sites and event sinks alive: each control frees its own when it is
// freed (for leak checks).
int OleControlObjectsAlive();
