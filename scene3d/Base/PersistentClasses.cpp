#include "scene3d/Base/PersistentClasses.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "classlib/UnitInit.h"
#include "scene3d/Base/ApplicationFileIO.h"

static_assert(std::numeric_limits<Extended>::digits == 64 && sizeof(Extended) >= 10,
              "Extended must be the 80-bit x87 format");

namespace {
const char* const UnitName = "scene3d\\Base\\PersistentClasses";
TUnitCounter InitCounter;
// Nested object lists read recursively; deeper data is refused.
constexpr int MaxListNesting = 256;
thread_local int ListNesting = 0;
}  // namespace

// ---- Writers and readers ---------------------------------------------------------

IMPLEMENT_CLASSINFO(TVirtualWriter, TObject)
IMPLEMENT_CLASSINFO(TVirtualReader, TObject)
IMPLEMENT_CLASSINFO(TBinaryWriter, TVirtualWriter)
IMPLEMENT_CLASSINFO(TBinaryReader, TVirtualReader)

void TVirtualReader::Read(void* Buffer, int64_t Count) { FStream->ReadBuffer(Buffer, Count); }

void TVirtualReader::CheckAvailable(int64_t Bytes) {
  if (Bytes < 0 || Bytes > FStream->Size() - FStream->Position()) throw EReadError("Stream read error");
}

void TBinaryWriter::WriteTag(TValueType Tag) { Write(&Tag, 1); }

void TBinaryWriter::Write(const void* Buffer, int64_t Count) { Stream()->WriteBuffer(Buffer, Count); }

void TBinaryWriter::WriteInteger(int32_t Value) {
  if (Value >= -128 && Value < 128) {
    int8_t b = static_cast<int8_t>(Value);
    WriteTag(TValueType::vaInt8);
    Write(&b, 1);
  } else if (Value >= -32768 && Value < 32768) {
    int16_t w = static_cast<int16_t>(Value);
    WriteTag(TValueType::vaInt16);
    Write(&w, 2);
  } else {
    WriteTag(TValueType::vaInt32);
    Write(&Value, 4);
  }
}

void TBinaryWriter::WriteBoolean(bool Value) { WriteTag(Value ? TValueType::vaTrue : TValueType::vaFalse); }

void TBinaryWriter::WriteString(const std::string& Value) {
  if (Value.size() > 255) {
    int32_t n = static_cast<int32_t>(Value.size());
    WriteTag(TValueType::vaLString);
    Write(&n, 4);
  } else {
    uint8_t n = static_cast<uint8_t>(Value.size());
    WriteTag(TValueType::vaString);
    Write(&n, 1);
  }
  if (!Value.empty()) Write(Value.data(), static_cast<int64_t>(Value.size()));
}

void TBinaryWriter::WriteFloat(Extended Value) {
  uint8_t bytes[sizeof(Extended)];
  std::memcpy(bytes, &Value, sizeof Value);
  WriteTag(TValueType::vaExtended);
  Write(bytes, 10);
}

void TBinaryWriter::WriteListBegin() { WriteTag(TValueType::vaList); }
void TBinaryWriter::WriteListEnd() { WriteTag(TValueType::vaNull); }

TValueType TBinaryReader::ReadTag() {
  TValueType t;
  Read(&t, 1);
  return t;
}

TValueType TBinaryReader::NextValue() {
  TValueType t = ReadTag();
  Stream()->Seek(-1, TSeekOrigin::soCurrent);
  return t;
}

void TBinaryReader::ReadTypeError() { throw EReadError(Format("%s, read type error", ClassName().c_str())); }

int32_t TBinaryReader::ReadInteger() {
  switch (ReadTag()) {
    case TValueType::vaInt8: {
      int8_t b;
      Read(&b, 1);
      return b;
    }
    case TValueType::vaInt16: {
      int16_t w;
      Read(&w, 2);
      return w;
    }
    case TValueType::vaInt32: {
      int32_t n;
      Read(&n, 4);
      return n;
    }
    default: ReadTypeError();
  }
}

