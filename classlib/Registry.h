// Registry access as the class library has it: one open key at a time under
// a root key; typed reads and writes of its values.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "classlib/Classes.h"

CLASSLIB_EXCEPTION(ERegistryException, Exception);

enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData = TRegDataType::rdUnknown;
  uint32_t DataSize = 0;
};

// Key names starting with "\" are taken from the root key, others from the
// key that is open. Integer and Boolean values are REG_DWORD, Float an
// 8-byte double in REG_BINARY, String REG_SZ. A read of a missing value or
// of a value of another type raises ERegistryException, except ReadString,
// which gives "" for a missing value.
class TRegistry : public TObject {
  DECLARE_CLASSINFO(TRegistry)
public:
  explicit TRegistry(REGSAM AAccess = KEY_ALL_ACCESS);
  ~TRegistry() override;

  HKEY RootKey() const { return FRootKey; }
  void SetRootKey(HKEY Value);   // closes the open key
  HKEY CurrentKey() const { return FCurrentKey; }
  const std::string& CurrentPath() const { return FCurrentPath; }
  REGSAM Access;

  bool OpenKey(const std::string& Key, bool CanCreate);
  bool OpenKeyReadOnly(const std::string& Key);
  void CloseKey();
  bool KeyExists(const std::string& Key);
  bool CreateKey(const std::string& Key);
  bool DeleteKey(const std::string& Key);   // with all its sub-keys
  bool HasSubKeys() const;
  std::vector<std::string> GetKeyNames() const;
  std::vector<std::string> GetValueNames() const;

  bool ValueExists(const std::string& Name) const;
  bool DeleteValue(const std::string& Name);
  bool GetDataInfo(const std::string& Name, TRegDataInfo& Info) const;
  int GetDataSize(const std::string& Name) const;   // -1 when the value is missing
  TRegDataType GetDataType(const std::string& Name) const;

  int ReadInteger(const std::string& Name) const;
  bool ReadBool(const std::string& Name) const;
  double ReadFloat(const std::string& Name) const;
  std::string ReadString(const std::string& Name) const;
  int ReadBinaryData(const std::string& Name, void* Buffer, int BufSize) const;

  void WriteInteger(const std::string& Name, int Value);
  void WriteBool(const std::string& Name, bool Value);
  void WriteFloat(const std::string& Name, double Value);
  void WriteString(const std::string& Name, const std::string& Value);
  void WriteExpandString(const std::string& Name, const std::string& Value);
  void WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize);

private:
  HKEY BaseKey(bool Relative) const;
  void ChangeKey(HKEY Value, const std::string& Path);
  int GetData(const std::string& Name, void* Buffer, uint32_t BufSize, TRegDataType& RegData) const;
  void PutData(const std::string& Name, const void* Buffer, uint32_t BufSize, TRegDataType RegData);
  [[noreturn]] static void ReadError(const std::string& Name);

  HKEY FRootKey = HKEY_CURRENT_USER;
  HKEY FCurrentKey = nullptr;
  std::string FCurrentPath;
};
