// The 3D library's own persistence: tagged value writers and readers, objects
// that write themselves to them, and a list that streams its objects by
// class name.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Classes.h"

using Extended = long double;   // the 80-bit x87 value on both MinGW targets

CLASSLIB_EXCEPTION(EFilerException, Exception);
CLASSLIB_EXCEPTION(EInvalidFileSignature, Exception);

// Value tags, the codes of the class library's component streaming.
enum class TValueType : uint8_t {
  vaNull = 0, vaList = 1, vaInt8 = 2, vaInt16 = 3, vaInt32 = 4, vaExtended = 5, vaString = 6,
  vaFalse = 8, vaTrue = 9, vaLString = 12, vaWString = 18, vaUTF8String = 20
};

class TVirtualWriter : public TObject {
  DECLARE_CLASSINFO(TVirtualWriter)
public:
  explicit TVirtualWriter(TStream* AStream) : FStream(AStream) {}
  TStream* Stream() const { return FStream; }
  virtual void Write(const void* Buffer, int64_t Count) = 0;
  virtual void WriteInteger(int32_t Value) = 0;
  virtual void WriteBoolean(bool Value) = 0;
  virtual void WriteString(const std::string& Value) = 0;
  virtual void WriteFloat(Extended Value) = 0;
  virtual void WriteListBegin() = 0;
  virtual void WriteListEnd() = 0;

private:
  TStream* FStream;   // not owned
};

// Stored data is never trusted: a value, count or length that the data
// cannot hold raises EReadError before anything is allocated or copied.
class TVirtualReader : public TObject {
  DECLARE_CLASSINFO(TVirtualReader)
public:
  explicit TVirtualReader(TStream* AStream) : FStream(AStream) {}
  TStream* Stream() const { return FStream; }
  virtual void Read(void* Buffer, int64_t Count);   // EReadError when short
  virtual TValueType NextValue() = 0;
  virtual int32_t ReadInteger() = 0;
  virtual bool ReadBoolean() = 0;
  virtual std::string ReadString() = 0;
  virtual Extended ReadFloat() = 0;
  virtual void ReadListBegin() = 0;
  virtual void ReadListEnd() = 0;
  bool EndOfList() { return NextValue() == TValueType::vaNull; }
  // EReadError unless Bytes (>= 0) more bytes are left in the stream.
  void CheckAvailable(int64_t Bytes);

private:
  TStream* FStream;   // not owned
};

// Class references of writers and readers.
using TVirtualWriterClass = std::unique_ptr<TVirtualWriter> (*)(TStream* Stream);
using TVirtualReaderClass = std::unique_ptr<TVirtualReader> (*)(TStream* Stream);

class TBinaryWriter : public TVirtualWriter {
  DECLARE_CLASSINFO(TBinaryWriter)
public:
  using TVirtualWriter::TVirtualWriter;
  static std::unique_ptr<TVirtualWriter> Create(TStream* Stream) { return std::make_unique<TBinaryWriter>(Stream); }
  void Write(const void* Buffer, int64_t Count) override;
  void WriteInteger(int32_t Value) override;
  void WriteBoolean(bool Value) override;
  void WriteString(const std::string& Value) override;
  void WriteFloat(Extended Value) override;   // the 10 bytes of the 80-bit value
  void WriteListBegin() override;
  void WriteListEnd() override;

private:
  void WriteTag(TValueType Tag);
};

class TBinaryReader : public TVirtualReader {
  DECLARE_CLASSINFO(TBinaryReader)
public:
  using TVirtualReader::TVirtualReader;
  static std::unique_ptr<TVirtualReader> Create(TStream* Stream) { return std::make_unique<TBinaryReader>(Stream); }
  TValueType NextValue() override;   // the tag; the stream stays where it was
  int32_t ReadInteger() override;
  bool ReadBoolean() override;
  // Tags 6, 12, 18 and 20; wide and UTF-8 text is converted to the ANSI code page.
  std::string ReadString() override;
  Extended ReadFloat() override;
  void ReadListBegin() override;
  void ReadListEnd() override;

private:
  TValueType ReadTag();
  [[noreturn]] void ReadTypeError();
};

// UTF-8 to UTF-16 as the reader decodes tag 20: never reads past the data;
// invalid or overlong sequences, surrogates and values above U+10FFFF
// become U+FFFD.
std::u16string DecodeUTF8(const std::string& Bytes);
// UTF-16 to the ANSI code page.
std::string WideToAnsi(const std::u16string& Text);

// An object that writes itself to a virtual writer and reads itself back.
// Descendants call the inherited WriteToFiler/ReadFromFiler first, then
// stream their own data beginning with their archive version.
class TPersistentObject : public TPersistent {
  DECLARE_CLASSINFO(TPersistentObject)
public:
  TPersistentObject() = default;
  // From an object of exactly this class: through a binary stream.
  void Assign(TPersistent* Source) override;
  // A new object of this class holding the same data; the caller owns it.
  std::unique_ptr<TPersistentObject> CreateClone();
  virtual std::string FileSignature() const { return {}; }
  virtual TVirtualWriterClass DefaultWriterClass() const { return &TBinaryWriter::Create; }
  virtual TVirtualReaderClass DefaultReaderClass() const { return &TBinaryReader::Create; }
  virtual void WriteToFiler(TVirtualWriter* Writer);
  virtual void ReadFromFiler(TVirtualReader* Reader);
  // A null class means TBinaryWriter / TBinaryReader.
  virtual void SaveToStream(TStream& Stream, TVirtualWriterClass WriterClass = nullptr);
  virtual void LoadFromStream(TStream& Stream, TVirtualReaderClass ReaderClass = nullptr);
  // A null class means the default writer / reader class.
  virtual void SaveToFile(const std::string& FileName, TVirtualWriterClass WriterClass = nullptr);
  virtual void LoadFromFile(const std::string& FileName, TVirtualReaderClass ReaderClass = nullptr);
  virtual std::string SaveToString();
  virtual void LoadFromString(const std::string& Data);

protected:
  // A new, empty object of this class (the virtual constructor); by default
  // through the class registry.
  virtual std::unique_ptr<TPersistentObject> NewInstance() const;
  [[noreturn]] void RaiseFilerException(int ArchiveVersion) const;
};

