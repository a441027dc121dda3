#include "netlib/NetIntercept.h"

IMPLEMENT_CLASSINFO(TNetConnectionIntercept, TNetBaseComponent)

TNetConnectionIntercept::TNetConnectionIntercept(TComponent* AOwner) : TNetBaseComponent(AOwner) {}

TNetConnectionIntercept::~TNetConnectionIntercept() { SetIntercept(nullptr); }

void TNetConnectionIntercept::SetIntercept(TNetConnectionIntercept* Value) {
  if (Value == FIntercept) return;
  if (FIntercept) FIntercept->RemoveFreeNotification(this);
  FIntercept = Value;
  if (FIntercept) FIntercept->FreeNotification(this);
}

void TNetConnectionIntercept::Notification(TComponent* AComponent, TOperation Operation) {
  TNetBaseComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FIntercept) FIntercept = nullptr;
}

void TNetConnectionIntercept::NestedConnect(TComponent* AConnection) {
  if (FIntercept) FIntercept->AttachTo(AConnection);
}

void TNetConnectionIntercept::NestedDisconnect() {
  if (FIntercept) FIntercept->Detach();
}

void TNetConnectionIntercept::NestedReceive(TStream& AStream) {
  if (FIntercept) FIntercept->FilterIncoming(AStream);
}

void TNetConnectionIntercept::NestedSend(TStream& AStream) {
  if (FIntercept) FIntercept->FilterOutgoing(AStream);
}

void TNetConnectionIntercept::AttachTo(TComponent* AConnection) {
  FConnection = AConnection;
  if (OnConnect) OnConnect(this);
  NestedConnect(AConnection);
}

void TNetConnectionIntercept::Detach() {
  NestedDisconnect();
  if (OnDisconnect) OnDisconnect(this);
  FConnection = nullptr;
}

void TNetConnectionIntercept::FilterIncoming(TStream& AStream) {
  NestedReceive(AStream);
  if (OnReceive) {
    OnReceive(this, AStream);
    AStream.SetPosition(0);
  }
}

void TNetConnectionIntercept::FilterOutgoing(TStream& AStream) {
  if (OnSend) {
    OnSend(this, AStream);
    AStream.SetPosition(0);
  }
  NestedSend(AStream);
}
