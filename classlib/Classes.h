// Root object model, components, streams and string lists.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Sets.h"
#include "classlib/SysUtils.h"
#include "classlib/WinHandles.h"

class TObject;

// Run-time class information: the name streams carry and the parent chain.
struct TClassInfo {
  const char* Name;
  const TClassInfo* Parent;
  bool InheritsFrom(const TClassInfo* C) const {
    for (const TClassInfo* p = this; p; p = p->Parent)
      if (p == C) return true;
    return false;
  }
};
using TClass = const TClassInfo*;

// In a class body: DECLARE_CLASSINFO(TFoo); in its .cpp: IMPLEMENT_CLASSINFO(TFoo, TParent).
#define DECLARE_CLASSINFO(T) \
 public:                     \
  static TClass StaticClass(); \
  TClass ClassType() const override;
#define IMPLEMENT_CLASSINFO(T, P)                            \
  TClass T::StaticClass() {                                  \
    static const TClassInfo Info{#T, P::StaticClass()};      \
    return &Info;                                            \
  }                                                          \
  TClass T::ClassType() const { return StaticClass(); }

class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static TClass StaticClass();
  virtual TClass ClassType() const;
  std::string ClassName() const { return ClassType()->Name; }
  bool InheritsFrom(TClass C) const { return ClassType()->InheritsFrom(C); }
};

// Class registry by name, for streaming objects by class.
using TObjectFactory = std::function<std::unique_ptr<TObject>()>;
void RegisterClass(TClass C, TObjectFactory Factory);
void UnRegisterClass(TClass C);
TClass FindClass(const std::string& Name);     // nullptr when unknown
std::unique_ptr<TObject> CreateObjectOfClass(TClass C);   // nullptr without factory

using TNotifyEvent = std::function<void(TObject* Sender)>;

using TShortCut = uint16_t;   // virtual key in the low byte, scShift/scCtrl/scAlt above
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

class TStream;

// What a persistent object is asked for when it is streamed: the binary
// properties it stores beside its published ones. A filer calls WriteData
// (when HasData) or ReadData with the property's own data stream.
class TFiler {
public:
  virtual ~TFiler() = default;
  virtual void DefineBinaryProperty(const std::string& Name, std::function<void(TStream& Stream)> ReadData,
                                    std::function<void(TStream& Stream)> WriteData, bool HasData) = 0;
};

class TPersistent : public TObject {
  DECLARE_CLASSINFO(TPersistent)
public:
  virtual void Assign(TPersistent* Source);
  virtual void DefineProperties(TFiler* Filer) { (void)Filer; }
  virtual std::string GetNamePath() const { return ClassName(); }
protected:
  virtual void AssignTo(TPersistent* Dest);
  [[noreturn]] void AssignError(TPersistent* Source);
};

enum class TOperation { opInsert, opRemove };
enum class TComponentStateItem { csLoading, csReading, csWriting, csDestroying, csDesigning };
using TComponentState = TSet<TComponentStateItem>;

// A component is freed by its owner; one created without owner is held by a
// std::unique_ptr. Deleting a component removes it from its owner and tells
// every component that asked for free notification.
class TComponent : public TPersistent {
  DECLARE_CLASSINFO(TComponent)
public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  std::string Name;
  intptr_t Tag = 0;
  TComponentState ComponentState;

  TComponent* Owner() const { return FOwner; }
  std::string GetNamePath() const override { return Name; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const { return FComponents.at(static_cast<size_t>(Index)); }
  TComponent* FindComponent(const std::string& AName) const;
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  void DestroyComponents();   // frees the owned components, last first
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);
  virtual void Loaded() {}

protected:
  // Called on this component when AComponent is inserted or removed from
  // its owner, or is freed after FreeNotification.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // The component and those it owns are about to be freed (csDestroying):
  // called on each once, first thing when its owner goes (a form's
  // BeforeDestruction, while the form is whole), at the latest from its
  // own destructor. A component that runs anything (a thread) stops it here.
  virtual void Destroying();

private:
  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
};

// ---- Streams -------------------------------------------------------------

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
  DECLARE_CLASSINFO(TStream)
public:
  virtual int64_t Read(void* Buffer, int64_t Count) = 0;
  virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
  virtual void SetSize(int64_t NewSize) = 0;
  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t P) { Seek(P, TSeekOrigin::soBeginning); }
  virtual int64_t Size();
  void ReadBuffer(void* Buffer, int64_t Count);          // EReadError when short
  void WriteBuffer(const void* Buffer, int64_t Count);   // EWriteError when short
  int64_t CopyFrom(TStream& Source, int64_t Count);      // Count 0: all of Source
};