bool TBinaryReader::ReadBoolean() {
  switch (ReadTag()) {
    case TValueType::vaFalse: return false;
    case TValueType::vaTrue: return true;
    default: ReadTypeError();
  }
}

std::string TBinaryReader::ReadString() {
  const TValueType tag = ReadTag();
  switch (tag) {
    case TValueType::vaString: {
      uint8_t n;
      Read(&n, 1);
      std::string s(n, '\0');
      Read(s.data(), n);
      return s;
    }
    case TValueType::vaLString:
    case TValueType::vaUTF8String: {
      int32_t n;
      Read(&n, 4);
      CheckAvailable(n);
      std::string s(static_cast<size_t>(n), '\0');
      Read(s.data(), n);
      return tag == TValueType::vaUTF8String ? WideToAnsi(DecodeUTF8(s)) : s;
    }
    case TValueType::vaWString: {
      int32_t n;
      Read(&n, 4);
      CheckAvailable(n < 0 ? -1 : int64_t(n) * 2);
      std::u16string w(static_cast<size_t>(n), u'\0');
      Read(w.data(), int64_t(n) * 2);
      return WideToAnsi(w);
    }
    default: ReadTypeError();
  }
}

Extended TBinaryReader::ReadFloat() {
  if (ReadTag() != TValueType::vaExtended) ReadTypeError();
  uint8_t bytes[sizeof(Extended)] = {};
  Read(bytes, 10);
  Extended v;
  std::memcpy(&v, bytes, sizeof v);
  return v;
}

void TBinaryReader::ReadListBegin() {
  if (ReadTag() != TValueType::vaList) ReadTypeError();
}

void TBinaryReader::ReadListEnd() {
  if (ReadTag() != TValueType::vaNull) ReadTypeError();
}

std::u16string DecodeUTF8(const std::string& Bytes) {
  std::u16string r;
  r.reserve(Bytes.size());
  const auto* p = reinterpret_cast<const uint8_t*>(Bytes.data());
  const size_t n = Bytes.size();
  // The lead byte gives up to five trailing bytes.
  static const uint32_t MinValue[6] = {0, 0x80, 0x800, 0x10000, 0x200000, 0x4000000};
  size_t i = 0;
  while (i < n) {
    const uint8_t lead = p[i];
    int trail;
    if (lead < 0x80) trail = 0;
    else if (lead < 0xC0) trail = -1;   // a continuation byte cannot lead
    else if (lead < 0xE0) trail = 1;
    else if (lead < 0xF0) trail = 2;
    else if (lead < 0xF8) trail = 3;
    else if (lead < 0xFC) trail = 4;
    else if (lead < 0xFE) trail = 5;
    else trail = -1;
    if (trail < 0) {
      r.push_back(0xFFFD);
      ++i;
      continue;
    }
    uint32_t v = trail == 0 ? lead : lead & (0x3Fu >> trail);
    int got = 0;
    while (got < trail && i + 1 + got < n && (p[i + 1 + got] & 0xC0) == 0x80) {
      v = (v << 6) | (p[i + 1 + got] & 0x3Fu);
      ++got;
    }
    i += 1 + got;
    if (got < trail || v < MinValue[trail] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) {
      r.push_back(0xFFFD);
    } else if (v <= 0xFFFF) {
      r.push_back(static_cast<char16_t>(v));
    } else {
      v -= 0x10000;
      r.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
      r.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    }
  }
  return r;
}

std::string WideToAnsi(const std::u16string& Text) {
  if (Text.empty()) return {};
  const auto* w = reinterpret_cast<const WCHAR*>(Text.data());
  const int wn = static_cast<int>(Text.size());
  int n = WideCharToMultiByte(CP_ACP, 0, w, wn, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, w, wn, s.data(), n, nullptr, nullptr);
  return s;
}

// ---- TPersistentObject -------------------------------------------------------------

IMPLEMENT_CLASSINFO(TPersistentObject, TPersistent)

void TPersistentObject::Assign(TPersistent* Source) {
  if (Source && Source->ClassType() == ClassType()) {
    TStringStream s;
    static_cast<TPersistentObject*>(Source)->SaveToStream(s);
    s.SetPosition(0);
    LoadFromStream(s);
    return;
  }
  TPersistent::Assign(Source);
}

