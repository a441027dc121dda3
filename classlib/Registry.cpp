#include "classlib/Registry.h"

IMPLEMENT_CLASSINFO(TRegistry, TObject)

namespace {
bool IsRelative(const std::string& Key) { return Key.empty() || Key[0] != '\\'; }

DWORD TypeOf(TRegDataType T) {
  switch (T) {
    case TRegDataType::rdString: return REG_SZ;
    case TRegDataType::rdExpandString: return REG_EXPAND_SZ;
    case TRegDataType::rdInteger: return REG_DWORD;
    case TRegDataType::rdBinary: return REG_BINARY;
    default: return REG_NONE;
  }
}

TRegDataType DataTypeOf(DWORD T) {
  switch (T) {
    case REG_SZ: return TRegDataType::rdString;
    case REG_EXPAND_SZ: return TRegDataType::rdExpandString;
    case REG_DWORD: return TRegDataType::rdInteger;
    case REG_BINARY: return TRegDataType::rdBinary;
    default: return TRegDataType::rdUnknown;
  }
}

std::vector<std::string> SubKeyNames(HKEY Key) {
  std::vector<std::string> r;
  if (!Key) return r;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD len = sizeof(name);
    if (RegEnumKeyExA(Key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    r.emplace_back(name, len);
  }
  return r;
}

bool DeleteTree(HKEY Parent, const std::string& Name) {
  HKEY k = nullptr;
  if (RegOpenKeyExA(Parent, Name.c_str(), 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
    for (const std::string& sub : SubKeyNames(k)) DeleteTree(k, sub);
    RegCloseKey(k);
  }
  return RegDeleteKeyA(Parent, Name.c_str()) == ERROR_SUCCESS;
}
}  // namespace

TRegistry::TRegistry(REGSAM AAccess) : Access(AAccess) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY Value) {
  if (Value == FRootKey) return;
  CloseKey();
  FRootKey = Value;
}

HKEY TRegistry::BaseKey(bool Relative) const {
  return (FCurrentKey == nullptr || !Relative) ? FRootKey : FCurrentKey;
}

void TRegistry::ChangeKey(HKEY Value, const std::string& Path) {
  CloseKey();
  FCurrentKey = Value;
  FCurrentPath = Path;
}

void TRegistry::CloseKey() {
  if (FCurrentKey) RegCloseKey(FCurrentKey);
  FCurrentKey = nullptr;
  FCurrentPath.clear();
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  bool relative = IsRelative(Key);
  std::string s = relative ? Key : Key.substr(1);
  HKEY k = nullptr;
  LONG rc;
  if (!CanCreate || s.empty())
    rc = RegOpenKeyExA(BaseKey(relative), s.c_str(), 0, Access, &k);
  else
    rc = RegCreateKeyExA(BaseKey(relative), s.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access,
                         nullptr, &k, nullptr);
  if (rc != ERROR_SUCCESS) return false;
  if (FCurrentKey && relative) s = FCurrentPath + "\\" + s;
  ChangeKey(k, s);
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
  REGSAM saved = Access;
  Access = KEY_READ;
  bool ok = OpenKey(Key, false);
  Access = saved;
  return ok;
}

bool TRegistry::KeyExists(const std::string& Key) {
  bool relative = IsRelative(Key);
  std::string s = relative ? Key : Key.substr(1);
  HKEY k = nullptr;
  if (RegOpenKeyExA(BaseKey(relative), s.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

bool TRegistry::CreateKey(const std::string& Key) {
  bool relative = IsRelative(Key);
  std::string s = relative ? Key : Key.substr(1);
  HKEY k = nullptr;
  if (RegCreateKeyExA(BaseKey(relative), s.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access,
                      nullptr, &k, nullptr) != ERROR_SUCCESS)
    throw ERegistryException("Failed to create key " + Key);
  RegCloseKey(k);
  return true;
}

bool TRegistry::DeleteKey(const std::string& Key) {
  bool relative = IsRelative(Key);
  std::string s = relative ? Key : Key.substr(1);
  return DeleteTree(BaseKey(relative), s);
}

bool TRegistry::HasSubKeys() const { return !SubKeyNames(FCurrentKey).empty(); }

std::vector<std::string> TRegistry::GetKeyNames() const { return SubKeyNames(FCurrentKey); }

std::vector<std::string> TRegistry::GetValueNames() const {
  std::vector<std::string> r;
  if (!FCurrentKey) return r;
  char name[16384];
  for (DWORD i = 0;; ++i) {
    DWORD len = sizeof(name);
    if (RegEnumValueA(FCurrentKey, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    r.emplace_back(name, len);
  }
  return r;
}

bool TRegistry::GetDataInfo(const std::string& Name, TRegDataInfo& Info) const {
  Info = {};
  DWORD type = REG_NONE, size = 0;
  if (!FCurrentKey ||
      RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return false;
  Info.RegData = DataTypeOf(type);
  Info.DataSize = size;
  return true;
}

bool TRegistry::ValueExists(const std::string& Name) const {
  TRegDataInfo info;
  return GetDataInfo(Name, info);
}

bool TRegistry::DeleteValue(const std::string& Name) {
  return FCurrentKey && RegDeleteValueA(FCurrentKey, Name.c_str()) == ERROR_SUCCESS;
}

int TRegistry::GetDataSize(const std::string& Name) const {
  TRegDataInfo info;
  return GetDataInfo(Name, info) ? static_cast<int>(info.DataSize) : -1;
}

TRegDataType TRegistry::GetDataType(const std::string& Name) const {
  TRegDataInfo info;
  return GetDataInfo(Name, info) ? info.RegData : TRegDataType::rdUnknown;
}

void TRegistry::ReadError(const std::string& Name) {
  throw ERegistryException("Invalid data type for '" + Name + "'");
}

int TRegistry::GetData(const std::string& Name, void* Buffer, uint32_t BufSize,
                       TRegDataType& RegData) const {
  DWORD type = REG_NONE, size = BufSize;
  LONG rc = FCurrentKey ? RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &type,
                                           static_cast<BYTE*>(Buffer), &size)
                        : ERROR_INVALID_HANDLE;
  if (rc != ERROR_SUCCESS) throw ERegistryException("Failed to get data for '" + Name + "'");
  RegData = DataTypeOf(type);
  return static_cast<int>(size);
}

void TRegistry::PutData(const std::string& Name, const void* Buffer, uint32_t BufSize,
                        TRegDataType RegData) {
  LONG rc = FCurrentKey ? RegSetValueExA(FCurrentKey, Name.c_str(), 0, TypeOf(RegData),
                                         static_cast<const BYTE*>(Buffer), BufSize)
                        : ERROR_INVALID_HANDLE;
  if (rc != ERROR_SUCCESS) throw ERegistryException("Failed to set data for '" + Name + "'");
}

int TRegistry::ReadInteger(const std::string& Name) const {
  // The size is checked first: a larger value must not be read into 4 bytes.
  TRegDataInfo info;
  if (GetDataInfo(Name, info) && (info.RegData != TRegDataType::rdInteger || info.DataSize != 4))
    ReadError(Name);
  int32_t v = 0;
  TRegDataType t;
  GetData(Name, &v, sizeof(v), t);
  if (t != TRegDataType::rdInteger) ReadError(Name);
  return v;
}

bool TRegistry::ReadBool(const std::string& Name) const { return ReadInteger(Name) != 0; }

double TRegistry::ReadFloat(const std::string& Name) const {
  TRegDataInfo info;
  if (GetDataInfo(Name, info) && (info.RegData != TRegDataType::rdBinary || info.DataSize != 8))
    ReadError(Name);
  double v = 0;
  TRegDataType t;
  int len = GetData(Name, &v, sizeof(v), t);
  if (t != TRegDataType::rdBinary || len != static_cast<int>(sizeof(v))) ReadError(Name);
  return v;
}

std::string TRegistry::ReadString(const std::string& Name) const {
  int len = GetDataSize(Name);
  if (len <= 0) return {};
  std::string s(static_cast<size_t>(len), '\0');
  TRegDataType t;
  len = GetData(Name, s.data(), static_cast<uint32_t>(s.size()), t);
  if (t != TRegDataType::rdString && t != TRegDataType::rdExpandString) ReadError(Name);
  s.resize(static_cast<size_t>(len));
  size_t nul = s.find('\0');
  if (nul != std::string::npos) s.resize(nul);
  return s;
}

int TRegistry::ReadBinaryData(const std::string& Name, void* Buffer, int BufSize) const {
  TRegDataInfo info;
  if (!GetDataInfo(Name, info)) throw ERegistryException("Failed to get data for '" + Name + "'");
  if (info.RegData != TRegDataType::rdBinary && info.RegData != TRegDataType::rdUnknown)
    ReadError(Name);
  if (static_cast<int>(info.DataSize) > BufSize) ReadError(Name);
  TRegDataType t;
  return GetData(Name, Buffer, static_cast<uint32_t>(BufSize), t);
}

void TRegistry::WriteInteger(const std::string& Name, int Value) {
  int32_t v = Value;
  PutData(Name, &v, sizeof(v), TRegDataType::rdInteger);
}

void TRegistry::WriteBool(const std::string& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

void TRegistry::WriteFloat(const std::string& Name, double Value) {
  PutData(Name, &Value, sizeof(Value), TRegDataType::rdBinary);
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  PutData(Name, Value.c_str(), static_cast<uint32_t>(Value.size() + 1), TRegDataType::rdString);
}

void TRegistry::WriteExpandString(const std::string& Name, const std::string& Value) {
  PutData(Name, Value.c_str(), static_cast<uint32_t>(Value.size() + 1), TRegDataType::rdExpandString);
}

void TRegistry::WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize) {
  PutData(Name, Buffer, static_cast<uint32_t>(BufSize), TRegDataType::rdBinary);
}
