// A file of fixed-size records, as the run-time library's typed files:
// opened once, positioned by record number, read one record at a time.
// Failures raise EInOutError with the operating system's error code
// (100 when a read finds fewer bytes than a record).
#pragma once
#include <cstdint>
#include <string>

#include "classlib/Classes.h"

class TRecordFile {
public:
  explicit TRecordFile(uint32_t ARecordSize) : RecordSize(ARecordSize) {}
  // Opens an existing file; Mode is fmOpenRead, fmOpenWrite or fmOpenReadWrite
  // (the run-time library's default file mode is read/write).
  void Reset(const std::string& FileName, uint32_t Mode = fmOpenReadWrite);
  void Close() { FHandle.Reset(); }
  bool IsOpen() const { return FHandle.Valid(); }
  HANDLE Handle() const { return FHandle.Get(); }   // the open file, for a mapping of it
  int64_t FileSize() const;                 // whole records
  void Seek(int64_t RecordIndex);
  void ReadRecord(void* Buffer);            // one record at the current position
  void WriteRecord(const void* Buffer);
  const uint32_t RecordSize;

private:
  TFileHandle FHandle;
};

template <typename R>
class TTypedFile : public TRecordFile {
public:
  TTypedFile() : TRecordFile(sizeof(R)) {}
  void Read(R& Rec) { ReadRecord(&Rec); }
  void Write(const R& Rec) { WriteRecord(&Rec); }
};