std::unique_ptr<TPersistentObject> TPersistentObject::NewInstance() const {
  std::unique_ptr<TObject> o = CreateObjectOfClass(ClassType());
  if (auto* p = dynamic_cast<TPersistentObject*>(o.get())) {
    o.release();
    return std::unique_ptr<TPersistentObject>(p);
  }
  throw EInvalidOperation("Cannot create an instance of " + ClassName());
}

std::unique_ptr<TPersistentObject> TPersistentObject::CreateClone() {
  std::unique_ptr<TPersistentObject> r = NewInstance();
  r->Assign(this);
  return r;
}

void TPersistentObject::WriteToFiler(TVirtualWriter* Writer) { Assert(Writer != nullptr, "", UnitName, 628); }

void TPersistentObject::ReadFromFiler(TVirtualReader* Reader) { Assert(Reader != nullptr, "", UnitName, 636); }

void TPersistentObject::RaiseFilerException(int ArchiveVersion) const {
  throw EFilerException(ClassName() + " : unknown archive version " + IntToStr(ArchiveVersion));
}

void TPersistentObject::SaveToStream(TStream& Stream, TVirtualWriterClass WriterClass) {
  std::unique_ptr<TVirtualWriter> w = (WriterClass ? WriterClass : &TBinaryWriter::Create)(&Stream);
  const std::string sig = FileSignature();
  if (!sig.empty()) w->Write(sig.data(), static_cast<int64_t>(sig.size()));
  WriteToFiler(w.get());
}

void TPersistentObject::LoadFromStream(TStream& Stream, TVirtualReaderClass ReaderClass) {
  std::unique_ptr<TVirtualReader> r = (ReaderClass ? ReaderClass : &TBinaryReader::Create)(&Stream);
  const std::string sig = FileSignature();
  if (!sig.empty()) {
    std::string got(sig.size(), '\0');
    if (Stream.Read(got.data(), static_cast<int64_t>(got.size())) != static_cast<int64_t>(got.size()) ||
        got != sig)
      throw EInvalidFileSignature("Invalid file signature");
  }
  ReadFromFiler(r.get());
}

void TPersistentObject::SaveToFile(const std::string& FileName, TVirtualWriterClass WriterClass) {
  std::unique_ptr<TStream> s = CreateFileStream(FileName, fmCreate);
  SaveToStream(*s, WriterClass ? WriterClass : DefaultWriterClass());
}

void TPersistentObject::LoadFromFile(const std::string& FileName, TVirtualReaderClass ReaderClass) {
  std::unique_ptr<TStream> s = CreateFileStream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(*s, ReaderClass ? ReaderClass : DefaultReaderClass());
}

std::string TPersistentObject::SaveToString() {
  TStringStream s;
  SaveToStream(s, DefaultWriterClass());
  return s.DataString();
}

void TPersistentObject::LoadFromString(const std::string& Data) {
  TStringStream s(Data);
  LoadFromStream(s, DefaultReaderClass());
}

// ---- TPersistentObjectList ------------------------------------------------------------

IMPLEMENT_CLASSINFO(TPersistentObjectList, TPersistentObject)

namespace {
// Frees the objects of a list read in part, and of the lists inside it.
void FreeNested(TObject* Obj) {
  if (auto* l = dynamic_cast<TPersistentObjectList*>(Obj)) {
    for (int i = l->Count() - 1; i >= 0; --i) {
      std::unique_ptr<TObject> item(l->Get(i));
      FreeNested(item.get());
    }
    l->Clear();
  }
}
}  // namespace

void TPersistentObjectList::IndexError() { throw EListError("Invalid list index"); }

std::unique_ptr<TPersistentObject> TPersistentObjectList::NewInstance() const {
  return std::make_unique<TPersistentObjectList>();
}

void TPersistentObjectList::Grow() { SetCapacity(Capacity() + std::max(GrowthDelta, 1)); }

