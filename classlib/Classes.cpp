#include "classlib/Classes.h"

#include <algorithm>
#include <climits>
#include <map>

// ---- TObject and the class registry ----------------------------------------

TClass TObject::StaticClass() {
  static const TClassInfo Info{"TObject", nullptr};
  return &Info;
}
TClass TObject::ClassType() const { return StaticClass(); }

namespace {
struct TRegisteredClass {
  TClass Class;
  TObjectFactory Factory;
};
std::vector<TRegisteredClass>& ClassRegistry() {
  static std::vector<TRegisteredClass> Registry;
  return Registry;
}
}  // namespace

void RegisterClass(TClass C, TObjectFactory Factory) {
  for (auto& r : ClassRegistry())
    if (r.Class == C) { r.Factory = std::move(Factory); return; }
  ClassRegistry().push_back({C, std::move(Factory)});
}

void UnRegisterClass(TClass C) {
  auto& r = ClassRegistry();
  r.erase(std::remove_if(r.begin(), r.end(), [C](auto& x) { return x.Class == C; }), r.end());
}

TClass FindClass(const std::string& Name) {
  for (auto& r : ClassRegistry())
    if (SameText(r.Class->Name, Name)) return r.Class;
  return nullptr;
}

std::unique_ptr<TObject> CreateObjectOfClass(TClass C) {
  for (auto& r : ClassRegistry())
    if (r.Class == C && r.Factory) return r.Factory();
  return nullptr;
}

// ---- TPersistent -------------------------------------------------------------

IMPLEMENT_CLASSINFO(TPersistent, TObject)

void TPersistent::Assign(TPersistent* Source) {
  if (Source) Source->AssignTo(this);
  else AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* Source) {
  throw EConvertError("Cannot assign a " + (Source ? Source->ClassName() : std::string("nil")) +
                      " to a " + ClassName());
}

// ---- TComponent --------------------------------------------------------------

IMPLEMENT_CLASSINFO(TComponent, TPersistent)

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  while (!FFreeNotifies.empty()) {
    TComponent* c = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    c->RemoveFreeNotification(this);
    c->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Destroying() {
  if (ComponentState.Contains(TComponentStateItem::csDestroying)) return;
  ComponentState.Include(TComponentStateItem::csDestroying);
  for (TComponent* c : std::vector<TComponent*>(FComponents)) c->Destroying();
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameText(c->Name, AName)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
  Notification(AComponent, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  auto it = std::find(FComponents.begin(), FComponents.end(), AComponent);
  if (it == FComponents.end()) return;
  Notification(AComponent, TOperation::opRemove);
  FComponents.erase(std::find(FComponents.begin(), FComponents.end(), AComponent));
  AComponent->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    std::unique_ptr<TComponent> c(FComponents.back());   // its destructor removes it here
    FComponents.pop_back();
    c->FOwner = nullptr;
    Notification(c.get(), TOperation::opRemove);
  }
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end()) {
    FFreeNotifies.push_back(AComponent);
    AComponent->FreeNotification(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent);
  if (it == FFreeNotifies.end()) return;
  FFreeNotifies.erase(it);
  AComponent->RemoveFreeNotification(this);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == TOperation::opRemove) RemoveFreeNotification(AComponent);
}

// ---- TStream -----------------------------------------------------------------

IMPLEMENT_CLASSINFO(TStream, TObject)

int64_t TStream::Size() {
  int64_t pos = Seek(0, TSeekOrigin::soCurrent);
  int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(pos, TSeekOrigin::soBeginning);
  return size;
}

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
  if (Count < 0 || (Count != 0 && Read(Buffer, Count) != Count)) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
  if (Count < 0 || (Count != 0 && Write(Buffer, Count) != Count)) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  int64_t done = 0;
  std::vector<char> buf(64 * 1024);
  while (done < Count) {
    int64_t n = std::min<int64_t>(Count - done, static_cast<int64_t>(buf.size()));
    Source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    done += n;
  }
  return done;
}