// File open modes of the class library.
constexpr uint32_t fmCreate = 0xFF00;
constexpr uint32_t fmOpenRead = 0x0000;
constexpr uint32_t fmOpenWrite = 0x0001;
constexpr uint32_t fmOpenReadWrite = 0x0002;
constexpr uint32_t fmShareExclusive = 0x0010;
constexpr uint32_t fmShareDenyWrite = 0x0020;
constexpr uint32_t fmShareDenyRead = 0x0030;
constexpr uint32_t fmShareDenyNone = 0x0040;

class TFileStream : public TStream {
  DECLARE_CLASSINFO(TFileStream)
public:
  TFileStream(const std::string& FileName, uint32_t Mode);   // EFCreateError / EFOpenError
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  const std::string FileName;
  HANDLE Handle() const { return FHandle.Get(); }

private:
  TFileHandle FHandle;
};

class TMemoryStream : public TStream {
  DECLARE_CLASSINFO(TMemoryStream)
public:
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }
  void Clear() { FData.clear(); FPosition = 0; }
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);
  void LoadFromStream(TStream& Stream);
  void SaveToStream(TStream& Stream);
  uint8_t* Memory() { return FData.data(); }
  const std::vector<uint8_t>& Data() const { return FData; }

protected:
  std::vector<uint8_t> FData;
  int64_t FPosition = 0;
};

// A memory stream over a string's bytes.
class TStringStream : public TMemoryStream {
  DECLARE_CLASSINFO(TStringStream)
public:
  explicit TStringStream(const std::string& S = {});
  std::string DataString() const { return std::string(FData.begin(), FData.end()); }
};

// ---- String lists ----------------------------------------------------------

// Lines of ANSI text with an object pointer each (not owned unless OwnsObjects).
class TStrings : public TPersistent {
  DECLARE_CLASSINFO(TStrings)
public:
  virtual int Count() const = 0;
  virtual const std::string& Get(int Index) const = 0;
  virtual void Put(int Index, const std::string& S) = 0;
  virtual TObject* GetObject(int Index) const = 0;
  virtual void PutObject(int Index, TObject* AObject) = 0;
  virtual void Insert(int Index, const std::string& S) = 0;
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;
  virtual int Add(const std::string& S);
  int AddObject(const std::string& S, TObject* AObject);
  void AddStrings(const TStrings& Strings);
  virtual int IndexOf(const std::string& S) const;   // ignores case, as the class library does
  const std::string& Strings(int Index) const { return Get(Index); }
  const std::string& operator[](int Index) const { return Get(Index); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  // All lines, each followed by CRLF; setting splits at CR, LF or CRLF.
  std::string Text() const;
  void SetText(const std::string& Value);
  // "name=value" lines
  std::string Values(const std::string& Name) const;
  int IndexOfName(const std::string& Name) const;
  void LoadFromFile(const std::string& FileName);   // EFOpenError when missing
  void SaveToFile(const std::string& FileName) const;
  void LoadFromStream(TStream& Stream);
  void SaveToStream(TStream& Stream) const;
  // Changes between these tell their OnChange once, at the last EndUpdate.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0) UpdateDone();
  }
  void Assign(TPersistent* Source) override;

  // Room for this many lines without growing (a hint).
  virtual void SetCapacity(int /*Value*/) {}

protected:
  virtual void UpdateDone() {}
  // Adds a line the list may take over (SetText's lines).
  virtual void AddLine(std::string&& S) { Add(S); }
  void SetLines(const std::string& Value);
  int FUpdateCount = 0;
  [[noreturn]] void Error(int Index) const;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
  DECLARE_CLASSINFO(TStringList)
public:
  ~TStringList() override;
  int Count() const override { return static_cast<int>(FItems.size()); }
  const std::string& Get(int Index) const override;
  void Put(int Index, const std::string& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  void Insert(int Index, const std::string& S) override;
  void Delete(int Index) override;
  void Clear() override;
  int Add(const std::string& S) override;
  int IndexOf(const std::string& S) const override;
  void Sort();
  void CustomSort(const std::function<int(TStringList& List, int A, int B)>& Compare);
  void Exchange(int A, int B);
  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  bool Find(const std::string& S, int& Index) const;   // binary search of a sorted list
  TDuplicates Duplicates = TDuplicates::dupIgnore;
  bool CaseSensitive = false;
  bool OwnsObjects = false;
  TNotifyEvent OnChange;

  void SetCapacity(int Value) override;

protected:
  void UpdateDone() override { Changed(); }
  void AddLine(std::string&& S) override;

private:
  struct Item { std::string S; TObject* Obj = nullptr; };
  int CompareStrings(const std::string& A, const std::string& B) const;
  void Changed();
  std::vector<Item> FItems;
  bool FSorted = false;
};