int TPersistentObjectList::Add(TObject* Item) {
  if (FCount == Capacity()) Grow();
  FList[static_cast<size_t>(FCount)] = Item;
  return FCount++;
}

void TPersistentObjectList::Insert(int Index, TObject* Item) {
  if (Index < 0 || Index > FCount) IndexError();
  if (FCount == Capacity()) Grow();
  for (int i = FCount; i > Index; --i) FList[static_cast<size_t>(i)] = FList[static_cast<size_t>(i - 1)];
  FList[static_cast<size_t>(Index)] = Item;
  ++FCount;
}

void TPersistentObjectList::Delete(int Index) {
  if (Index < 0 || Index >= FCount) IndexError();
  --FCount;
  for (int i = Index; i < FCount; ++i) FList[static_cast<size_t>(i)] = FList[static_cast<size_t>(i + 1)];
  FList[static_cast<size_t>(FCount)] = nullptr;
}

TObject* TPersistentObjectList::Get(int Index) const {
  if (Index < 0 || Index >= FCount) IndexError();
  return FList[static_cast<size_t>(Index)];
}

void TPersistentObjectList::Put(int Index, TObject* Item) {
  if (Index < 0 || Index >= FCount) IndexError();
  FList[static_cast<size_t>(Index)] = Item;
}

int TPersistentObjectList::IndexOf(TObject* Item) const {
  for (int i = 0; i < FCount; ++i)
    if (FList[static_cast<size_t>(i)] == Item) return i;
  return -1;
}

int TPersistentObjectList::Remove(TObject* Item) {
  int i = IndexOf(Item);
  if (i >= 0) Delete(i);
  return i;
}

TObject* TPersistentObjectList::Pop() {
  if (FCount == 0) return nullptr;
  TObject* r = FList[static_cast<size_t>(FCount - 1)];
  Delete(FCount - 1);
  return r;
}

void TPersistentObjectList::SetCount(int Value) {
  if (Value < 0) IndexError();
  if (Value > Capacity()) SetCapacity(Value);
  for (int i = FCount; i < Value; ++i) FList[static_cast<size_t>(i)] = nullptr;
  FCount = Value;
}

void TPersistentObjectList::SetCapacity(int Value) {
  if (Value < 0) IndexError();
  FList.resize(static_cast<size_t>(Value), nullptr);
  if (FCount > Value) FCount = Value;
}

void TPersistentObjectList::Clean() {
  for (int i = FCount - 1; i >= 0; --i) {
    std::unique_ptr<TObject> free(FList[static_cast<size_t>(i)]);
    FList[static_cast<size_t>(i)] = nullptr;
  }
}

void TPersistentObjectList::Clear() {
  FList.clear();
  FList.shrink_to_fit();
  FCount = 0;
}

void TPersistentObjectList::CleanFree() {
  Clean();
  Clear();
}

void TPersistentObjectList::WriteToFiler(TVirtualWriter* Writer) {
  TPersistentObject::WriteToFiler(Writer);
  Writer->WriteInteger(0);
  Writer->WriteListBegin();
  std::vector<TClass> classes;
  for (int i = 0; i < FCount; ++i) {
    TObject* o = FList[static_cast<size_t>(i)];
    auto* po = dynamic_cast<TPersistentObject*>(o);
    if (!po) {
      Writer->WriteBoolean(false);
      Writer->WriteInteger(static_cast<int32_t>(reinterpret_cast<uintptr_t>(o)));
      continue;
    }
    size_t k = 0;
    while (k < classes.size() && classes[k] != po->ClassType()) ++k;
    if (k == classes.size()) {
      classes.push_back(po->ClassType());
      Writer->WriteString(po->ClassName());
    } else {
      Writer->WriteInteger(static_cast<int32_t>(k));
    }
    po->WriteToFiler(Writer);
  }
  Writer->WriteListEnd();
}

