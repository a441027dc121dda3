// Reads the block headers of one RAR volume (formats 4 and 5) without
// unpacking anything: the archive flags, whether a next volume follows,
// the stored comment and the header fields of every file piece. The
// decompressing reader (libarchive) does not report these.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Reads up to Count bytes at Offset; the number read (0 at the end, -1 on error).
using TReadAt = std::function<int64_t(int64_t Offset, void* Buffer, int64_t Count)>;

struct TScannedFile {
  std::string Name;        // as stored (format 4: the OEM/ANSI name before any Unicode part)
  uint32_t Flags = 0;      // format 4 file header flags (low byte as the DLL reports them)
  uint64_t PackSize = 0;
  uint64_t UnpSize = 0;
  uint32_t HostOS = 0;
  uint32_t FileCRC = 0;
  bool HasCRC = true;      // format 5 may leave it out
  uint32_t FileTime = 0;   // DOS date and time
  uint32_t UnpVer = 0;
  uint32_t Method = 0;
  uint32_t FileAttr = 0;
};

enum class TRarFormat { rfUnknown, rfRar4, rfRar5 };

struct TVolumeScan {
  TRarFormat Format = TRarFormat::rfUnknown;
  int64_t SignatureOffset = 0;   // after a self-extractor stub
  uint32_t ArchiveFlags = 0;     // ROADF_ values
  bool NextVolume = false;       // the archive goes on in another volume
  bool Truncated = false;        // a block runs past the end of the file
  int CommentState = 0;          // 0 none, 1 read, or an ERAR_ code
  std::string Comment;
  std::vector<TScannedFile> Files;   // file pieces in order (format 4 only)
};

// Scans a volume of Size bytes. Never reads outside it; a damaged block
// ends the scan (Truncated) with what was read before.
TVolumeScan ScanVolume(const TReadAt& ReadAt, int64_t Size);

// CRC-32 (the polynomial of zip and RAR) of Size bytes, continuing Crc.
uint32_t Crc32(uint32_t Crc, const void* Data, size_t Size);

// The name of the volume after Name: "x.part01.rar" -> "x.part02.rar" (new
// numbering), "x.rar" -> "x.r00" -> "x.r01" ... "x.r99" -> "x.s00" (old).
std::string NextVolumeName(const std::string& Name, bool NewNumbering);
