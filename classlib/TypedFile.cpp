#include "classlib/TypedFile.h"

void TRecordFile::Reset(const std::string& FileName, uint32_t Mode) {
  Close();
  static const DWORD access[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  HANDLE h = CreateFileA(FileName.c_str(), access[(Mode & 3) > 2 ? 2 : (Mode & 3)],
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw EInOutError(static_cast<int>(GetLastError()));
  FHandle.Reset(h);
}

int64_t TRecordFile::FileSize() const {
  if (!IsOpen()) throw EInOutError(103);
  LARGE_INTEGER s;
  if (!GetFileSizeEx(FHandle.Get(), &s)) throw EInOutError(static_cast<int>(GetLastError()));
  return s.QuadPart / RecordSize;
}

void TRecordFile::Seek(int64_t RecordIndex) {
  if (!IsOpen()) throw EInOutError(103);
  LARGE_INTEGER d;
  d.QuadPart = RecordIndex * RecordSize;
  if (RecordIndex < 0 || !SetFilePointerEx(FHandle.Get(), d, nullptr, FILE_BEGIN))
    throw EInOutError(131);
}

void TRecordFile::ReadRecord(void* Buffer) {
  if (!IsOpen()) throw EInOutError(103);
  DWORD got = 0;
  if (!ReadFile(FHandle.Get(), Buffer, RecordSize, &got, nullptr))
    throw EInOutError(static_cast<int>(GetLastError()));
  if (got != RecordSize) throw EInOutError(100);
}

void TRecordFile::WriteRecord(const void* Buffer) {
  if (!IsOpen()) throw EInOutError(103);
  DWORD put = 0;
  if (!WriteFile(FHandle.Get(), Buffer, RecordSize, &put, nullptr) || put != RecordSize)
    throw EInOutError(static_cast<int>(GetLastError() ? GetLastError() : 101));
}
