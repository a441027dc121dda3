// COM support of the class library: interface references that release
// what they hold, OLE strings and variants that free themselves, the
// error of a failed call, and COM's start-up for the GUI thread.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <string>
#include <utility>

#include "classlib/SysUtils.h"

// A failed COM call: the message is the system's text of the result.
class EOleSysError : public Exception {
public:
  EOleSysError(const std::string& Msg, HRESULT Code) : Exception(Msg), ErrorCode(Code) {}
  std::string ClassName() const override { return "EOleSysError"; }
  HRESULT ErrorCode;
};

// Raises EOleSysError for a failed result.
void OleCheck(HRESULT Result);

// A reference to an interface: it holds one count and releases it.
template <typename I>
class TComPtr {
public:
  TComPtr() = default;
  explicit TComPtr(I* P) : FPtr(P) {   // takes a new count of its own
    if (FPtr) FPtr->AddRef();
  }
  TComPtr(const TComPtr& O) : TComPtr(O.FPtr) {}
  TComPtr(TComPtr&& O) noexcept : FPtr(std::exchange(O.FPtr, nullptr)) {}
  TComPtr& operator=(TComPtr O) noexcept {
    std::swap(FPtr, O.FPtr);
    return *this;
  }
  ~TComPtr() { Reset(); }

  I* Get() const { return FPtr; }
  I* operator->() const { return FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }
  void Reset() {
    if (I* p = std::exchange(FPtr, nullptr)) p->Release();
  }
  // For a call that hands out a counted reference: drops the one held.
  I** Out() {
    Reset();
    return &FPtr;
  }
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }
  // The same object's interface J, or an empty reference.
  template <typename J>
  TComPtr<J> As(const IID& Id) const {
    TComPtr<J> r;
    if (FPtr) FPtr->QueryInterface(Id, r.OutVoid());
    return r;
  }

private:
  I* FPtr = nullptr;
};

// An OLE string made from ANSI text, freed with the holder.
class TBStr {
public:
  explicit TBStr(const std::string& S);
  ~TBStr() { SysFreeString(FStr); }
  TBStr(const TBStr&) = delete;
  TBStr& operator=(const TBStr&) = delete;
  BSTR Get() const { return FStr; }
  BSTR Release() { return std::exchange(FStr, nullptr); }   // to a variant, which frees it

private:
  BSTR FStr;
};

// ANSI text of an OLE string.
std::string OleStrToString(const wchar_t* S);

// A variant cleared with the holder.
class TOleVariant {
public:
  TOleVariant() { VariantInit(&Value); }
  ~TOleVariant() { VariantClear(&Value); }
  TOleVariant(const TOleVariant&) = delete;
  TOleVariant& operator=(const TOleVariant&) = delete;
  VARIANT Value;
};

// OleInitialize for the thread that runs the forms; OleUninitialize at the
// last shutdown.
void ComObj_Initialize();
void ComObj_Finalize();