// ---- TFileStream ---------------------------------------------------------------

IMPLEMENT_CLASSINFO(TFileStream, TStream)

TFileStream::TFileStream(const std::string& AFileName, uint32_t Mode) : FileName(AFileName) {
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  switch (Mode & 0xF0) {
    case fmShareExclusive: share = 0; break;
    case fmShareDenyWrite: share = FILE_SHARE_READ; break;
    case fmShareDenyRead: share = FILE_SHARE_WRITE; break;
    default: break;
  }
  if ((Mode & 0xFF00) == fmCreate) {
    HANDLE h = CreateFileA(AFileName.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
      throw EFCreateError("Cannot create file \"" + AFileName + "\". " + SysErrorMessage(GetLastError()));
    FHandle.Reset(h);
    return;
  }
  static const DWORD access[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  HANDLE h = CreateFileA(AFileName.c_str(), access[std::min<uint32_t>(Mode & 3, 2)], share, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    throw EFOpenError("Cannot open file \"" + AFileName + "\". " + SysErrorMessage(GetLastError()));
  FHandle.Reset(h);
}

int64_t TFileStream::Read(void* Buffer, int64_t Count) {
  int64_t done = 0;
  while (done < Count) {
    DWORD chunk = static_cast<DWORD>(std::min<int64_t>(Count - done, 1 << 30)), got = 0;
    if (!ReadFile(FHandle.Get(), static_cast<char*>(Buffer) + done, chunk, &got, nullptr) || got == 0) break;
    done += got;
  }
  return done;
}

int64_t TFileStream::Write(const void* Buffer, int64_t Count) {
  int64_t done = 0;
  while (done < Count) {
    DWORD chunk = static_cast<DWORD>(std::min<int64_t>(Count - done, 1 << 30)), put = 0;
    if (!WriteFile(FHandle.Get(), static_cast<const char*>(Buffer) + done, chunk, &put, nullptr) || put == 0) break;
    done += put;
  }
  return done;
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  LARGE_INTEGER d, r;
  d.QuadPart = Offset;
  if (!SetFilePointerEx(FHandle.Get(), d, &r, static_cast<DWORD>(Origin))) return -1;
  return r.QuadPart;
}

void TFileStream::SetSize(int64_t NewSize) {
  Seek(NewSize, TSeekOrigin::soBeginning);
  if (!SetEndOfFile(FHandle.Get())) throw EStreamError("Stream write error");
}

// ---- TMemoryStream ---------------------------------------------------------------

IMPLEMENT_CLASSINFO(TMemoryStream, TStream)

int64_t TMemoryStream::Read(void* Buffer, int64_t Count) {
  int64_t avail = static_cast<int64_t>(FData.size()) - FPosition;
  if (Count <= 0 || avail <= 0) return 0;
  int64_t n = std::min(Count, avail);
  std::copy_n(FData.data() + FPosition, n, static_cast<uint8_t*>(Buffer));
  FPosition += n;
  return n;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0 || FPosition < 0) return 0;
  if (FPosition + Count > static_cast<int64_t>(FData.size())) FData.resize(static_cast<size_t>(FPosition + Count));
  std::copy_n(static_cast<const uint8_t*>(Buffer), Count, FData.data() + FPosition);
  FPosition += Count;
  return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case TSeekOrigin::soBeginning: FPosition = Offset; break;
    case TSeekOrigin::soCurrent: FPosition += Offset; break;
    case TSeekOrigin::soEnd: FPosition = static_cast<int64_t>(FData.size()) + Offset; break;
  }
  if (FPosition < 0) FPosition = 0;
  return FPosition;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  FData.resize(static_cast<size_t>(std::max<int64_t>(NewSize, 0)));
  if (FPosition > NewSize) FPosition = NewSize;
}

void TMemoryStream::LoadFromStream(TStream& Stream) {
  Stream.SetPosition(0);
  int64_t n = Stream.Size();
  FData.resize(static_cast<size_t>(n));
  Stream.ReadBuffer(FData.data(), n);
  FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream& Stream) {
  Stream.WriteBuffer(FData.data(), static_cast<int64_t>(FData.size()));
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TMemoryStream::SaveToFile(const std::string& FileName) {
  TFileStream f(FileName, fmCreate);
  SaveToStream(f);
}

IMPLEMENT_CLASSINFO(TStringStream, TMemoryStream)

TStringStream::TStringStream(const std::string& S) { FData.assign(S.begin(), S.end()); }

// ---- TStrings ----------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TStrings, TPersistent)

void TStrings::Error(int Index) const {
  throw EListError(Format("List index out of bounds (%d)", Index));
}

int TStrings::Add(const std::string& S) {
  int i = Count();
  Insert(i, S);
  return i;
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
  int i = Add(S);
  PutObject(i, AObject);
  return i;
}

void TStrings::AddStrings(const TStrings& Strings) {
  for (int i = 0; i < Strings.Count(); ++i) AddObject(Strings.Get(i), Strings.GetObject(i));
}

int TStrings::IndexOf(const std::string& S) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(Get(i), S)) return i;
  return -1;
}

