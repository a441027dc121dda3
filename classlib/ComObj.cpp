#include "classlib/ComObj.h"


#include "classlib/UnitInit.h"

namespace {
TUnitCounter Counter;
bool Initialized = false;   // OleInitialize succeeded and is to be balanced
}  // namespace

void OleCheck(HRESULT Result) {
  if (SUCCEEDED(Result)) return;
  std::string text = SysErrorMessage(static_cast<DWORD>(Result));
  if (text.empty()) text = Format("OLE error %08X", static_cast<unsigned>(Result));
  throw EOleSysError(text, Result);
}

TBStr::TBStr(const std::string& S) {
  const int n = MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), nullptr, 0);
  FStr = SysAllocStringLen(nullptr, static_cast<UINT>(n));
  if (!FStr) throw EOutOfMemory("Out of memory");
  if (n) MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), FStr, n);
}

std::string OleStrToString(const wchar_t* S) {
  if (!S || !*S) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, S, -1, nullptr, 0, nullptr, nullptr);
  std::string r(static_cast<size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_ACP, 0, S, -1, r.data(), n, nullptr, nullptr);
  r.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
  return r;
}

void ComObj_Initialize() {
  if (!Counter.Enter()) return;
  Initialized = SUCCEEDED(OleInitialize(nullptr));
}

void ComObj_Finalize() {
  if (!Counter.Leave()) return;
  if (Initialized) OleUninitialize();
  Initialized = false;
}