// Object references with list semantics; it does not own its objects unless
// told to free them (Clean, CleanFree).
class TPersistentObjectList : public TPersistentObject {
  DECLARE_CLASSINFO(TPersistentObjectList)
public:
  TPersistentObjectList() = default;
  ~TPersistentObjectList() override = default;   // the objects are not freed

  int Add(TObject* Item);
  void Insert(int Index, TObject* Item);
  void Delete(int Index);    // does not free
  TObject* Get(int Index) const;
  void Put(int Index, TObject* Item);
  TObject* Items(int Index) const { return Get(Index); }
  int IndexOf(TObject* Item) const;
  int Remove(TObject* Item);
  TObject* Pop();            // the last object, or null when empty
  int Count() const { return FCount; }
  void SetCount(int Value);  // new slots are null
  int Capacity() const { return static_cast<int>(FList.size()); }
  void SetCapacity(int Value);
  void Clean();              // frees every object, last first; slots become null
  void Clear();              // count and capacity 0; objects not freed
  void CleanFree();
  TObject* const* List() const { return FList.data(); }
  int GrowthDelta = 16;   // a full list grows by this, at least by one

  // Objects that are not persistent objects cannot be stored: such a slot
  // is written as a reference that reads back as an empty slot.
  void WriteToFiler(TVirtualWriter* Writer) override;
  void ReadFromFiler(TVirtualReader* Reader) override;

protected:
  virtual void AfterObjectCreatedByReader(TObject* Obj) { (void)Obj; }
  std::unique_ptr<TPersistentObject> NewInstance() const override;

private:
  [[noreturn]] static void IndexError();
  void Grow();
  std::vector<TObject*> FList;   // capacity slots
  int FCount = 0;
};

// A published value of a streamed object: written by name with the value
// tags when HasData, read back when its name comes up. Objects declare
// theirs in DefineProperties when the filer is one of these (the object-tree
// stream of unit Scene3D).
class TGLObjectFiler : public TFiler {
public:
  virtual void DefineValue(const std::string& Name, std::function<void(TVirtualReader& Reader)> ReadData,
                           std::function<void(TVirtualWriter& Writer)> WriteData, bool HasData) = 0;
  // A persistent property object: its own properties under "Name.".
  virtual void DefinePersistent(const std::string& Name, TPersistent* Value) = 0;
  // One made on first use: written when HasData (Existing is then set);
  // read into Existing, or into what Make makes when the stream has values
  // of it.
  virtual void DefineOptionalPersistent(const std::string& Name, TPersistent* Existing,
                                        std::function<TPersistent*()> Make, bool HasData) = 0;
  // A collection: a list of items, each the list of its own values. Reading
  // empties it (Clear) and adds an item (Add) for each one stored.
  virtual void DefineCollection(const std::string& Name, int Count, std::function<TPersistent*(int Index)> Item,
                                std::function<TPersistent*()> Add, std::function<void()> Clear, bool HasData) = 0;
  // A reference to another component by name, resolved once the tree is read.
  virtual void DefineReference(const std::string& Name, std::function<void(TComponent* Value)> SetValue,
                               TComponent* Value) = 0;

  // Plain values: written from Value when HasData, read back through Set.
  void DefineSingle(const std::string& Name, float Value, std::function<void(float)> Set, bool HasData);
  void DefineInteger(const std::string& Name, int32_t Value, std::function<void(int32_t)> Set, bool HasData);
  void DefineBoolean(const std::string& Name, bool Value, std::function<void(bool)> Set, bool HasData);
  void DefineString(const std::string& Name, const std::string& Value, std::function<void(const std::string&)> Set,
                    bool HasData);
  // An enumeration by the name of its value; an unknown name raises EReadError.
  template <typename E, size_t N>
  void DefineEnum(const std::string& Name, const char* const (&Names)[N], E Value, std::function<void(E)> Set,
                  bool HasData) {
    DefineValue(
        Name, [&Names, Set](TVirtualReader& R) { Set(static_cast<E>(IndexOfName(Names, N, R.ReadString()))); },
        [&Names, Value](TVirtualWriter& W) { W.WriteString(Names[static_cast<size_t>(Value)]); }, HasData);
  }
  // A set as the list of the names of its members.
  template <typename E, size_t N>
  void DefineSet(const std::string& Name, const char* const (&Names)[N], TSet<E> Value, std::function<void(TSet<E>)> Set,
                 bool HasData) {
    DefineValue(
        Name,
        [&Names, Set](TVirtualReader& R) {
          TSet<E> v;
          R.ReadListBegin();
          while (!R.EndOfList()) v.Include(static_cast<E>(IndexOfName(Names, N, R.ReadString())));
          R.ReadListEnd();
          Set(v);
        },
        [&Names, Value](TVirtualWriter& W) {
          W.WriteListBegin();
          for (size_t i = 0; i < N; ++i)
            if (Value.Contains(static_cast<E>(i))) W.WriteString(Names[i]);
          W.WriteListEnd();
        },
        HasData);
  }

private:
  static int IndexOfName(const char* const* Names, size_t Count, const std::string& Name);
};

void PersistentClasses_Initialize();
void PersistentClasses_Finalize();