std::string TStrings::Text() const {
  std::string r;
  for (int i = 0; i < Count(); ++i) {
    r += Get(i);
    r += "\r\n";
  }
  return r;
}

void TStrings::SetText(const std::string& Value) {
  BeginUpdate();
  try {
    SetLines(Value);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::SetLines(const std::string& Value) {
  Clear();
  size_t i = 0, n = Value.size();
  SetCapacity(static_cast<int>(std::min<size_t>(std::count(Value.begin(), Value.end(), '\n') + 1, INT_MAX)));
  while (i < n) {
    size_t j = i;
    while (j < n && Value[j] != '\r' && Value[j] != '\n') ++j;
    AddLine(Value.substr(i, j - i));
    if (j < n && Value[j] == '\r') ++j;
    if (j < n && Value[j] == '\n') ++j;
    i = j;
  }
}

int TStrings::IndexOfName(const std::string& Name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& s = Get(i);
    size_t p = s.find('=');
    if (p != std::string::npos && SameText(s.substr(0, p), Name)) return i;
  }
  return -1;
}

std::string TStrings::Values(const std::string& Name) const {
  int i = IndexOfName(Name);
  if (i < 0) return {};
  const std::string& s = Get(i);
  return s.substr(s.find('=') + 1);
}

void TStrings::LoadFromStream(TStream& Stream) {
  int64_t size = Stream.Size() - Stream.Position();
  std::string s(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
  s.resize(static_cast<size_t>(Stream.Read(s.data(), static_cast<int64_t>(s.size()))));
  SetText(s);
}

void TStrings::SaveToStream(TStream& Stream) const {
  std::string t = Text();
  Stream.WriteBuffer(t.data(), static_cast<int64_t>(t.size()));
}

void TStrings::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TStrings::SaveToFile(const std::string& FileName) const {
  TFileStream f(FileName, fmCreate);
  SaveToStream(f);
}

void TStrings::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TStrings*>(Source)) {
    if (s == this) return;
    BeginUpdate();
    Clear();
    AddStrings(*s);
    EndUpdate();
    return;
  }
  TPersistent::Assign(Source);
}

// ---- TStringList -----------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TStringList, TStrings)

TStringList::~TStringList() {
  if (OwnsObjects)
    for (auto& it : FItems) std::unique_ptr<TObject> free(it.Obj);
}

void TStringList::Changed() {
  if (FUpdateCount == 0 && OnChange) OnChange(this);
}

const std::string& TStringList::Get(int Index) const {
  if (Index < 0 || Index >= Count()) Error(Index);
  return FItems[static_cast<size_t>(Index)].S;
}

void TStringList::Put(int Index, const std::string& S) {
  if (FSorted) throw EListError("Operation not allowed on sorted list");
  if (Index < 0 || Index >= Count()) Error(Index);
  FItems[static_cast<size_t>(Index)].S = S;
  Changed();
}

