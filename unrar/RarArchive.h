// One open RAR archive, multi-volume included, read through libarchive.
// Volumes are opened one after the other as the reader reaches their end;
// a missing volume is asked for through OnChangeVolume. Portable: the DLL
// supplies the files, the fuzzer memory.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "unrar/RarScan.h"

struct archive;
struct archive_entry;

class TVolumeFile {
public:
  virtual ~TVolumeFile() = default;
  virtual int64_t Size() = 0;
  virtual int64_t ReadAt(int64_t Offset, void* Buffer, int64_t Count) = 0;   // -1 on error
};

// Opens a volume by name; null when it does not exist or cannot be read.
using TOpenVolume = std::function<std::unique_ptr<TVolumeFile>(const std::string& Name)>;

struct TRarEntry {
  std::string NameUtf8;   // '/' separated as libarchive gives it
  std::wstring NameW;     // the same, wide (what Windows names files by)
  TScannedFile Header;    // the stored header fields (from the first piece)
  bool HaveHeader = false;
  bool Directory = false;
  bool Symlink = false;
  bool Encrypted = false;
  uint64_t Size = 0;
  int64_t MTime = 0;      // Unix time
  uint32_t Mode = 0;      // Unix permission bits
  std::wstring SymlinkW;    // a symbolic link's target
  std::wstring HardlinkW;   // an earlier entry this one is a hard link to
};

class TRarArchive {
public:
  explicit TRarArchive(TOpenVolume OpenVolume);
  ~TRarArchive();
  TRarArchive(const TRarArchive&) = delete;
  TRarArchive& operator=(const TRarArchive&) = delete;

  // An ERAR_ code; the first volume's scan is then in FirstScan.
  int Open(const std::string& ArcName);
  TVolumeScan FirstScan;
  const std::string& VolumeName() const { return FVolumeName; }

  // ERAR_SUCCESS with the next entry, ERAR_END_ARCHIVE, or an error.
  int ReadHeader(TRarEntry& Entry);
  // Hands the current entry's data to Sink (false from it: a write error;
  // Aborted: the caller stopped) and checks it; an ERAR_ code.
  int ReadData(const std::function<bool(const void* Data, size_t Size)>& Sink);
  int Skip();

  std::string Password;
  bool Aborted = false;   // set by a sink or callback that asked to stop
  // Mode RAR_VOL_ASK: Name may be changed to where the volume is; answer
  // -1 to give up. Mode RAR_VOL_NOTIFY: the volume is open; -1 stops.
  std::function<int(std::string& Name, int Mode)> OnChangeVolume;
  // Asked for a password when an entry needs one and none is set.
  std::function<void(std::string& Password)> OnNeedPassword;

  // libarchive's read callback: the next bytes of the volume chain.
  int64_t Read(const void** Buffer);

private:
  bool OpenNextVolume();
  void AppendFiles(const TVolumeScan& Scan);
  int EncryptedResult();

  TOpenVolume FOpenVolume;
  struct archive* FArchive = nullptr;
  std::unique_ptr<TVolumeFile> FVolume;
  std::string FVolumeName;
  TVolumeScan FScan;           // of the current volume
  int64_t FPosition = 0;
  bool FNewNumbering = false;
  std::vector<uint8_t> FBuffer;
  // Whole files so far, from the scans, with the CRC of the whole file once
  // its last piece has been scanned.
  struct TFileRecord {
    TScannedFile Header;
    bool Complete = false;
    bool HasCRC = false;
    uint32_t CRC = 0;
  };
  std::vector<TFileRecord> FFiles;
  size_t FEntryIndex = 0;
  size_t FCurrent = SIZE_MAX;   // the record of the current entry
  bool FVolumeFailed = false;  // a volume was missing or unreadable
  int FHeaderResult = 0;       // once not ERAR_SUCCESS, every further header read answers it
  bool FEntryEncrypted = false;
  int64_t FEntrySize = -1;     // the unpacked size the header promises; -1 unknown
};