void TPersistentObjectList::ReadFromFiler(TVirtualReader* Reader) {
  TPersistentObject::ReadFromFiler(Reader);
  if (ListNesting >= MaxListNesting) throw EReadError("Object lists nested too deeply");
  struct TNesting {
    TNesting() { ++ListNesting; }
    ~TNesting() { --ListNesting; }
  } nesting;
  CleanFree();
  int32_t version = Reader->ReadInteger();
  if (version != 0) RaiseFilerException(version);
  Reader->ReadListBegin();
  std::vector<TClass> classes;
  while (!Reader->EndOfList()) {
    TClass cls = nullptr;
    switch (Reader->NextValue()) {
      case TValueType::vaFalse:
      case TValueType::vaTrue:
        // A stored reference is never turned back into a pointer.
        Reader->ReadBoolean();
        Reader->ReadInteger();
        Add(nullptr);
        continue;
      case TValueType::vaString:
      case TValueType::vaLString:
      case TValueType::vaWString:
      case TValueType::vaUTF8String: {
        std::string name = Reader->ReadString();
        cls = FindClass(name);
        if (!cls || !cls->InheritsFrom(TPersistentObject::StaticClass()))
          throw EReadError("Class " + name + " not found in ObjectList archive");
        classes.push_back(cls);
        break;
      }
      case TValueType::vaInt8:
      case TValueType::vaInt16:
      case TValueType::vaInt32: {
        int32_t k = Reader->ReadInteger();
        if (k < 0 || static_cast<size_t>(k) >= classes.size()) throw EReadError("Broken ObjectList archive");
        cls = classes[static_cast<size_t>(k)];
        break;
      }
      default: throw Exception("Broken ObjectList archive");
    }
    std::unique_ptr<TObject> obj = CreateObjectOfClass(cls);
    auto* po = dynamic_cast<TPersistentObject*>(obj.get());
    if (!po) throw EReadError("Class " + std::string(cls->Name) + " not found in ObjectList archive");
    AfterObjectCreatedByReader(po);
    try {
      po->ReadFromFiler(Reader);
    } catch (...) {
      FreeNested(obj.get());   // what the half-read object holds is not reachable from here
      throw;
    }
    Add(obj.release());
  }
  Reader->ReadListEnd();
}

// ---- Unit start-up ----------------------------------------------------------------------

// ---- Published values of the object-tree stream -----------------------------------------

int TGLObjectFiler::IndexOfName(const char* const* Names, size_t Count, const std::string& Name) {
  for (size_t i = 0; i < Count; ++i)
    if (Name == Names[i]) return static_cast<int>(i);
  throw EReadError("Invalid property value " + Name);
}

void TGLObjectFiler::DefineSingle(const std::string& Name, float Value, std::function<void(float)> Set, bool HasData) {
  DefineValue(
      Name, [Set](TVirtualReader& R) { Set(static_cast<float>(R.ReadFloat())); },
      [Value](TVirtualWriter& W) { W.WriteFloat(Value); }, HasData);
}

void TGLObjectFiler::DefineInteger(const std::string& Name, int32_t Value, std::function<void(int32_t)> Set,
                                   bool HasData) {
  DefineValue(
      Name, [Set](TVirtualReader& R) { Set(R.ReadInteger()); }, [Value](TVirtualWriter& W) { W.WriteInteger(Value); },
      HasData);
}

void TGLObjectFiler::DefineBoolean(const std::string& Name, bool Value, std::function<void(bool)> Set, bool HasData) {
  DefineValue(
      Name, [Set](TVirtualReader& R) { Set(R.ReadBoolean()); }, [Value](TVirtualWriter& W) { W.WriteBoolean(Value); },
      HasData);
}

void TGLObjectFiler::DefineString(const std::string& Name, const std::string& Value,
                                  std::function<void(const std::string&)> Set, bool HasData) {
  DefineValue(
      Name, [Set](TVirtualReader& R) { Set(R.ReadString()); }, [Value](TVirtualWriter& W) { W.WriteString(Value); },
      HasData);
}

void PersistentClasses_Initialize() {
  if (!InitCounter.Enter()) return;
  RegisterClass(TPersistentObjectList::StaticClass(), [] { return std::make_unique<TPersistentObjectList>(); });
}

void PersistentClasses_Finalize() {
  if (InitCounter.Leave()) UnRegisterClass(TPersistentObjectList::StaticClass());
}