TObject* TStringList::GetObject(int Index) const {
  if (Index < 0 || Index >= Count()) Error(Index);
  return FItems[static_cast<size_t>(Index)].Obj;
}

void TStringList::PutObject(int Index, TObject* AObject) {
  if (Index < 0 || Index >= Count()) Error(Index);
  FItems[static_cast<size_t>(Index)].Obj = AObject;
}

void TStringList::Insert(int Index, const std::string& S) {
  if (FSorted) throw EListError("Operation not allowed on sorted list");
  if (Index < 0 || Index > Count()) Error(Index);
  FItems.insert(FItems.begin() + Index, Item{S, nullptr});
  Changed();
}

void TStringList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) Error(Index);
  if (OwnsObjects) std::unique_ptr<TObject> free(FItems[static_cast<size_t>(Index)].Obj);
  FItems.erase(FItems.begin() + Index);
  Changed();
}

void TStringList::Clear() {
  if (FItems.empty()) return;
  if (OwnsObjects)
    for (auto& it : FItems) std::unique_ptr<TObject> free(it.Obj);
  FItems.clear();
  Changed();
}

int TStringList::CompareStrings(const std::string& A, const std::string& B) const {
  if (CaseSensitive) return A.compare(B);
  return AnsiCompareText(A, B);
}

int TStringList::IndexOf(const std::string& S) const {
  if (FSorted) {
    int i;
    return Find(S, i) ? i : -1;
  }
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(FItems[static_cast<size_t>(i)].S, S) == 0) return i;
  return -1;
}

bool TStringList::Find(const std::string& S, int& Index) const {
  int lo = 0, hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    int c = CompareStrings(FItems[static_cast<size_t>(mid)].S, S);
    if (c < 0) lo = mid + 1;
    else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (Duplicates != TDuplicates::dupAccept) lo = mid;
      }
    }
  }
  Index = lo;
  return found;
}

void TStringList::SetCapacity(int Value) {
  if (Value > Count()) FItems.reserve(static_cast<size_t>(Value));
}

void TStringList::AddLine(std::string&& S) {
  if (FSorted) {
    Add(S);
    return;
  }
  FItems.push_back(Item{std::move(S), nullptr});
  Changed();
}

int TStringList::Add(const std::string& S) {
  if (!FSorted) {
    FItems.push_back(Item{S, nullptr});
    Changed();
    return Count() - 1;
  }
  int i;
  if (Find(S, i)) {
    if (Duplicates == TDuplicates::dupIgnore) return i;
    if (Duplicates == TDuplicates::dupError) throw EListError("String list does not allow duplicates");
  }
  FItems.insert(FItems.begin() + i, Item{S, nullptr});
  Changed();
  return i;
}

void TStringList::Exchange(int A, int B) {
  if (A < 0 || A >= Count()) Error(A);
  if (B < 0 || B >= Count()) Error(B);
  std::swap(FItems[static_cast<size_t>(A)], FItems[static_cast<size_t>(B)]);
  Changed();
}

void TStringList::CustomSort(const std::function<int(TStringList&, int, int)>& Compare) {
  // Sort an index permutation so the comparer sees the list as it stands.
  std::vector<int> idx(FItems.size());
  for (size_t i = 0; i < idx.size(); ++i) idx[i] = static_cast<int>(i);
  std::stable_sort(idx.begin(), idx.end(), [&](int a, int b) { return Compare(*this, a, b) < 0; });
  std::vector<Item> sorted;
  sorted.reserve(FItems.size());
  for (int i : idx) sorted.push_back(FItems[static_cast<size_t>(i)]);
  FItems.swap(sorted);
  Changed();
}

void TStringList::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(),
                   [this](const Item& a, const Item& b) { return CompareStrings(a.S, b.S) < 0; });
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (Value && !FSorted) Sort();
  FSorted = Value;
}
